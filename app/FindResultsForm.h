#pragma once
// The results of Find in Listed Files: an MDI window of its own, one row a match,
// "PATH:LINE: text of the line", with a running count below, filled while the files are
// searched on worker threads.

#include <functional>
#include <vector>

#include "framework/ComCtrls.h"
#include "framework/FileSearch.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

// The most rows of matches the list shows; a last row counts the rest ("and N more").
constexpr int MaxResultRows = 10000;

class TFindResultsForm : public TForm {
public:
  explicit TFindResultsForm(TComponent* AOwner);
  ~TFindResultsForm() override;

  TStatusBar* ResultsBar = nullptr;
  TListBox* ResultsList = nullptr;
  TFileSearch* FS1 = nullptr;

  // Searches the files for Text, in place of the rows there are.
  void Search(const std::vector<String>& Paths, const String& Text, const TSearchTypes& Options);
  // Ends the search at once; the rows found stay, and the count says it was stopped.
  void StopSearch();
  bool Searching() const { return FS1->Running(); }
  const String& SearchText() const { return FText; }
  const TSearchTypes& SearchOptions() const { return FOptions; }

  // Fired when a search starts and when it ends: done, stopped, or its window closed.
  void SetOnSearchChange(TNotifyEvent Value) { FOnSearchChange = std::move(Value); }

  // Fired by Enter or a double-click on the row of a match.
  using TOpenMatchEvent = std::function<void(const String& Path, const TFileMatch& Match)>;
  void SetOnOpenMatch(TOpenMatchEvent Value) { FOnOpenMatch = std::move(Value); }

  void FormClose(TObject* Sender, TCloseAction& Action);
  void ResultsListDblClick(TObject* Sender);
  void FS1FileSearched(TObject* Sender);
  void FS1Done(TObject* Sender);

private:
  // The count, after Prefix ("Searching: " while the search runs).
  void ShowCount(const String& Prefix);
  struct TRow {
    int File;
    TFileMatch Match;
  };
  std::vector<String> FPaths;
  String FText;
  TSearchTypes FOptions;
  std::vector<TRow> FRows;
  long long FMatches = 0;
  int FFilesWithMatches = 0, FUnreadable = 0, FTooLarge = 0;
  TOpenMatchEvent FOnOpenMatch;
  TNotifyEvent FOnSearchChange;
  // The list's window procedure, which takes Esc, and the one it replaced.
  WNDPROC FListProc = nullptr;
  LONG_PTR FFormerListProc = 0;
};

void RegisterFindResultsForm();
