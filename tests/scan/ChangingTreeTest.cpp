// A tree that changes while it is walked, from the scanner's own event handlers: the walk ends,
// announces no directory and reports no file twice, enters what is there when it gets there,
// and reports nothing of what went before it got there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "scan/TreeScan.h"

namespace fs = std::filesystem;

namespace {

class ChangingTreeTest : public testing::Test {
protected:
  ChangingTreeTest() {
    std::random_device random;
    Root = fs::temp_directory_path() / ("tabrix-changing-" + std::to_string(random()));
    fs::create_directory(Root);
    Scanner.SetInitialDirectory(Root.string());
    Scanner.SetFileMask("*.ini");
    Scanner.SetOnDirectoryFound([this](TObject*) { Record("D " + Scanner.FileFound()); });
    Scanner.SetOnFileFound([this](TObject*) { Record("F " + Scanner.FileFound()); });
  }
  ~ChangingTreeTest() override {
    std::error_code ignored;
    fs::remove_all(Root, ignored);
  }

  void Record(const std::string& Event) {
    Seen.push_back(Event);
    if (OnEvent) OnEvent(Event);
  }
  void Put(const std::string& Path) {
    fs::create_directories((Root / Path).parent_path());
    std::ofstream(Root / Path) << "[s]\n";
  }
  std::string D(const std::string& Path) const { return "D " + Root.string() + "/" + Path; }
  std::string F(const std::string& Path) const { return "F " + Root.string() + "/" + Path; }

  fs::path Root;
  TTreeScanner Scanner{nullptr};
  std::vector<std::string> Seen;
  std::function<void(const std::string&)> OnEvent;
};

} // namespace

TEST_F(ChangingTreeTest, TheWalkFollowsTheTreeAsItIsWhenEachDirectoryIsListed) {
  for (const char* dir : {"a", "b", "c", "d"}) {
    Put(std::string(dir) + "/x.ini");
    Put(std::string(dir) + "/s/y.ini");
  }
  OnEvent = [this](const std::string& Event) {
    if (Event == D("b/")) {
      fs::remove_all(Root / "c");   // listed with the root, not walked yet
      Put("e/z.ini");               // after the root was listed: not walked
      Put("b/t/t.ini");             // in the directory being entered, before it is listed: walked
      fs::remove_all(Root / "b/s"); // likewise gone before it is listed
    }
    if (Event == D("d/s/")) fs::remove_all(Root / "d"); // the directory being walked, and its parent
  };
  Scanner.StartSearch();
  EXPECT_EQ(Seen,
            (std::vector<std::string>{D(""), D("a/"), F("a/x.ini"), D("a/s/"), F("a/s/y.ini"), D("b/"), F("b/x.ini"),
                                      D("b/t/"), F("b/t/t.ini"), D("c/"), D("d/"), F("d/x.ini"), D("d/s/")}));
  EXPECT_FALSE(Scanner.SearchInProgress());
}

// Every event removes, adds or moves directories somewhere in the tree, as chance has it.
TEST_F(ChangingTreeTest, ATreeChurnedAtEveryEventIsWalkedToTheEndWithoutRepeats) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    fs::remove_all(Root);
    for (const char* a : {"a", "b", "c"})
      for (const char* b : {"", "/d", "/e", "/d/f", "/e/g"})
        Put(std::string(a) + b + "/x.ini");
    std::mt19937 random(seed);
    int made = 0;
    OnEvent = [&](const std::string&) {
      std::vector<fs::path> dirs;
      for (const auto& entry : fs::recursive_directory_iterator(Root))
        if (entry.is_directory()) dirs.push_back(entry.path());
      if (dirs.empty()) return;
      const fs::path& dir = dirs[random() % dirs.size()];
      switch (random() % 3) {
      case 0: fs::remove_all(dir); break;
      case 1: Put((dir / ("n" + std::to_string(made++)) / "x.ini").lexically_relative(Root).string()); break;
      default: fs::rename(dir, dir.parent_path() / ("m" + std::to_string(made++)));
      }
    };
    Seen.clear();
    Scanner.StartSearch();
    const std::set<std::string> distinct(Seen.begin(), Seen.end());
    EXPECT_EQ(distinct.size(), Seen.size()) << "seed " << seed;
    EXPECT_EQ(Seen.front(), D("")) << "seed " << seed;
  }
}
