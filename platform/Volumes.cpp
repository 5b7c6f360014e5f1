#include "platform/Volumes.h"

#include <fcntl.h>
#include <libmount.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <mutex>

namespace {

bool IsWithin(std::string_view Path, std::string_view Root) {
  if (Root == "/") return !Path.empty() && Path[0] == '/';
  return Path.starts_with(Root) && (Path.size() == Root.size() || Path[Root.size()] == '/');
}

// Looks at Path without waiting for a network volume's fresh attributes and without
// mounting an automount point; false when it cannot be looked at.
bool LookAt(const std::string& Path, unsigned Mask, struct statx& Info) {
  return statx(AT_FDCWD, Path.c_str(), AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC, Mask, &Info) == 0 &&
         (Info.stx_mask & Mask) == Mask;
}

bool IsDrive(const std::string& MountPoint, const std::string& Type) {
  if (IsVirtualFileSystem(Type)) return false;
  for (const char* system : {"/proc", "/sys", "/dev"})
    if (IsWithin(MountPoint, system)) return false;
  if ((Type == "tmpfs" || Type == "ramfs") && IsWithin(MountPoint, "/run")) return false;
  struct statx info;
  return !LookAt(MountPoint, STATX_TYPE, info) || S_ISDIR(info.stx_mode);
}

// The mount point -> file system type of every mount in the table at Path; a later mount
// on the same point replaces the earlier one in the map, as it hides it on the disk.
std::map<std::string, std::string> ReadMounts(const std::string& Path) {
  std::map<std::string, std::string> mounts;
  libmnt_table* table = mnt_new_table();
  if (!table) return mounts;
  // A table only partly read still gives the mounts it holds.
  mnt_table_parse_file(table, Path.c_str());
  if (libmnt_iter* iter = mnt_new_iter(MNT_ITER_FORWARD)) {
    libmnt_fs* fs;
    while (mnt_table_next_fs(table, iter, &fs) == 0) {
      const char* target = mnt_fs_get_target(fs);
      const char* type = mnt_fs_get_fstype(fs);
      if (target && type && target[0] == '/') mounts[target] = type;
    }
    mnt_free_iter(iter);
  }
  mnt_unref_table(table);
  return mounts;
}

// The mount ID of the process's root: another one after a move to another mount namespace
// (whose mounts are all new) or root; 0 when it cannot be learnt.
std::uint64_t RootMountId() {
  struct statx info;
  return LookAt("/", STATX_MNT_ID, info) ? info.stx_mnt_id : 0;
}

} // namespace

bool IsVirtualFileSystem(std::string_view Type) {
  // Sorted, for the binary search.
  static constexpr std::string_view names[] = {
      "autofs",   "binfmt_misc", "bpf",        "cgroup",    "cgroup2", "configfs", "debugfs", "devpts",
      "devtmpfs", "efivarfs",    "fusectl",    "hugetlbfs", "mqueue",  "nfsd",     "nsfs",    "proc",
      "pstore",   "rpc_pipefs",  "securityfs", "selinuxfs", "sysfs",   "tracefs"};
  return std::binary_search(std::begin(names), std::end(names), Type);
}

TVolumeTable::TVolumeTable(const std::string& MountInfoPath) {
  for (const auto& [point, type] : ReadMounts(MountInfoPath)) {
    if (IsDrive(point, type)) FDrives.push_back(point);
    if (point == "/") continue;
    const std::size_t slash = point.rfind('/');
    struct statx parent;
    if (!LookAt(slash == 0 ? "/" : point.substr(0, slash), STATX_INO, parent)) continue;
    const TSystemMount mount{makedev(parent.stx_dev_major, parent.stx_dev_minor), parent.stx_ino,
                             point.substr(slash + 1)};
    FMountPoints.push_back(mount);
    if (IsVirtualFileSystem(type)) FSystemMounts.push_back(mount);
  }
  if (FDrives.empty() || FDrives.front() != "/") FDrives.insert(FDrives.begin(), "/");
}

bool TVolumeTable::IsSystemDirectory(dev_t Device, ino_t Inode, std::string_view Name) const {
  for (const TSystemMount& mount : FSystemMounts)
    if (mount.ParentInode == Inode && mount.ParentDevice == Device && mount.Name == Name) return true;
  return false;
}

bool TVolumeTable::IsMountPoint(dev_t Device, ino_t Inode, std::string_view Name) const {
  for (const TSystemMount& mount : FMountPoints)
    if (mount.ParentInode == Inode && mount.ParentDevice == Device && mount.Name == Name) return true;
  return false;
}

bool TVolumeTable::HasMountPointNamed(std::string_view Name) const {
  for (const TSystemMount& mount : FMountPoints)
    if (mount.Name == Name) return true;
  return false;
}

std::shared_ptr<const TVolumeTable> CurrentVolumes() {
  static constexpr const char* path = "/proc/self/mountinfo";
  static std::mutex lock;
  // The table, the mountinfo file it was read through, kept open to be polled, and the
  // mount of the root it was read under.
  static std::shared_ptr<const TVolumeTable> table;
  static int watch = -1;
  static std::uint64_t root = 0;

  std::lock_guard guard(lock);
  const std::uint64_t rootNow = RootMountId();
  if (watch < 0 || rootNow != root) {
    if (watch >= 0) close(watch);
    // Opened before the table is read, so that a change made meanwhile is reported.
    watch = open(path, O_RDONLY | O_CLOEXEC);
    root = rootNow;
    table.reset();
  }
  pollfd change{watch, POLLPRI, 0};
  // The poll reports a change once; a file that could not be opened reports one each time.
  if (!table || watch < 0 || poll(&change, 1, 0) != 0) table = std::make_shared<const TVolumeTable>(path);
  return table;
}

std::string VolumeRootOf(const std::vector<std::string>& MountPoints, const std::string& Path) {
  std::string best;
  for (const std::string& mountPoint : MountPoints)
    if (mountPoint.size() > best.size() && IsWithin(Path, mountPoint)) best = mountPoint;
  return best;
}
