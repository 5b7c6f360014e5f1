#pragma once
// A non-visual component that walks a directory tree depth first, announcing each directory
// and reporting the files in it that match a wildcard mask, in sorted order.

#include <cstdint>

#include "framework/Classes.h"

class TTreeScanner : public TComponent {
public:
  explicit TTreeScanner(TComponent* AOwner);

  // Walks the whole tree below InitialDirectory and returns when it has been reported. The
  // application's pending messages are processed once for every directory entered.
  void StartSearch();
  // Ends the running walk at once: no event of it follows. Does nothing when none runs.
  void StopSearch();

  const TNotifyEvent& OnFileFound() const { return FOnFileFound; }
  void SetOnFileFound(TNotifyEvent Value) { FOnFileFound = std::move(Value); }
  const TNotifyEvent& OnDirectoryFound() const { return FOnDirectoryFound; }
  void SetOnDirectoryFound(TNotifyEvent Value) { FOnDirectoryFound = std::move(Value); }
  const TNotifyEvent& OnDirectoryDone() const { return FOnDirectoryDone; }
  void SetOnDirectoryDone(TNotifyEvent Value) { FOnDirectoryDone = std::move(Value); }
  // The path being reported: a directory's ends in "/".
  const String& FileFound() const { return FFileFound; }
  // The size of the file being reported, its low 32 bits read as signed; 0 for a directory.
  std::int32_t FileSize() const { return FFileSize; }
  const String& InitialDirectory() const { return FInitialDirectory; }
  void SetInitialDirectory(const String& Value) { FInitialDirectory = Value; }
  const String& FileMask() const { return FFileMask; }
  void SetFileMask(const String& Value) { FFileMask = Value; }
  bool SearchInProgress() const { return FSearchInProgress; }
  bool Recursive() const { return FRecursive; }
  void SetRecursive(bool Value) { FRecursive = Value; }

private:
  void SearchDirectory(String Dir);
  void Fire(const TNotifyEvent& Event);

  TNotifyEvent FOnFileFound;
  TNotifyEvent FOnDirectoryFound;
  TNotifyEvent FOnDirectoryDone;
  String FFileFound;
  std::int32_t FFileSize = 0;
  String FInitialDirectory;
  String FFileMask;
  bool FSearchInProgress = false;
  bool FRecursive = true;
  bool FStopRequested = false;
};

// Adds TTreeScanner and its published properties to the class registry; later calls do nothing.
void RegisterTreeScanner();
