#pragma once
// The drive chooser. A drive here is a mounted volume of a real file system, named by its
// mount point; a scan of the drive starts there.

#include <vector>

#include "framework/Controls.h"

// The drives in a mount table written as /proc/self/mountinfo is, sorted, each once, with
// octal escapes ("\040" for a space) decoded. Where several mounts share a mount point, the
// last one listed, the one in sight, decides. Left out are:
// - virtual file systems (proc, sysfs, devtmpfs, devpts, cgroup, debugfs, autofs, nsfs, ...);
// - anything mounted at or below /proc, /sys or /dev: the kernel's and devices' state;
// - tmpfs and ramfs at or below /run: runtime state (removable media under /run/media stay);
// - mount points that are files rather than directories (a bind-mounted file);
// - lines that cannot be read.
// Disk, network, FUSE and overlay file systems stay, and so does a tmpfs mounted anywhere
// else. "/" is always a drive, also when the table lacks it (unreadable, or a chroot).
std::vector<String> ParseMountPoints(const String& MountInfoText);

// The longest of MountPoints that Path lies in, on a path boundary ("/mnt/data" holds
// "/mnt/data/x" but not "/mnt/database"); empty when none does.
String VolumeRootOf(const std::vector<String>& MountPoints, const String& Path);

class TDriveComboBox : public TWinControl {
public:
  explicit TDriveComboBox(TComponent* AOwner);

  // The chosen volume's root, its mount point. It stays chosen when the volume goes away.
  const String& Drive() const { return FDrive; }
  // Chooses the listed volume that holds Path; a path in none of them changes nothing.
  void SetDrive(const String& Path);
  // Reads the mounted volumes again; done whenever the list opens. The chosen volume stays
  // chosen, and listed, even when it is no longer mounted.
  void BuildList();

  // Fired when the user chooses another drive.
  TNotifyEvent OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }

private:
  void ShowDrive();
  String FDrive;
  std::vector<String> FDrives;
  TNotifyEvent FOnChange;
};

void RegisterFileCtrlClasses();
