#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QComboBox>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "framework/FileCtrl.h"
#include "platform/FindFile.h"
#include "platform/Volumes.h"

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

class VolumesTest : public testing::Test {
protected:
  void SetUp() override {
    char name[] = "/tmp/tabrix-volumes-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    Dir = name;
  }
  void TearDown() override {
    for (auto mount = Mounted.rbegin(); mount != Mounted.rend(); ++mount)
      umount2(mount->c_str(), MNT_DETACH);
    std::error_code ignored;
    fs::remove_all(Dir, ignored);
  }

  // A table in the kernel's format, written to a file and read as the process's table is.
  Strings DrivesOf(const std::string& Table) {
    const std::string file = Dir + "/mountinfo";
    std::ofstream(file) << Table;
    return TVolumeTable(file).Drives();
  }

  // Gives the test a mount namespace of its own; false where that is not permitted.
  static bool Isolate() {
    return unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
  }
  void Mount(const std::string& Type, const std::string& Path) {
    fs::create_directories(Path);
    ASSERT_EQ(mount(Type.c_str(), Path.c_str(), Type.c_str(), 0, Type == "tmpfs" ? "size=1m" : nullptr), 0) << Path;
    Mounted.push_back(Path);
  }

  std::string Dir;
  Strings Mounted;
};

// One mount table entry in the kernel's format.
std::string Entry(const std::string& MountPoint, const std::string& Type, const std::string& Optional = "shared:1") {
  return "30 1 8:1 / " + MountPoint + " rw,relatime " + Optional + " - " + Type + " /dev/x rw\n";
}

