#pragma once
// A non-visual component that walks a directory tree depth first, announcing each directory
// and reporting the files in it that match a wildcard mask, in sorted order.
//
// Worker threads read the directories, many at once, ahead of the reporting; the events come
// on the thread that started the walk, in the walk's order, as if each directory were read
// when the walk gets there, after its announcement: a listing read ahead is taken only when
// the directory has not changed since, else the directory is read again then.

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/Classes.h"

class TTreeScanner : public TComponent {
public:
  explicit TTreeScanner(TComponent* AOwner);

  // Walks the whole tree below InitialDirectory and returns when it has been reported. The
  // application's pending messages are processed once for every directory entered.
  void StartSearch();
  // Starts a walk and returns: its events come at the turns of the message loop, a few
  // milliseconds' worth at each, and OnSearchDone when it has ended, however it ended.
  void BeginSearch();
  // Ends the running walks at once: no event of them follows but OnSearchDone. Does nothing
  // when none runs.
  void StopSearch();
  ~TTreeScanner() override;

  const TNotifyEvent& OnFileFound() const { return FOnFileFound; }
  void SetOnFileFound(TNotifyEvent Value) { FOnFileFound = std::move(Value); }
  const TNotifyEvent& OnDirectoryFound() const { return FOnDirectoryFound; }
  void SetOnDirectoryFound(TNotifyEvent Value) { FOnDirectoryFound = std::move(Value); }
  const TNotifyEvent& OnDirectoryDone() const { return FOnDirectoryDone; }
  void SetOnDirectoryDone(TNotifyEvent Value) { FOnDirectoryDone = std::move(Value); }
  const TNotifyEvent& OnSearchDone() const { return FOnSearchDone; }
  void SetOnSearchDone(TNotifyEvent Value) { FOnSearchDone = std::move(Value); }
  // The path being reported: a directory's ends in "/".
  const String& FileFound() const { return FFileFound; }
  // The size of the file being reported, its low 32 bits read as signed; 0 for a directory.
  std::int32_t FileSize() const { return FFileSize; }
  const String& InitialDirectory() const { return FInitialDirectory; }
  void SetInitialDirectory(const String& Value) { FInitialDirectory = Value; }
  const String& FileMask() const { return FFileMask; }
  void SetFileMask(const String& Value) { FFileMask = Value; }
  bool SearchInProgress() const { return FSearchInProgress; }
  // Whether the last walk that ended went to the end of the tree: not stopped, not failed.
  bool Completed() const { return FCompleted; }
  // How many directories the last walk begun announced and could not read.
  int UnreadableDirectories() const { return FUnreadableDirectories; }
  bool Recursive() const { return FRecursive; }
  void SetRecursive(bool Value) { FRecursive = Value; }

private:
  struct TWalk;
  std::shared_ptr<TWalk> Prepare(bool Blocking);
  // Reports what is ready of Walk, with Wait all of it: whether it ended, paused for the
  // message loop, or waits for a listing.
  int Report(TWalk& Walk, bool Wait);
  // One turn of the message loop's share of the walk begun by BeginSearch.
  static void Turn(const std::shared_ptr<TWalk>& Walk);
  void Finish(const std::shared_ptr<TWalk>& Walk);
  void Fire(const TNotifyEvent& Event);

  TNotifyEvent FOnFileFound;
  TNotifyEvent FOnDirectoryFound;
  TNotifyEvent FOnDirectoryDone;
  TNotifyEvent FOnSearchDone;
  String FFileFound;
  std::int32_t FFileSize = 0;
  String FInitialDirectory;
  String FFileMask;
  bool FSearchInProgress = false;
  bool FRecursive = true;
  bool FCompleted = false;
  int FUnreadableDirectories = 0;
  // The walks running, the innermost last.
  std::vector<std::shared_ptr<TWalk>> FWalks;
};

// Adds TTreeScanner and its published properties to the class registry; later calls do nothing.
void RegisterTreeScanner();
