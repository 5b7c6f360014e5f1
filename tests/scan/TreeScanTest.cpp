#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Registration.h"
#include "framework/StdCtrls.h"
#include "framework/TypInfo.h"
#include "platform/Seams.h"
#include "platform/Windows.h"
#include "scan/TreeScan.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WindowHook.h"

namespace fs = std::filesystem;

namespace {

using Events = std::vector<std::string>;

class TempDir {
public:
  TempDir() {
    std::random_device random;
    Path = (fs::temp_directory_path() / ("tabrix-scan-" + std::to_string(random()))).string();
    fs::create_directory(Path);
  }
  ~TempDir() {
    std::error_code ec;
    fs::permissions(Path, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(Path, ec); !ec && it != fs::recursive_directory_iterator(); ++it)
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(Path, ec);
  }
  // The path of an entry below the directory; with no name, the directory itself with its "/".
  std::string operator/(const std::string& Name) const { return Path + "/" + Name; }
  std::string Path;
};

void WriteFile(const std::string& Path, const std::string& Text = "") { std::ofstream(Path) << Text; }

// Restores the current directory a test changes.
class CurrentDirectoryKeeper {
public:
  ~CurrentDirectoryKeeper() { fs::current_path(FSaved); }

private:
  fs::path FSaved = fs::current_path();
};

// A scanner on a directory of its own, for "*.ini", recording every event as "D path",
// "F size path" or "E path" and checking the sender and that a directory's events carry no size.
class TreeScannerTest : public testing::Test {
protected:
  TreeScannerTest() {
    Scanner.SetInitialDirectory(Root.Path);
    Scanner.SetFileMask("*.ini");
    auto directory = [this](const char* Kind) {
      return [this, Kind](TObject* Sender) {
        EXPECT_EQ(Sender, &Scanner);
        EXPECT_EQ(Scanner.FileSize(), 0) << Scanner.FileFound();
        Seen.push_back(Kind + Scanner.FileFound());
      };
    };
    Scanner.SetOnDirectoryFound(directory("D "));
    Scanner.SetOnDirectoryDone(directory("E "));
    Scanner.SetOnFileFound([this](TObject* Sender) {
      EXPECT_EQ(Sender, &Scanner);
      Seen.push_back("F " + std::to_string(Scanner.FileSize()) + " " + Scanner.FileFound());
    });
  }

  Events Run() {
    Seen.clear();
    Scanner.StartSearch();
    return Seen;
  }
  // Makes the handler of an event do More after recording it.
  void Then(const TNotifyEvent& (TTreeScanner::*Get)() const, void (TTreeScanner::*Set)(TNotifyEvent),
            std::function<void()> More) {
    TNotifyEvent record = (Scanner.*Get)();
    (Scanner.*Set)([record, More](TObject* Sender) {
      record(Sender);
      More();
    });
  }
  // The events expected, for paths below the root.
  std::string D(const std::string& Path) const { return "D " + Root / Path; }
  std::string F(long long Size, const std::string& Path) const {
    return "F " + std::to_string(Size) + " " + Root / Path;
  }
  std::string E(const std::string& Path) const { return "E " + Root / Path; }

  // The tree of the component's documentation: b.ini and A.ini, Win holding w.ini, dos empty.
  void MakeExampleTree() {
    WriteFile(Root / "b.ini", "[b]\n");
    WriteFile(Root / "A.ini");
    WriteFile(Root / "readme.txt");
    fs::create_directory(Root / "Win");
    WriteFile(Root / "Win/w.ini", "[windows]\n");
    fs::create_directory(Root / "dos");
  }

  TempDir Root;
  TTreeScanner Scanner{nullptr};
  Events Seen;
};

} // namespace

