#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/TypInfo.h"
#include "scan/TreeScan.h"

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

// Records every event as "D path", "F size path" or "E path", checking the sender and that a
// directory's events carry no size.
void Record(TTreeScanner& Scanner, Events& Out) {
  auto directory = [&Scanner, &Out](const char* Kind) {
    return [&Scanner, &Out, Kind](TObject* Sender) {
      EXPECT_EQ(Sender, &Scanner);
      EXPECT_EQ(Scanner.FileSize(), 0) << Scanner.FileFound();
      Out.push_back(Kind + Scanner.FileFound());
    };
  };
  Scanner.SetOnDirectoryFound(directory("D "));
  Scanner.SetOnDirectoryDone(directory("E "));
  Scanner.SetOnFileFound([&Scanner, &Out](TObject* Sender) {
    EXPECT_EQ(Sender, &Scanner);
    Out.push_back("F " + std::to_string(Scanner.FileSize()) + " " + Scanner.FileFound());
  });
}

Events Walk(TTreeScanner& Scanner) {
  Events events;
  Record(Scanner, events);
  Scanner.StartSearch();
  return events;
}

Events Walk(const std::string& Dir, const String& Mask = "*.ini", bool Recursive = true) {
  TTreeScanner scanner(nullptr);
  scanner.SetInitialDirectory(Dir);
  scanner.SetFileMask(Mask);
  scanner.SetRecursive(Recursive);
  return Walk(scanner);
}

// The tree of the component's documentation: b.ini and A.ini, Win holding w.ini, dos empty.
void MakeExampleTree(const TempDir& Root) {
  WriteFile(Root / "b.ini", "[b]\n");
  WriteFile(Root / "A.ini");
  WriteFile(Root / "readme.txt");
  fs::create_directory(Root / "Win");
  WriteFile(Root / "Win/w.ini", "[windows]\n");
  fs::create_directory(Root / "dos");
}

} // namespace

TEST(TreeScanner, WalksExampleTreeInSortedPreOrder) {
  TempDir root;
  MakeExampleTree(root);
  TTreeScanner scanner(nullptr);
  scanner.SetInitialDirectory(root.Path);
  scanner.SetFileMask("*.ini");
  const Events expected{
      "D " + root / "",           "F 0 " + root / "A.ini",          "F 4 " + root / "b.ini",
      "D " + root / "dos/",       "E " + root / "dos/",             "D " + root / "Win/",
      "F 10 " + root / "Win/w.ini", "E " + root / "Win/w.ini",      "E " + root / "Win/w.ini"};
  EXPECT_EQ(Walk(scanner), expected);
  EXPECT_EQ(scanner.InitialDirectory(), root / "") << "the separator is written back";
  EXPECT_FALSE(scanner.SearchInProgress());
  EXPECT_EQ(scanner.FileFound(), root / "Win/w.ini");
  EXPECT_EQ(scanner.FileSize(), 0);
  EXPECT_EQ(Walk(scanner), expected) << "a second walk remembers nothing of the first";
}

TEST(TreeScanner, NotRecursiveAnnouncesSubdirectoriesOnly) {
  TempDir root;
  MakeExampleTree(root);
  EXPECT_EQ(Walk(root.Path, "*.ini", false),
            (Events{"D " + root / "", "F 0 " + root / "A.ini", "F 4 " + root / "b.ini", "D " + root / "dos/",
                    "D " + root / "Win/", "E " + root / "Win/"}));
}

TEST(TreeScanner, OrderIgnoresCaseButKeepsNamesThatDifferOnlyInCase) {
  TempDir root;
  for (const char* name : {"b.ini", "x.ini", "c.INI", "X.ini", "A.ini"}) WriteFile(root / name);
  for (const char* name : {"beta", "alpha", "Alpha"}) fs::create_directory(root / name);
  EXPECT_EQ(Walk(root.Path, "*.ini", false),
            (Events{"D " + root / "", "F 0 " + root / "A.ini", "F 0 " + root / "b.ini", "F 0 " + root / "c.INI",
                    "F 0 " + root / "X.ini", "F 0 " + root / "x.ini", "D " + root / "Alpha/",
                    "D " + root / "alpha/", "D " + root / "beta/", "E " + root / "beta/"}));
}

