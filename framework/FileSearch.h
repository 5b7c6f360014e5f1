#pragma once
// The search of many files for a text. Each file is read and decoded exactly as the editor
// reads it (framework/TextFile.h), on worker threads; what each file holds reaches the
// program on its own thread, file by file in the order of the list.

#include <memory>
#include <string_view>
#include <vector>

#include "framework/Classes.h"
#include "framework/TextSearch.h"

class QObject;
class QThreadPool;

// One occurrence of the text in a file.
struct TFileMatch {
  int Line = 0;     // from 1
  int Position = 0; // where it begins in the file's text, in the editor's positions
  int Length = 0;   // in the editor's positions
  // The line, without its break; of a line longer than MaxShownLine, the part around the
  // occurrence, with "…" where it is cut.
  String Text;
  bool operator==(const TFileMatch&) const = default;
};

// The most characters of a line a match shows whole.
constexpr int MaxShownLine = 400;

enum TFileSearchResult {
  fsSearched,
  fsUnreadable, // gone, a directory, FIFO or device, or unreadable: never opened to wait
  fsTooLarge    // larger than the editor's limit (MaxTextFileSize), not read
};

struct TFileMatches {
  TFileSearchResult Result = fsSearched;
  std::vector<TFileMatch> Matches; // in the order of the text
  bool operator==(const TFileMatches&) const = default;
};

// Reads the file as the editor does and finds every occurrence of Text in it, each one
// starting after the one before.
TFileMatches SearchFile(const String& Path, const String& Text, const TSearchTypes& Options);
// The same of a file's bytes.
TFileMatches SearchFileBytes(std::string_view Bytes, const String& Text, const TSearchTypes& Options);
// The same of the editor's text (UTF-8, lines separated by "\n").
TFileMatches SearchEditorText(const String& EditorText, const String& Text, const TSearchTypes& Options);

class TFileSearch : public TComponent {
public:
  explicit TFileSearch(TComponent* AOwner);
  // Stops a search, and waits for the file each worker is reading.
  ~TFileSearch() override;

  // Searches Paths for Text (at most 255 characters are taken), ending a search that runs.
  void Start(const std::vector<String>& Paths, const String& Text, const TSearchTypes& Options);
  // Ends the search at once: no further event is fired for it.
  void Stop();
  bool Running() const { return FRun != nullptr; }

  // In OnFileSearched: the index in Paths of the file searched, and what it holds.
  int FileIndex() const { return FFileIndex; }
  const TFileMatches& FileMatches() const { return FFileMatches; }
  // Fired for each file, in the order of Paths, as soon as it and those before it are searched.
  TNotifyEvent OnFileSearched() const { return FOnFileSearched; }
  void SetOnFileSearched(TNotifyEvent Value) { FOnFileSearched = std::move(Value); }
  // Fired once the last file has been reported; not after Stop.
  TNotifyEvent OnDone() const { return FOnDone; }
  void SetOnDone(TNotifyEvent Value) { FOnDone = std::move(Value); }

private:
  struct TRun;
  // Hands the searched files to the events in order, for a short while at a time so that the
  // window stays responsive, then asks to go on.
  void Deliver(const std::shared_ptr<TRun>& Run);
  // Delivers again after Delay milliseconds, on the program's thread.
  void Again(const std::shared_ptr<TRun>& Run, int Delay);
  static void Post(QObject* Context, TFileSearch* Search, const std::shared_ptr<TRun>& Run);

  std::unique_ptr<QThreadPool> FPool;
  std::unique_ptr<QObject> FContext;
  std::shared_ptr<TRun> FRun;
  int FFileIndex = -1;
  TFileMatches FFileMatches;
  TNotifyEvent FOnFileSearched;
  TNotifyEvent FOnDone;
};
