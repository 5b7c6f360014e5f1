#pragma once
// Tells when another program changes, replaces or deletes a file.

#include <memory>

#include "framework/Classes.h"

class QTimer;

// Watches a file and its folder: a file written elsewhere and renamed over the watched one is
// a new file that a watch on the old one no longer sees, and only the folder's watch tells of
// it. Changes that come close together are told once, a tenth of a second after the first of
// them. Nothing polls the disk: all watchers share one system watch, and where the system's
// watches run out, the file goes unwatched.
class TFileWatcher : public TComponent {
public:
  explicit TFileWatcher(TComponent* AOwner);
  ~TFileWatcher() override;

  // The file watched; the empty text watches nothing.
  const String& FileName() const { return FFileName; }
  void SetFileName(const String& Value);

  // Fired after the file, or anything in its folder, has changed: compare the file with the
  // version last seen to know whether it is the file.
  TNotifyEvent OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }

private:
  // Watches the file and its folder again where a rename or a deletion ended a watch.
  void Watch();

  String FFileName;
  TNotifyEvent FOnChange;
  std::unique_ptr<QTimer> FTimer;
};
