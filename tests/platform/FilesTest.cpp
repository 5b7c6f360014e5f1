#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>

#include "framework/TextFile.h"
#include "platform/Files.h"
#include "tests/support/FaultSupport.h"

namespace fs = std::filesystem;

namespace {

// A small volume of the test's own, in a mount namespace of its own, filled up to the last
// byte after the files a test puts on it first.
class FullVolumeTest : public testing::Test {
protected:
  void SetUp() override {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
      GTEST_SKIP() << "no mount namespace of our own here";
    char name[] = "/tmp/tabrix-full-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    Dir = name;
    ASSERT_EQ(chmod(Dir.c_str(), 0755), 0);
    Volume = Dir + "/vol";
    fs::create_directory(Volume);
    ASSERT_EQ(mount("tmpfs", Volume.c_str(), "tmpfs", 0, "size=256k"), 0);
  }
  void TearDown() override {
    if (Volume.empty()) return;
    umount2(Volume.c_str(), MNT_DETACH);
    std::error_code ignored;
    fs::remove_all(Dir, ignored);
  }

  void Put(const std::string& Name, const std::string& Bytes) {
    std::ofstream(Volume + "/" + Name, std::ios::binary) << Bytes;
    ASSERT_EQ(FileBytes(Volume + "/" + Name), Bytes);
  }
  void Fill() {
    const int fd = open((Volume + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'f');
    while (write(fd, block.data(), block.size()) > 0) {
    }
    EXPECT_EQ(errno, ENOSPC);
    close(fd);
  }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(Volume))
      names.insert(entry.path().filename().string());
    return names;
  }

  std::string Dir, Volume;
  // Old text of a few blocks, new text of many more.
  const std::string Old = std::string(3 * 4096, 'o') + "\r\n", New = std::string(16 * 4096, 'n') + "\r\n";
};

} // namespace

TEST_F(FullVolumeTest, AReplacedFileStaysWhole) {
  Put("a.ini", Old);
  Fill();
  EXPECT_EQ(WriteWholeFile(Volume + "/a.ini", New), ENOSPC);
  EXPECT_EQ(FileBytes(Volume + "/a.ini"), Old);
  EXPECT_EQ(Names(), (std::set<std::string>{"a.ini", "filler"})) << "no temporary file is left";
}

// A file with another name must be written in place, and is not touched without the space
// for all of the new text.
TEST_F(FullVolumeTest, AHardLinkedFileStaysWholeAndShrinksInPlace) {
  Put("a.ini", Old);
  ASSERT_EQ(link((Volume + "/a.ini").c_str(), (Volume + "/b.ini").c_str()), 0);
  Fill();
  EXPECT_EQ(WriteWholeFile(Volume + "/a.ini", New), ENOSPC);
  EXPECT_EQ(FileBytes(Volume + "/a.ini"), Old);
  EXPECT_EQ(FileBytes(Volume + "/b.ini"), Old);
  // The editor's save says why.
  try {
    WriteTextFile(Volume + "/a.ini", New, TTextFormat{});
    ADD_FAILURE() << "saved on a full volume";
  } catch (const EFCreateError& Error) {
    EXPECT_EQ(Error.Message(), "Cannot create file " + Volume + "/a.ini: " + std::strerror(ENOSPC));
  }
  EXPECT_EQ(FileBytes(Volume + "/a.ini"), Old);

  // Shorter text needs no space the file does not have.
  EXPECT_EQ(WriteWholeFile(Volume + "/b.ini", "short\r\n"), 0);
  EXPECT_EQ(FileBytes(Volume + "/a.ini"), "short\r\n");
  EXPECT_EQ(Names(), (std::set<std::string>{"a.ini", "b.ini", "filler"}));
}

// A directory that takes no new file from its user: the file must be written in place.
TEST_F(FullVolumeTest, AFileInADirectoryThatTakesNoNewFileStaysWhole) {
  Put("a.ini", Old);
  ASSERT_EQ(chown((Volume + "/a.ini").c_str(), Nobody, Nobody), 0);
  ASSERT_EQ(chmod(Volume.c_str(), 0555), 0);
  Fill();
  const std::string path = Volume + "/a.ini", next = std::string(4096, 'x');
  EXPECT_EQ(RunAsNobody([&] { return WriteWholeFile(path, New); }), ENOSPC);
  EXPECT_EQ(FileBytes(path), Old);
  // The same file takes text that fits where it is.
  EXPECT_EQ(RunAsNobody([&] { return WriteWholeFile(path, next); }), 0);
  EXPECT_EQ(FileBytes(path), next);
  EXPECT_EQ(Names(), (std::set<std::string>{"a.ini", "filler"}));
}

// A save that creates a file leaves nothing behind; one through a dangling link is refused.
TEST_F(FullVolumeTest, AFileThatCannotBeCreatedLeavesNothing) {
  ASSERT_EQ(symlink("target.ini", (Volume + "/link.ini").c_str()), 0);
  Fill();
  EXPECT_EQ(WriteWholeFile(Volume + "/new.ini", New), ENOSPC);
  EXPECT_EQ(WriteWholeFile(Volume + "/link.ini", New), feDanglingLink);
  EXPECT_EQ(Names(), (std::set<std::string>{"filler", "link.ini"}));
}