// The subdirectories of Dir that the directory search calls system directories.
std::set<std::string> SystemDirectories(const std::string& Dir) {
  std::set<std::string> found;
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA((Dir + "/*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return found;
  do
    if (data.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) found.insert(data.cFileName);
  while (FindNextFileA(search, &data));
  FindClose(search);
  return found;
}

Strings Items(TDriveComboBox& Box) {
  auto* combo = static_cast<QComboBox*>(Box.Widget());
  Strings items;
  for (int i = 0; i < combo->count(); ++i)
    items.push_back(combo->itemText(i).toStdString());
  return items;
}

bool Contains(const Strings& List, const std::string& S) {
  return std::find(List.begin(), List.end(), S) != List.end();
}

} // namespace

TEST_F(VolumesTest, DrivesAreTheRealVolumesSortedOnceWithEscapesDecoded) {
  const std::string file = Dir + "/file";
  std::ofstream(file) << "";
  const std::string table =
      Entry("/", "overlay", "master:1") + Entry("/proc", "proc") + Entry("/proc/kcore", "tmpfs") +
      Entry("/sys", "sysfs") + Entry("/sys/fs/cgroup", "tmpfs") + Entry("/sys/fs/cgroup/cpu", "cgroup") +
      Entry("/dev", "devtmpfs") + Entry("/dev/shm", "tmpfs") + Entry("/dev/pts", "devpts") + Entry("/run", "tmpfs") +
      Entry("/run/user/1000", "tmpfs") + Entry("/run/media/ann/USB\\040STICK", "vfat", "shared:7 master:2") +
      Entry("/home", "ext4", "") + Entry("/mnt/data", "xfs") + Entry("/mnt/data", "xfs") +
      Entry("/mnt/tab\\011and\\134slash", "ext4") + Entry("/tmp", "tmpfs") + Entry("/home/ann/scratch", "tmpfs") +
      Entry("/mnt/nfs", "nfs4") + Entry("/mnt/fuse", "fuse.sshfs") + Entry("/proc/sys/fs/binfmt_misc", "binfmt_misc") +
      Entry("/mnt/auto", "autofs") + Entry("/mnt/hidden", "ext4") + Entry("/mnt/hidden", "nsfs") +
      Entry("/mnt/shown", "nsfs") + Entry("/mnt/shown", "ext4") + Entry("/srv/exports", "nfsd") + Entry(file, "ext4") +
      "garbage\n"
      "31 1 8:1 / /mnt/short\n"
      "32 1 8:1 / /mnt/noseparator rw shared:1 ext4 /dev/y rw\n"
      "33 1 8:1 / relative rw - ext4 /dev/y rw\n"
      "34 1 8:1 / /mnt/notype rw -\n";
  EXPECT_EQ(DrivesOf(table), (Strings{"/", "/home", "/home/ann/scratch", "/mnt/data", "/mnt/fuse", "/mnt/nfs",
                                      "/mnt/shown", "/mnt/tab\tand\\slash", "/run/media/ann/USB STICK", "/tmp"}));
}

TEST_F(VolumesTest, TheRootIsAlwaysADrive) {
  EXPECT_EQ(DrivesOf(""), Strings{"/"});
  EXPECT_EQ(DrivesOf(Entry("/mnt/data", "ext4")), (Strings{"/", "/mnt/data"}));
  EXPECT_EQ(TVolumeTable(Dir + "/missing").Drives(), Strings{"/"});
}

// A system directory is known by the directory that holds it and its name, whatever path
// leads there; the mount in sight decides, as for the drives.
TEST_F(VolumesTest, SystemDirectoriesAreTheMountPointsOfVirtualFileSystems) {
  const std::string table = Entry("/", "ext4") + Entry(Dir + "/kernel", "proc") + Entry(Dir + "/data", "ext4") +
                            Entry(Dir + "/covered", "sysfs") + Entry(Dir + "/covered", "tmpfs") +
                            Entry(Dir + "/uncovered", "tmpfs") + Entry(Dir + "/uncovered", "cgroup2") +
                            Entry(Dir + "/a\\040b", "debugfs");
  std::ofstream(Dir + "/mountinfo") << table;
  fs::create_directory(Dir + "/inner");
  const TVolumeTable volumes(Dir + "/mountinfo");
  struct stat dir, inner;
  ASSERT_EQ(stat((Dir + "/inner/..").c_str(), &dir), 0);
  ASSERT_EQ(stat((Dir + "/inner").c_str(), &inner), 0);
  for (const char* name : {"kernel", "uncovered", "a b"})
    EXPECT_TRUE(volumes.IsSystemDirectory(dir.st_dev, dir.st_ino, name)) << name;
  for (const char* name : {"data", "covered", "a\\040b", "inner", "Kernel"})
    EXPECT_FALSE(volumes.IsSystemDirectory(dir.st_dev, dir.st_ino, name)) << name;
  EXPECT_FALSE(volumes.IsSystemDirectory(inner.st_dev, inner.st_ino, "kernel"));
  EXPECT_EQ(volumes.Drives(), (Strings{"/", Dir + "/covered", Dir + "/data"}));
}

TEST_F(VolumesTest, APathBelongsToTheLongestMountPointOnAPathBoundary) {
  const Strings mounts{"/", "/mnt/data", "/mnt/data/sub", "/home"};
  EXPECT_EQ(VolumeRootOf(mounts, "/mnt/data/x/y.ini"), "/mnt/data");
  EXPECT_EQ(VolumeRootOf(mounts, "/mnt/data"), "/mnt/data");
  EXPECT_EQ(VolumeRootOf(mounts, "/mnt/data/"), "/mnt/data");
  EXPECT_EQ(VolumeRootOf(mounts, "/mnt/data/sub/z"), "/mnt/data/sub");
  EXPECT_EQ(VolumeRootOf(mounts, "/mnt/database"), "/");
  EXPECT_EQ(VolumeRootOf(mounts, "/etc"), "/");
  EXPECT_EQ(VolumeRootOf(mounts, "/"), "/");
  EXPECT_EQ(VolumeRootOf(mounts, "relative/path"), "");
  EXPECT_EQ(VolumeRootOf(mounts, ""), "");
  EXPECT_EQ(VolumeRootOf({"/mnt/data"}, "/etc"), "");
}

// The process's table is kept while the kernel reports no change, read again after a mount
// or an unmount, and after a move to another mount namespace, whose mounts the old table
// cannot know.
TEST_F(VolumesTest, TheTableIsReadAgainOnlyWhenTheMountsChange) {
  const auto before = CurrentVolumes();
  if (!Isolate()) GTEST_SKIP() << "no mount namespace of our own here";
  const auto isolated = CurrentVolumes();
  EXPECT_NE(isolated, before);
  EXPECT_EQ(CurrentVolumes(), isolated);

  Mount("tmpfs", Dir + "/vol");
  const auto mounted = CurrentVolumes();
  EXPECT_NE(mounted, isolated);
  EXPECT_TRUE(Contains(mounted->Drives(), Dir + "/vol"));
  EXPECT_FALSE(Contains(isolated->Drives(), Dir + "/vol")) << "a table once returned never changes";
  EXPECT_EQ(CurrentVolumes(), mounted);

  ASSERT_EQ(umount2((Dir + "/vol").c_str(), MNT_DETACH), 0);
  Mounted.clear();
  EXPECT_FALSE(Contains(CurrentVolumes()->Drives(), Dir + "/vol"));
}

// The drive box and the directory search read one table: a mount is a drive exactly when
// it is not a system directory, also when another mount hides it or goes away from over it.
TEST_F(VolumesTest, TheDriveBoxAndTheDirectorySearchAgreeOnWhatIsVirtual) {
  if (!Isolate()) GTEST_SKIP() << "no mount namespace of our own here";
  Mount("tmpfs", Dir + "/data");
  Mount("proc", Dir + "/kernel");
  Mount("tmpfs", Dir + "/covered");
  Mount("proc", Dir + "/covered");
  TDriveComboBox box(nullptr);
  auto drives = Items(box);
  EXPECT_TRUE(Contains(drives, Dir + "/data"));
  EXPECT_FALSE(Contains(drives, Dir + "/kernel"));
  EXPECT_FALSE(Contains(drives, Dir + "/covered"));
  EXPECT_EQ(SystemDirectories(Dir), (std::set<std::string>{"covered", "kernel"}));

  ASSERT_EQ(umount2((Dir + "/covered").c_str(), MNT_DETACH), 0);
  Mounted.pop_back();
  EXPECT_EQ(SystemDirectories(Dir), std::set<std::string>{"kernel"});
  box.BuildList();
  drives = Items(box);
  EXPECT_TRUE(Contains(drives, Dir + "/covered"));
  EXPECT_FALSE(Contains(drives, Dir + "/kernel"));
}