TEST_F(TreeScannerTest, TheExampleTreeIsWalkedInSortedPreOrder) {
  MakeExampleTree();
  const Events expected{D(""),     F(0, "A.ini"),      F(4, "b.ini"),  D("dos/"),     E("dos/"),
                        D("Win/"), F(10, "Win/w.ini"), E("Win/w.ini"), E("Win/w.ini")};
  EXPECT_EQ(Run(), expected);
  EXPECT_EQ(Scanner.InitialDirectory(), Root / "") << "the separator is written back";
  EXPECT_FALSE(Scanner.SearchInProgress());
  EXPECT_EQ(Scanner.FileFound(), Root / "Win/w.ini");
  EXPECT_EQ(Scanner.FileSize(), 0);
  EXPECT_EQ(Run(), expected) << "a second walk remembers nothing of the first";

  Scanner.SetRecursive(false);
  EXPECT_EQ(Run(), (Events{D(""), F(0, "A.ini"), F(4, "b.ini"), D("dos/"), D("Win/"), E("Win/")}));
  Scanner.SetRecursive(true);
  Scanner.SetFileMask("");
  EXPECT_EQ(Run(), (Events{D(""), D("dos/"), E("dos/"), D("Win/"), E("Win/"), E("Win/")})) << "an empty mask";
}

TEST_F(TreeScannerTest, OrderIgnoresCaseButKeepsNamesThatDifferOnlyInCase) {
  for (const char* name : {"b.ini", "x.ini", "c.INI", "X.ini", "A.ini"})
    WriteFile(Root / name);
  for (const char* name : {"beta", "alpha", "Alpha"})
    fs::create_directory(Root / name);
  Scanner.SetRecursive(false);
  EXPECT_EQ(Run(), (Events{D(""), F(0, "A.ini"), F(0, "b.ini"), F(0, "c.INI"), F(0, "X.ini"), F(0, "x.ini"),
                           D("Alpha/"), D("alpha/"), D("beta/"), E("beta/")}));
}

// Hidden directories and links to directories are not walked; hidden and read-only files, and
// links to files, are reported; what is neither file nor directory is left out.
TEST_F(TreeScannerTest, HiddenDirectoriesAndDirectoryLinksAreNotWalkedAndFilesAndFileLinksAreReported) {
  fs::create_directory(Root / ".hidden");
  WriteFile(Root / ".hidden/a.ini");
  WriteFile(Root / ".h.ini");
  WriteFile(Root / "ro.ini");
  fs::permissions(Root / "ro.ini", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  WriteFile(Root / "real.txt", "abc");
  fs::create_symlink("real.txt", Root / "l.ini");
  fs::create_symlink("nowhere.ini", Root / "dangling.ini");
  fs::create_directory(Root / "sub");
  WriteFile(Root / "sub/s.ini");
  fs::create_directory_symlink("..", Root / "sub/up");
  fs::create_directory_symlink(".", Root / "self");
  fs::create_directory_symlink("sub", Root / "sublink.ini");
  EXPECT_EQ(Run(), (Events{D(""), F(0, ".h.ini"), F(3, "l.ini"), F(0, "ro.ini"), D("sub/"), F(0, "sub/s.ini"),
                           E("sub/s.ini"), E("sub/s.ini")}));
}

TEST_F(TreeScannerTest, SystemDirectoriesAreNotAnnounced) {
  Scanner.SetInitialDirectory("/");
  Scanner.SetRecursive(false);
  Events events = Run();
  EXPECT_EQ(Scanner.InitialDirectory(), "/");
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events.front(), "D /");
  EXPECT_NE(std::find(events.begin(), events.end(), "D /tmp/"), events.end());
  EXPECT_EQ(std::find(events.begin(), events.end(), "D /proc/"), events.end()) << "a virtual file system";
}

TEST_F(TreeScannerTest, SizesAreTheLow32BitsSigned) {
  for (const char* name : {"a.ini", "b.ini", "c.ini"})
    WriteFile(Root / name);
  fs::resize_file(Root / "a.ini", std::uintmax_t{1} << 31);
  fs::resize_file(Root / "b.ini", (std::uintmax_t{1} << 32) - 1);
  fs::resize_file(Root / "c.ini", (std::uintmax_t{1} << 32) + 5);
  EXPECT_EQ(Run(), (Events{D(""), F(-2147483648LL, "a.ini"), F(-1, "b.ini"), F(5, "c.ini"), E("c.ini")}));
}

