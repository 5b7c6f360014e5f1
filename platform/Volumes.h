#pragma once
// The mounted volumes, as the kernel's mount table (/proc/self/mountinfo) lists them, read
// with libmount.
//
// A drive is a mounted volume of a real file system, named by its mount point. A system
// directory is a directory on which a virtual file system is mounted. Where several mounts
// share a mount point, the last one listed, the one in sight, decides for both.
//
// The process's table is read in one place, CurrentVolumes, and kept: each call asks the
// kernel whether the mount table changed since it was read (its open mountinfo file polls
// with POLLPRI after a mount or an unmount) and reads it again only then, or when the
// process has moved to another mount namespace or root (the mount of "/" is another one).
// The drive box, which lists the drives whenever it opens, and the directory search, which
// asks for the system directories of each directory it reads, thus share one table.

#include <sys/types.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Whether Type names a virtual file system: one that holds the kernel's state rather than
// anybody's files (proc, sysfs, devtmpfs, devpts, cgroup, debugfs, autofs, nsfs, ...).
// tmpfs, ramfs, FUSE and overlay file systems are storage and are not virtual.
bool IsVirtualFileSystem(std::string_view Type);

// One reading of a mount table.
class TVolumeTable {
public:
  // Reads a table written as /proc/self/mountinfo is. Lines that cannot be read are passed
  // over; a file that cannot be read is a table without mounts. Mount points are looked at
  // as they are now (whether one is a directory; the directory that holds a system one).
  explicit TVolumeTable(const std::string& MountInfoPath);

  // The drives' mount points, sorted, each once, with the table's escapes ("\040" for a
  // space) decoded. Left out are:
  // - virtual file systems;
  // - anything mounted at or below /proc, /sys or /dev: the kernel's and devices' state;
  // - tmpfs and ramfs at or below /run: runtime state (removable media under /run/media stay);
  // - mount points that are files rather than directories (a bind-mounted file);
  // - mount points that are not absolute paths.
  // Disk, network, FUSE and overlay file systems stay, and so does a tmpfs mounted anywhere
  // else. "/" is always a drive, also when the table lacks it (unreadable, or a chroot).
  const std::vector<std::string>& Drives() const { return FDrives; }

  // Whether the entry Name of the directory that has the given device and inode numbers is
  // a system directory.
  bool IsSystemDirectory(dev_t Device, ino_t Inode, std::string_view Name) const;
  // Whether the entry Name of that directory is the mount point of another volume (of any
  // kind, a bind mount too), and whether any mount point bears the name Name.
  bool IsMountPoint(dev_t Device, ino_t Inode, std::string_view Name) const;
  bool HasMountPointNamed(std::string_view Name) const;

private:
  // A system directory, known by the directory that holds it and its name there, so that
  // any path that reaches the parent finds it.
  struct TSystemMount {
    dev_t ParentDevice;
    ino_t ParentInode;
    std::string Name;
  };

  std::vector<std::string> FDrives;
  std::vector<TSystemMount> FSystemMounts;
  // Every mount point but "/", known the same way.
  std::vector<TSystemMount> FMountPoints;
};

// The process's mount table, read again only when it has changed (see above). Safe to call
// from any thread; a table once returned never changes.
std::shared_ptr<const TVolumeTable> CurrentVolumes();

// The longest of MountPoints that Path lies in, on a path boundary ("/mnt/data" holds
// "/mnt/data/x" but not "/mnt/database"); empty when none does.
std::string VolumeRootOf(const std::vector<std::string>& MountPoints, const std::string& Path);