namespace {

// What a shell command prints.
std::string Output(const std::string& Command) {
  std::string out;
  if (FILE* pipe = popen(Command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
      out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

std::set<std::string> NamesIn(const std::string& Dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(Dir))
    names.insert(entry.path().filename().string());
  return names;
}

ino_t InodeOf(const std::string& Path) {
  struct stat st {};
  stat(Path.c_str(), &st);
  return st.st_ino;
}

} // namespace

// A dotfile manager's link: the save writes where the link leads now, and the link stays.
TEST(SaveTest, ASaveThroughASymbolicLinkWritesItsTargetAndKeepsTheLink) {
  TPrivateVolume volume;
  if (!volume.Ready()) GTEST_SKIP() << "no mount namespace of our own here";
  fs::create_directory(volume / "repo");
  fs::create_directory(volume / "config");
  volume.Put("repo/app.ini", "old\r\n");
  const std::string link = volume / "config/app.ini", target = volume / "repo/app.ini";
  ASSERT_EQ(symlink("../repo/app.ini", link.c_str()), 0);

  EXPECT_EQ(WriteWholeFile(link, "new\r\n"), 0);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::read_symlink(link), "../repo/app.ini");
  EXPECT_EQ(FileBytes(target), "new\r\n");
  EXPECT_EQ(NamesIn(volume / "repo"), (std::set<std::string>{"app.ini"}));
  EXPECT_EQ(NamesIn(volume / "config"), (std::set<std::string>{"app.ini"}));

  // The target's directory takes no new file from its user: the target is written in place.
  ASSERT_EQ(chown(target.c_str(), Nobody, Nobody), 0);
  ASSERT_EQ(chmod((volume / "repo").c_str(), 0555), 0);
  const ino_t inode = InodeOf(target);
  EXPECT_EQ(RunAsNobody([&] { return WriteWholeFile(link, "newer, and longer\r\n"); }), 0);
  EXPECT_EQ(FileBytes(target), "newer, and longer\r\n");
  EXPECT_EQ(InodeOf(target), inode);
  EXPECT_TRUE(fs::is_symlink(link));

  // A link whose file has gone is refused, and nothing is created where it leads.
  ASSERT_EQ(chmod((volume / "repo").c_str(), 0755), 0);
  ASSERT_EQ(unlink(target.c_str()), 0);
  EXPECT_EQ(WriteWholeFile(link, "lost\r\n"), feDanglingLink);
  EXPECT_TRUE(fs::is_empty(volume / "repo"));
  EXPECT_TRUE(fs::is_symlink(link));
}

// The replaced file keeps its owner, bits, extended attributes and ACL; its times are new.
TEST(SaveTest, ASaveKeepsOwnerBitsAttributesAndAcl) {
  TPrivateVolume volume;
  if (!volume.Ready()) GTEST_SKIP() << "no mount namespace of our own here";
  const std::string path = volume / "a.ini";
  volume.Put("a.ini", "old\r\n");
  ASSERT_EQ(chown(path.c_str(), 1234, 4321), 0);
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_EQ(std::system(("setfattr -n user.origin -v dotfiles " + path + " && setfattr -n security.note -v kept " +
                         path + " && setfacl -m u:nobody:rw-,g:nogroup:r-- " + path + " && touch -d 2001-01-01 " + path)
                            .c_str()),
            0);
  const std::string show = "getfattr --absolute-names -d -m - " + path + "; getfacl --absolute-names " + path +
                           "; stat -c '%a %u %g' " + path;
  const std::string before = Output(show);
  ASSERT_NE(before.find("user.origin=\"dotfiles\""), std::string::npos) << before;
  ASSERT_NE(before.find("user:nobody:rw-"), std::string::npos) << before;
  const ino_t inode = InodeOf(path);

  EXPECT_EQ(WriteWholeFile(path, "new\r\n"), 0);
  EXPECT_EQ(FileBytes(path), "new\r\n");
  EXPECT_NE(InodeOf(path), inode) << "replaced, not written in place";
  EXPECT_EQ(Output(show), before);
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_GT(st.st_mtime, time(nullptr) - 60);
  EXPECT_EQ(volume.Names(), (std::set<std::string>{"a.ini"}));
}

// No inode for a temporary file, but space enough: the file is written in place.
TEST(SaveTest, AVolumeWithoutFreeInodesTakesTheSaveInPlace) {
  TPrivateVolume volume("256k", ",nr_inodes=8");
  if (!volume.Ready()) GTEST_SKIP() << "no mount namespace of our own here";
  volume.Put("a.ini", "old\r\n");
  int taken = 0;
  for (int fd; taken < 100 && (fd = open((volume / std::to_string(taken)).c_str(), O_CREAT | O_WRONLY, 0644)) >= 0;
       ++taken)
    close(fd);
  ASSERT_EQ(errno, ENOSPC);
  const std::set<std::string> names = volume.Names();
  const std::string New = std::string(8192, 'n') + "\r\n";
  EXPECT_EQ(WriteWholeFile(volume / "a.ini", New), 0);
  EXPECT_EQ(FileBytes(volume / "a.ini"), New);
  EXPECT_EQ(volume.Names(), names);
}