// Hidden directories and links to directories are not walked; hidden and read-only files, and
// links to files, are reported; what is neither file nor directory is left out.
TEST(TreeScanner, WhatIsWalkedAndWhatIsReported) {
  TempDir root;
  fs::create_directory(root / ".hidden");
  WriteFile(root / ".hidden/a.ini");
  WriteFile(root / ".h.ini");
  WriteFile(root / "ro.ini");
  fs::permissions(root / "ro.ini", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  WriteFile(root / "real.txt", "abc");
  fs::create_symlink("real.txt", root / "l.ini");
  fs::create_symlink("nowhere.ini", root / "dangling.ini");
  fs::create_directory(root / "sub");
  WriteFile(root / "sub/s.ini");
  fs::create_directory_symlink("..", root / "sub/up");
  fs::create_directory_symlink(".", root / "self");
  fs::create_directory_symlink("sub", root / "sublink.ini");
  EXPECT_EQ(Walk(root.Path), (Events{"D " + root / "", "F 0 " + root / ".h.ini", "F 3 " + root / "l.ini",
                                     "F 0 " + root / "ro.ini", "D " + root / "sub/", "F 0 " + root / "sub/s.ini",
                                     "E " + root / "sub/s.ini", "E " + root / "sub/s.ini"}));
}

TEST(TreeScanner, SystemDirectoriesAreNotAnnounced) {
  Events events = Walk("/", "*.none", false);
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events.front(), "D /");
  EXPECT_EQ(events.back().substr(0, 2), "E ");
  auto announced = [&](const std::string& Path) {
    return std::find(events.begin(), events.end(), "D " + Path) != events.end();
  };
  EXPECT_TRUE(announced("/tmp/"));
  EXPECT_FALSE(announced("/proc/")) << "a virtual file system";
}

TEST(TreeScanner, SizesAreTheLow32BitsSigned) {
  TempDir root;
  for (const char* name : {"a.ini", "b.ini", "c.ini"}) WriteFile(root / name);
  fs::resize_file(root / "a.ini", std::uintmax_t{1} << 31);
  fs::resize_file(root / "b.ini", (std::uintmax_t{1} << 32) - 1);
  fs::resize_file(root / "c.ini", (std::uintmax_t{1} << 32) + 5);
  EXPECT_EQ(Walk(root.Path), (Events{"D " + root / "", "F -2147483648 " + root / "a.ini", "F -1 " + root / "b.ini",
                                     "F 5 " + root / "c.ini", "E " + root / "c.ini"}));
}

TEST(TreeScanner, EmptyMaskReportsNoFilesButWalksDirectories) {
  TempDir root;
  WriteFile(root / "a.ini");
  fs::create_directory(root / "sub");
  EXPECT_EQ(Walk(root.Path, ""), (Events{"D " + root / "", "D " + root / "sub/", "E " + root / "sub/",
                                         "E " + root / "sub/"}));
}

TEST(TreeScanner, EmptyInitialDirectoryIsTheCurrentOne) {
  TempDir root;
  WriteFile(root / "a.ini");
  CurrentDirectoryKeeper keeper;
  fs::current_path(root.Path);
  TTreeScanner scanner(nullptr);
  scanner.SetFileMask("*.ini");
  EXPECT_EQ(Walk(scanner), (Events{"D " + root / "", "F 0 " + root / "a.ini", "E " + root / "a.ini"}));
  EXPECT_EQ(scanner.InitialDirectory(), root / "");

  // A current directory that has been removed has no name; the walk stays in it.
  fs::create_directory(root / "gone");
  fs::current_path(root / "gone");
  fs::remove(root / "gone");
  scanner.SetInitialDirectory("");
  EXPECT_EQ(Walk(scanner), (Events{"D ./", "E ./"}));
  EXPECT_EQ(scanner.InitialDirectory(), "./");
}

TEST(TreeScanner, MissingStartDirectoryIsAnnouncedAndDone) {
  TempDir root;
  EXPECT_EQ(Walk(root / "missing"), (Events{"D " + root / "missing/", "E " + root / "missing/"}));
}

