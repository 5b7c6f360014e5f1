#pragma once
// The drive chooser. A drive here is a mounted volume of a real file system, named by its
// mount point (platform/Volumes.h); a scan of the drive starts there.

#include <vector>

#include "framework/Controls.h"
#include "platform/Volumes.h"

class TDriveComboBox : public TWinControl {
public:
  explicit TDriveComboBox(TComponent* AOwner);

  // The chosen volume's root, its mount point. It stays chosen when the volume goes away.
  const String& Drive() const { return FDrive; }
  // Chooses the listed volume that holds Path; a path in none of them changes nothing.
  void SetDrive(const String& Path);
  // Lists the mounted volumes as they are now (CurrentVolumes); done whenever the list opens.
  // The chosen volume stays chosen, and listed, even when it is no longer mounted.
  void BuildList();
  // The tooltip part of its hint, else "Drive".
  String AccessibleName() const override;

  // Fired when the user chooses another drive.
  TNotifyEvent OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }

  void DefaultHandler(TMessage& Message) override;

private:
  void ShowDrive();
  String FDrive;
  std::vector<String> FDrives;
  TNotifyEvent FOnChange;
};

void RegisterFileCtrlClasses();