TEST_F(TreeScannerTest, AnEmptyInitialDirectoryIsTheCurrentOne) {
  WriteFile(Root / "a.ini");
  CurrentDirectoryKeeper keeper;
  fs::current_path(Root.Path);
  Scanner.SetInitialDirectory("");
  EXPECT_EQ(Run(), (Events{D(""), F(0, "a.ini"), E("a.ini")}));
  EXPECT_EQ(Scanner.InitialDirectory(), Root / "");

  // A current directory that has been removed has no name; the walk stays in it.
  fs::create_directory(Root / "gone");
  fs::current_path(Root / "gone");
  fs::remove(Root / "gone");
  Scanner.SetInitialDirectory("");
  EXPECT_EQ(Run(), (Events{"D ./", "E ./"}));
  EXPECT_EQ(Scanner.InitialDirectory(), "./");
}

// A directory that goes between being listed and being entered is announced and done, empty,
// and the walk goes on; so is a start directory that does not exist.
TEST_F(TreeScannerTest, AVanishedDirectoryIsAnnouncedEmpty) {
  for (const char* name : {"a", "b", "c"})
    fs::create_directory(Root / name);
  WriteFile(Root / "b/b.ini");
  WriteFile(Root / "c/c.ini");
  Then(&TTreeScanner::OnDirectoryFound, &TTreeScanner::SetOnDirectoryFound, [this] {
    if (Scanner.FileFound() == Root / "a/") fs::remove_all(Root / "b");
  });
  EXPECT_EQ(Run(),
            (Events{D(""), D("a/"), E("a/"), D("b/"), E("b/"), D("c/"), F(0, "c/c.ini"), E("c/c.ini"), E("c/c.ini")}));
  EXPECT_EQ(Scanner.UnreadableDirectories(), 1);
  Scanner.SetInitialDirectory(Root / "missing");
  EXPECT_EQ(Run(), (Events{D("missing/"), E("missing/")}));
  EXPECT_EQ(Scanner.UnreadableDirectories(), 1);
}

