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

// A save that creates a file, also the target of a dangling link, leaves nothing behind.
TEST_F(FullVolumeTest, AFileThatCannotBeCreatedLeavesNothing) {
  ASSERT_EQ(symlink("target.ini", (Volume + "/link.ini").c_str()), 0);
  Fill();
  EXPECT_EQ(WriteWholeFile(Volume + "/new.ini", New), ENOSPC);
  EXPECT_EQ(WriteWholeFile(Volume + "/link.ini", New), ENOSPC);
  EXPECT_EQ(Names(), (std::set<std::string>{"filler", "link.ini"}));
}