// A directory that goes between being listed and being entered is announced and done, empty,
// and the walk goes on.
TEST(TreeScanner, VanishedDirectoryIsAnnouncedEmpty) {
  TempDir root;
  for (const char* name : {"a", "b", "c"}) fs::create_directory(root / name);
  WriteFile(root / "b/b.ini");
  WriteFile(root / "c/c.ini");
  TTreeScanner scanner(nullptr);
  scanner.SetInitialDirectory(root.Path);
  scanner.SetFileMask("*.ini");
  Events events;
  Record(scanner, events);
  auto record = scanner.OnDirectoryFound();
  scanner.SetOnDirectoryFound([&](TObject* Sender) {
    record(Sender);
    if (scanner.FileFound() == root / "a/") fs::remove_all(root / "b");
  });
  scanner.StartSearch();
  EXPECT_EQ(events, (Events{"D " + root / "", "D " + root / "a/", "E " + root / "a/", "D " + root / "b/",
                            "E " + root / "b/", "D " + root / "c/", "F 0 " + root / "c/c.ini",
                            "E " + root / "c/c.ini", "E " + root / "c/c.ini"}));
}

// Runs as an unprivileged user, since root may read any directory: when the test finds itself
// privileged, it runs itself again in a child process under user and group 65534.
TEST(TreeScanner, DeniedDirectoryIsAnnouncedEmpty) {
  TempDir root;
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
                          "." + test->name() + " >" + root / "log" + " 2>&1";
    int status = std::system(command.c_str());
    std::ifstream log(root / "log");
    EXPECT_EQ(status, 0) << std::string(std::istreambuf_iterator<char>(log), {});
    return;
  }
  fs::create_directory(root / "open");
  WriteFile(root / "open/a.ini");
  fs::create_directory(root / "shut");
  WriteFile(root / "shut/b.ini");
  fs::create_directory(root / "shut/inner");
  fs::permissions(root / "shut", fs::perms::none);
  fs::create_directory(root / "zzz");
  WriteFile(root / "zzz/c.ini");
  EXPECT_EQ(Walk(root.Path), (Events{"D " + root / "", "D " + root / "open/", "F 0 " + root / "open/a.ini",
                                     "E " + root / "open/a.ini", "D " + root / "shut/", "E " + root / "shut/",
                                     "D " + root / "zzz/", "F 0 " + root / "zzz/c.ini", "E " + root / "zzz/c.ini",
                                     "E " + root / "zzz/c.ini"}));
}

TEST(TreeScanner, PathTooLongIsAnnouncedEmpty) {
  TempDir root;
  const std::string name(200, 'd');
  int levels = 0;
  {
    CurrentDirectoryKeeper keeper;
    fs::current_path(root.Path);
    for (; root.Path.size() + levels * (name.size() + 1) < 4300; ++levels) {
      fs::create_directory(name);
      fs::current_path(name);
    }
    WriteFile("deep.ini");
  }
  fs::create_directory(root / "z");
  WriteFile(root / "z/z.ini");

  Events events = Walk(root.Path);
  ASSERT_GE(events.size(), 6u);
  EXPECT_EQ(std::find_if(events.begin(), events.end(), [](const std::string& E) { return E.find("deep.ini") != E.npos; }),
            events.end());
  // The last directory announced is the first one out of reach; the walk then goes on.
  auto last = std::find_if(events.rbegin(), events.rend(), [](const std::string& E) { return E[0] == 'D'; });
  EXPECT_EQ(*last, "D " + root / "z/");
  auto deepest = std::find_if(last + 1, events.rend(), [](const std::string& E) { return E[0] == 'D'; });
  EXPECT_EQ(*(deepest.base()), "E " + deepest->substr(2));
  EXPECT_GT(deepest->size(), 4096u);
  EXPECT_EQ(events.back(), "E " + root / "z/z.ini");

  // The files of the test go the same way they came, one level at a time.
  CurrentDirectoryKeeper keeper;
  fs::current_path(root.Path);
  for (int i = 0; i < levels; ++i) fs::current_path(name);
  fs::remove("deep.ini");
  for (int i = 0; i < levels; ++i) {
    fs::current_path("..");
    fs::remove(name);
  }
}

