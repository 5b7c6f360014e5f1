// The recent files kept across starts: their order and number, names that are not UTF-8, and
// settings files that cannot be read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "framework/RecentFiles.h"
#include "tests/support/TestSupport.h"

namespace {

class RecentFilesTest : public testing::Test {
protected:
  void SetUp() override {
    Dir = TestDirectory();
    std::filesystem::remove_all(Dir);
    std::filesystem::create_directories(Dir);
    Settings = (Dir / "tabrix" / "tabrix.conf").string();
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }

  static String ReadFile(const String& Path) {
    std::ifstream in(Path, std::ios::binary);
    return String(std::istreambuf_iterator<char>(in), {});
  }

  // The list a new start reads.
  std::vector<String> ReadAgain() const { return TRecentFiles(Settings).Files(); }

  std::filesystem::path Dir;
  String Settings;
};

} // namespace

TEST_F(RecentFilesTest, TheLastEightNewestFirstEachOnceKeptAcrossStartsByteForByte) {
  const String odd = "/d/caf\xE9, \"x\"=1;\n[y]\\.ini";
  {
    TRecentFiles recent(Settings);
    EXPECT_TRUE(recent.Files().empty());
    for (int i = 1; i <= 9; ++i)
      recent.Add("/d/" + std::to_string(i) + ".ini");
    recent.Add("/d/5.ini");
    recent.Add(odd);
    recent.Remove("/d/8.ini");
    EXPECT_EQ(recent.Files(),
              (std::vector<String>{odd, "/d/5.ini", "/d/9.ini", "/d/7.ini", "/d/6.ini", "/d/4.ini", "/d/3.ini"}));
  }
  EXPECT_EQ(ReadAgain(),
            (std::vector<String>{odd, "/d/5.ini", "/d/9.ini", "/d/7.ini", "/d/6.ini", "/d/4.ini", "/d/3.ini"}));
  {
    TRecentFiles recent(Settings);
    recent.Add("/d/new.ini");
    recent.Add("/d/newer.ini");
  }
  EXPECT_EQ(ReadAgain(), (std::vector<String>{"/d/newer.ini", "/d/new.ini", odd, "/d/5.ini", "/d/9.ini", "/d/7.ini",
                                              "/d/6.ini", "/d/4.ini"}));
}

TEST_F(RecentFilesTest, ASettingsFileThatIsDamagedOrUnreadableGivesNoFilesAndTheNextWriteReplacesIt) {
  const std::vector<String> damaged = {
      String("\x00\xFF\xFE garbage \x01\x02[[[=\n\x80", 20),
      "[RecentFiles\n1\\Path=2f612e696e69\nsize=1\n", // a section never closed
      "[RecentFiles]\n1\\Path=2f612e696e69\n2\\Path=not hex\nsize=2\n",
      "[RecentFiles]\n1\\Path=612e696e69\nsize=1\n",     // "a.ini", not absolute
      "[RecentFiles]\n1\\Path=2f61002e696e69\nsize=1\n", // a NUL in it
  };
  const String fresh = (Dir / "fresh.conf").string();
  TRecentFiles(fresh).Add("/x.ini");
  for (const String& bytes : damaged) {
    std::filesystem::create_directories(Dir / "tabrix");
    std::ofstream(Settings, std::ios::binary) << bytes;
    {
      TRecentFiles recent(Settings);
      EXPECT_TRUE(recent.Files().empty()) << bytes;
      recent.Add("/x.ini");
    }
    // Nothing of the damaged file is left.
    EXPECT_EQ(ReadFile(Settings), ReadFile(fresh)) << bytes;
  }
  // A folder where the file should be: nothing is read, and nothing fails.
  std::filesystem::remove(Settings);
  std::filesystem::create_directory(Settings);
  TRecentFiles recent(Settings);
  EXPECT_TRUE(recent.Files().empty());
  recent.Add("/x.ini");
  EXPECT_EQ(recent.Files(), std::vector<String>{"/x.ini"});
}