// Runs as an unprivileged user, since root may read any directory: when the test finds itself
// privileged, it runs itself again in a child process under user and group 65534.
TEST_F(TreeScannerTest, ADeniedDirectoryIsAnnouncedEmpty) {
  std::error_code denied;
  {
    TempDir probe;
    fs::permissions(probe.Path, fs::perms::none);
    fs::directory_iterator(probe.Path, denied);
  }
  if (!denied) {
    if (std::system("setpriv --reuid=65534 --regid=65534 --clear-groups true >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "cannot drop privileges here";
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string command = "setpriv --reuid=65534 --regid=65534 --clear-groups " +
                          fs::read_symlink("/proc/self/exe").string() + " --gtest_filter=" + test->test_suite_name() +
                          "." + test->name() + " >" + Root / "log" + " 2>&1";
    int status = std::system(command.c_str());
    std::ifstream log(Root / "log");
    EXPECT_EQ(status, 0) << std::string(std::istreambuf_iterator<char>(log), {});
    return;
  }
  for (const char* name : {"open", "shut", "shut/inner", "zzz"})
    fs::create_directory(Root / name);
  for (const char* name : {"open/a.ini", "shut/b.ini", "zzz/c.ini"})
    WriteFile(Root / name);
  fs::permissions(Root / "shut", fs::perms::none);
  EXPECT_EQ(Run(), (Events{D(""), D("open/"), F(0, "open/a.ini"), E("open/a.ini"), D("shut/"), E("shut/"), D("zzz/"),
                           F(0, "zzz/c.ini"), E("zzz/c.ini"), E("zzz/c.ini")}));
  EXPECT_EQ(Scanner.UnreadableDirectories(), 1);
}

// Every level keeps its own lists and path, so the outer walk goes on correctly; the
// properties are shared, and the flag is a flag, not a count.
TEST_F(TreeScannerTest, AWalkStartedFromAHandlerRunsWholeAndTheOuterWalkGoesOn) {
  MakeExampleTree();
  TempDir other;
  WriteFile(other / "o.ini", "12");
  bool nested = false;
  Then(&TTreeScanner::OnFileFound, &TTreeScanner::SetOnFileFound, [&] {
    if (nested) return;
    nested = true;
    Scanner.SetInitialDirectory(other.Path);
    Scanner.StartSearch();
  });
  std::vector<bool> inProgress;
  Then(&TTreeScanner::OnDirectoryDone, &TTreeScanner::SetOnDirectoryDone,
       [&] { inProgress.push_back(Scanner.SearchInProgress()); });
  EXPECT_EQ(Run(), (Events{D(""), F(0, "A.ini"), "D " + other / "", "F 2 " + other / "o.ini", "E " + other / "o.ini",
                           F(4, "b.ini"), D("dos/"), E("dos/"), D("Win/"), F(10, "Win/w.ini"), E("Win/w.ini"),
                           E("Win/w.ini")}));
  EXPECT_EQ(inProgress, (std::vector<bool>{true, false, false, false}));
  EXPECT_EQ(Scanner.InitialDirectory(), other / "");
}

TEST_F(TreeScannerTest, AnExceptionFromAHandlerEndsTheWalkAtOnce) {
  MakeExampleTree();
  TNotifyEvent record = Scanner.OnFileFound();
  Then(&TTreeScanner::OnFileFound, &TTreeScanner::SetOnFileFound, [this] {
    if (Scanner.FileFound() == Root / "b.ini") throw std::runtime_error("stop");
  });
  EXPECT_THROW(Scanner.StartSearch(), std::runtime_error);
  EXPECT_EQ(Seen, (Events{D(""), F(0, "A.ini"), F(4, "b.ini")}));
  EXPECT_TRUE(Scanner.SearchInProgress());

  Scanner.SetOnFileFound(record);
  EXPECT_EQ(Run().size(), 9u) << "the next walk is whole";
  EXPECT_FALSE(Scanner.SearchInProgress());
}

// A directory is read when the walk gets there, after its messages and its announcement:
// a file made between two walks, by the directory's own announcement, or by a handler that
// the processing of messages runs, is reported. The tree is one directory, so that each walk
// ends with a search of the directory the next one starts with.
TEST_F(TreeScannerTest, EachDirectoryIsReadWhenTheWalkGetsThere) {
  WriteFile(Root / "a.ini");
  EXPECT_EQ(Run(), (Events{D(""), F(0, "a.ini"), E("a.ini")}));
  WriteFile(Root / "b.ini");
  EXPECT_EQ(Run(), (Events{D(""), F(0, "a.ini"), F(0, "b.ini"), E("b.ini")})) << "made between two walks";

  Then(&TTreeScanner::OnDirectoryFound, &TTreeScanner::SetOnDirectoryFound, [&] { WriteFile(Root / "c.ini"); });
  EXPECT_EQ(Run().size(), 5u) << "made by the directory's announcement";

  RegisterFrameworkClasses();
  TListBox window(nullptr);
  TWindowHook hook(window.Handle(), [&](TMessage& M) {
    if (M.Msg != WM_USER) return false;
    WriteFile(Root / "d.ini");
    return true;
  });
  PostMessageA(window.Handle(), WM_USER, 0, 0);
  EXPECT_EQ(Run().size(), 6u) << "made by a handler run from the processing of messages";
}

// A walk begun without waiting reports at the turns of the message loop exactly what the
// waiting walk reports, then says it is done; one stopped reports nothing after the stop.
TEST_F(TreeScannerTest, ABegunWalkReportsTheSameEventsAtTheTurnsOfTheMessageLoopAndStops) {
  MakeExampleTree();
  for (const char* dir : {"Win/a", "Win/b/c", "zz"})
    fs::create_directories(Root / dir);
  WriteFile(Root / "Win/b/c/deep.ini");
  const Events expected = Run();
  ASSERT_EQ(expected.size(), 18u);
  int done = 0;
  Scanner.SetOnSearchDone([&](TObject* Sender) {
    EXPECT_EQ(Sender, &Scanner);
    EXPECT_FALSE(Scanner.SearchInProgress());
    ++done;
  });
  Seen.clear();
  Scanner.BeginSearch();
  EXPECT_TRUE(Seen.empty()) << "nothing is reported before the message loop turns";
  EXPECT_TRUE(Scanner.SearchInProgress());
  EXPECT_TRUE(WaitUntil([&] { return done > 0; }));
  EXPECT_EQ(Seen, expected);

  Then(&TTreeScanner::OnDirectoryFound, &TTreeScanner::SetOnDirectoryFound, [this] {
    if (Scanner.FileFound() == Root / "Win/b/") Scanner.StopSearch();
  });
  Seen.clear();
  Scanner.BeginSearch();
  EXPECT_TRUE(WaitUntil([&] { return done > 1; }));
  WaitUntil([] { return false; }, 50);
  EXPECT_EQ(Seen, Events(expected.begin(), std::find(expected.begin(), expected.end(), D("Win/b/")) + 1));
  EXPECT_EQ(done, 2);
  EXPECT_FALSE(Scanner.SearchInProgress());

  // A stop between two turns ends the walk there and then.
  Seen.clear();
  Scanner.BeginSearch();
  Scanner.StopSearch();
  EXPECT_EQ(done, 3);
  WaitUntil([] { return false; }, 50);
  EXPECT_TRUE(Seen.empty());
}

// A tree nested past the longest path the system takes in one call is walked to the bottom,
// its files reported with their whole paths.
TEST_F(TreeScannerTest, ATreeDeeperThanTheLongestPathIsWalkedToTheBottom) {
  const std::string name(200, 'n');
  int at = open(Root.Path.c_str(), O_RDONLY | O_DIRECTORY);
  std::string path = Root / "";
  for (int level = 0; level < 30; ++level) {
    ASSERT_EQ(mkdirat(at, name.c_str(), 0755), 0);
    const int next = openat(at, name.c_str(), O_RDONLY | O_DIRECTORY);
    close(at);
    at = next;
    path += name + "/";
  }
  const int file = openat(at, "deep.ini", O_WRONLY | O_CREAT, 0644);
  ASSERT_EQ(write(file, "[s]\n", 4), 4);
  close(file);
  close(at);
  ASSERT_GT(path.size(), std::size_t{PATH_MAX});
  const Events seen = Run();
  EXPECT_EQ(std::system(("rm -rf '" + Root / name + "'").c_str()), 0);
  ASSERT_EQ(seen.size(), 63u);
  EXPECT_EQ(seen[30], "D " + path);
  EXPECT_EQ(seen[31], "F 4 " + path + "deep.ini");
}

// The threads of the process.
std::size_t ThreadCount() {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/task"), fs::directory_iterator()));
}

// The readers go ahead of the reporting, never into a hidden directory or through a link to
// one, and are gone when the walk returns; what is reported is what the tree holds.
TEST_F(TreeScannerTest, ReadersGoAheadOfTheReportingAndChangeNothing) {
  TempDir outside;
  fs::create_directory(outside / "inner");
  WriteFile(outside / "inner/o.ini");
  for (const char* dir : {"d1", "d2", "d3", "d4", "d5", "d6", "zz"}) {
    fs::create_directories(Root / dir + "/sub");
    WriteFile(Root / dir + "/x.ini", dir);
    WriteFile(Root / dir + "/sub/.y.ini");
  }
  fs::create_directories(Root / "d5/.hidden/deeper");
  fs::create_directory_symlink(outside.Path, Root / "d5/link");
  const Events expected = Run();
  ASSERT_EQ(expected.size(), 1u + 7 * 6 + 1);
  // A walk first, so that threads a runtime starts at the first thread made (a sanitizer's)
  // are there before they are counted.
  EXPECT_EQ(Run(), expected);

  const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  const int last = inotify_add_watch(watch, (Root / "zz").c_str(), IN_OPEN);
  for (const std::string& skipped : {Root / "d5/.hidden", Root / "d5/.hidden/deeper", outside.Path, outside / "inner"})
    ASSERT_GE(inotify_add_watch(watch, skipped.c_str(), IN_OPEN), 0);
  // Waits, at most Turns tenths of a second, for a directory's opening; the watches seen opened.
  std::vector<int> opened;
  auto waitForOpen = [&](int Wanted, int Turns) {
    for (int turn = 0; turn < Turns && std::find(opened.begin(), opened.end(), Wanted) == opened.end(); ++turn) {
      pollfd ready{watch, POLLIN, 0};
      poll(&ready, 1, Turns > 1 ? 100 : 0);
      alignas(inotify_event) char buffer[4096];
      for (ssize_t n = read(watch, buffer, sizeof buffer), at = 0; n > 0 && at < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        opened.push_back(event->wd);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
    return std::find(opened.begin(), opened.end(), Wanted) != opened.end();
  };
  const std::size_t threads = ThreadCount();
  bool ahead = false;
  Then(&TTreeScanner::OnDirectoryFound, &TTreeScanner::SetOnDirectoryFound, [&] {
    if (Scanner.FileFound() == Root / "d3/") ahead = waitForOpen(last, 300);
  });
  EXPECT_EQ(Run(), expected);
  EXPECT_TRUE(ahead) << "the last directory was read while the walk was in d3/";
  EXPECT_EQ(ThreadCount(), threads) << "the readers end with the walk";
  waitForOpen(-1, 1);
  opened.erase(std::remove(opened.begin(), opened.end(), last), opened.end());
  EXPECT_TRUE(opened.empty()) << "a skipped directory was read ahead";
  close(watch);
}

TEST_F(TreeScannerTest, ANewScannerHasItsDefaultsAndPublishesItsPropertiesInOrder) {
  RegisterTreeScanner();
  RegisterTreeScanner();
  const TClassInfo* info = FindClassInfo("TTreeScanner");
  ASSERT_TRUE(info && info->Create);
  std::vector<String> names;
  for (const TPropInfo& p : info->OwnProperties)
    names.push_back(p.Name);
  EXPECT_EQ(names, (std::vector<String>{"OnDirectoryFound", "OnDirectoryDone", "OnFileFound", "FileFound", "FileSize",
                                        "SearchInProgress", "InitialDirectory", "FileMask", "Recursive"}));
  std::unique_ptr<TComponent> made(info->Create(nullptr));
  auto* scanner = dynamic_cast<TTreeScanner*>(made.get());
  ASSERT_NE(scanner, nullptr);
  EXPECT_FALSE(scanner->OnFileFound() || scanner->OnDirectoryFound() || scanner->OnDirectoryDone());
  EXPECT_EQ(GetPropValue<String>(scanner, "FileFound") + GetPropValue<String>(scanner, "InitialDirectory") +
                GetPropValue<String>(scanner, "FileMask"),
            "");
  EXPECT_EQ(GetPropValue<std::int32_t>(scanner, "FileSize"), 0);
  EXPECT_FALSE(GetPropValue<bool>(scanner, "SearchInProgress"));
  EXPECT_TRUE(GetPropValue<bool>(scanner, "Recursive"));

  // Only Recursive has a default, true, which a description does not hold.
  const TPropInfo* recursive = info->FindProperty("Recursive");
  EXPECT_FALSE(recursive->Stored(scanner));
  TDescValue no;
  no.Kind = TDescValue::vaIdent;
  no.Str = "False";
  recursive->Write(scanner, no, {});
  EXPECT_FALSE(scanner->Recursive());
  EXPECT_TRUE(recursive->Stored(scanner));
  EXPECT_FALSE(info->FindProperty("FileFound")->Write) << "read-only";
}