// Every level keeps its own lists and path, so the outer walk goes on correctly; the
// properties are shared, and the flag is a flag, not a count.
TEST(TreeScanner, NestedStartSearchFromHandler) {
  TempDir root, other;
  MakeExampleTree(root);
  WriteFile(other / "o.ini", "12");
  TTreeScanner scanner(nullptr);
  scanner.SetInitialDirectory(root.Path);
  scanner.SetFileMask("*.ini");
  Events events;
  Record(scanner, events);
  auto fileFound = scanner.OnFileFound();
  auto directoryDone = scanner.OnDirectoryDone();
  bool nested = false;
  std::vector<bool> inProgress;
  scanner.SetOnFileFound([&](TObject* Sender) {
    fileFound(Sender);
    if (nested) return;
    nested = true;
    scanner.SetInitialDirectory(other.Path);
    scanner.StartSearch();
  });
  scanner.SetOnDirectoryDone([&](TObject* Sender) {
    directoryDone(Sender);
    inProgress.push_back(scanner.SearchInProgress());
  });
  scanner.StartSearch();
  EXPECT_EQ(events, (Events{"D " + root / "", "F 0 " + root / "A.ini", "D " + other / "", "F 2 " + other / "o.ini",
                            "E " + other / "o.ini", "F 4 " + root / "b.ini", "D " + root / "dos/",
                            "E " + root / "dos/", "D " + root / "Win/", "F 10 " + root / "Win/w.ini",
                            "E " + root / "Win/w.ini", "E " + root / "Win/w.ini"}));
  EXPECT_EQ(inProgress, (std::vector<bool>{true, false, false, false}));
  EXPECT_EQ(scanner.InitialDirectory(), other / "");
}

TEST(TreeScanner, ExceptionFromHandlerLeavesAtOnce) {
  TempDir root;
  MakeExampleTree(root);
  TTreeScanner scanner(nullptr);
  scanner.SetInitialDirectory(root.Path);
  scanner.SetFileMask("*.ini");
  Events events;
  Record(scanner, events);
  auto record = scanner.OnFileFound();
  scanner.SetOnFileFound([&](TObject* Sender) {
    record(Sender);
    if (scanner.FileFound() == root / "b.ini") throw std::runtime_error("stop");
  });
  EXPECT_THROW(scanner.StartSearch(), std::runtime_error);
  EXPECT_EQ(events, (Events{"D " + root / "", "F 0 " + root / "A.ini", "F 4 " + root / "b.ini"}));
  EXPECT_TRUE(scanner.SearchInProgress());

  scanner.SetOnFileFound(record);
  events.clear();
  scanner.StartSearch();
  EXPECT_EQ(events.size(), 9u) << "the next walk is whole";
  EXPECT_FALSE(scanner.SearchInProgress());
}

TEST(TreeScanner, DefaultsAndPublishedProperties) {
  RegisterTreeScanner();
  RegisterTreeScanner();
  const TClassInfo* info = FindClassInfo("TTreeScanner");
  ASSERT_NE(info, nullptr);
  std::vector<String> names;
  for (const TPropInfo& p : info->OwnProperties) names.push_back(p.Name);
  EXPECT_EQ(names, (std::vector<String>{"OnDirectoryFound", "OnDirectoryDone", "OnFileFound", "FileFound", "FileSize",
                                        "SearchInProgress", "InitialDirectory", "FileMask", "Recursive"}));
  ASSERT_TRUE(info->Create);
  TComponent* made = info->Create(nullptr);
  auto* scanner = dynamic_cast<TTreeScanner*>(made);
  ASSERT_NE(scanner, nullptr);
  EXPECT_FALSE(scanner->OnFileFound() || scanner->OnDirectoryFound() || scanner->OnDirectoryDone());
  EXPECT_EQ(GetPropValue<String>(scanner, "FileFound"), "");
  EXPECT_EQ(GetPropValue<std::int32_t>(scanner, "FileSize"), 0);
  EXPECT_EQ(GetPropValue<String>(scanner, "InitialDirectory"), "");
  EXPECT_EQ(GetPropValue<String>(scanner, "FileMask"), "");
  EXPECT_FALSE(GetPropValue<bool>(scanner, "SearchInProgress"));
  EXPECT_TRUE(GetPropValue<bool>(scanner, "Recursive"));

  const TPropInfo* recursive = info->FindProperty("Recursive");
  EXPECT_FALSE(recursive->Stored(scanner)) << "true is the default";
  TDescValue no;
  no.Kind = TDescValue::vaIdent;
  no.Str = "False";
  recursive->Write(scanner, no, {});
  EXPECT_FALSE(scanner->Recursive());
  EXPECT_TRUE(recursive->Stored(scanner));
  EXPECT_FALSE(info->FindProperty("FileFound")->Write) << "read-only";
  delete made;
}
