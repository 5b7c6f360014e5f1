#include <sys/mount.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <cstdio>
#include <sched.h>

#include "framework/Thread.h"
#include "tests/app/MainFormTestSupport.h"

namespace {

// Each scan test gets volumes of its own: tmpfs mounts in a mount namespace of the test program.
class ScanTest : public MainFormTest {
protected:
  void SetUp() override {
    MainFormTest::SetUp();
    static const bool isolated =
        unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    if (!isolated) GTEST_SKIP() << "no mount namespace of our own here";
    Volume = MakeVolume("vol");
  }

  void TearDown() override {
    for (const String& v : Mounted)
      umount2(v.c_str(), MNT_DETACH);
    MainFormTest::TearDown();
  }

  String MakeVolume(const String& Name) {
    String path = (Dir / Name).string();
    std::filesystem::create_directories(path);
    EXPECT_EQ(mount("tmpfs", path.c_str(), "tmpfs", 0, "size=4m"), 0);
    Mounted.push_back(path);
    return path;
  }

  void Put(const String& Path) {
    std::filesystem::create_directories(std::filesystem::path(Path).parent_path());
    std::ofstream(Path) << "[section]\r\n";
  }

  void Choose(const String& Path) {
    MainForm->DS1->BuildList();
    MainForm->DS1->SetDrive(Path);
    ASSERT_EQ(MainForm->DS1->Drive(), Path);
  }

  static std::vector<String> Listed() {
    std::vector<String> items;
    for (int i = 0; i < MainForm->LLB1->Items()->Count(); ++i)
      items.push_back(MainForm->LLB1->Items()->Strings(i));
    return items;
  }

  // What GNU find reports for the volume, hidden directories left out.
  static std::vector<String> Find(const String& Root, const String& Pattern) {
    String command = "find '" + Root + "' -mindepth 1 -name '.*' -prune -o -iname '" + Pattern + "' -type f -print";
    std::vector<String> found;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char line[4096];
      while (fgets(line, sizeof line, pipe)) {
        String s(line);
        if (!s.empty() && s.back() == '\n') s.pop_back();
        found.push_back(s);
      }
      pclose(pipe);
    }
    std::sort(found.begin(), found.end());
    return found;
  }

  // Presses Scan and waits for the scan to end.
  static void Scan() {
    MainForm->ScanButton->Click();
    EXPECT_TRUE(WaitUntil([] { return !MainForm->ScanLed->LedOn(); }));
  }

  // Runs Action once, the first time the scan enters a directory.
  void DuringTheScan(std::function<void()> Action) {
    auto done = std::make_shared<bool>(false);
    MainForm->TS1->SetOnDirectoryFound([Action, done](TObject*) {
      if (*done) return;
      *done = true;
      Action();
    });
  }

  String Volume;
  std::vector<String> Mounted;
};

} // namespace

TEST_F(ScanTest, ListsEveryIniFileOfTheDriveInScanOrderAndLeavesHiddenDirectoriesOut) {
  for (const char* f : {"/b.ini", "/A.ini", "/c.INI", "/notes.txt", "/Win/w.ini", "/dos/x.inf", "/.cache/hidden.ini",
                        "/Win/.hid/h.ini", "/Win/sys/deep.Ini"})
    Put(Volume + f);
  Choose(Volume);
  MainForm->LLB1->Items()->Add("left over from before");
  Scan();
  const String v = Volume;
  EXPECT_EQ(Listed(),
            (std::vector<String>{v + "/A.ini", v + "/b.ini", v + "/c.INI", v + "/Win/w.ini", v + "/Win/sys/deep.Ini"}));
  std::vector<String> sorted = Listed();
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, Find(Volume, "*.ini"));
  EXPECT_EQ(MainForm->SB1->SimpleText(), "Scan Complete..");
  EXPECT_EQ(MainForm->SB1->Font()->Color(), clNavy);
  EXPECT_FALSE(MainForm->ScanLed->LedOn());
}

// With INF ticked the tree is walked once; the list holds every INI entry before every INF
// entry, and the status line reads as for two passes, the INF text while the INF files are listed.
TEST_F(ScanTest, WithInfTickedOneWalkListsEveryIniEntryBeforeEveryInfEntry) {
  for (const char* f : {"/z.inf", "/a/one.ini", "/a/two.INF", "/a/three.ink", "/b/three.ini"})
    Put(Volume + f);
  Choose(Volume);
  MainForm->IncludeINF->SetChecked(true);
  int walks = 0;
  MainForm->TS1->SetOnDirectoryFound([&](TObject*) {
    walks += MainForm->TS1->FileFound() == Volume + "/";
    EXPECT_EQ(MainForm->SB1->Font()->Color(), clRed);
  });
  // What the status line says, and how long the list is, whenever either changes; looked at
  // each turn of the message loop.
  std::vector<String> texts;
  std::function<void()> look = [&] {
    const String now = std::to_string(MainForm->LLB1->Items()->Count()) + " " + MainForm->SB1->SimpleText();
    if (texts.empty() || texts.back() != now) texts.push_back(now);
    if (MainForm->SB1->SimpleText() != "Scan Complete..") TThread::Queue(look);
  };
  TThread::Queue(look);
  // The lamp is lit across both passes and goes out only once the end is written.
  std::vector<String> switches;
  MainForm->ScanLed->SetOnLedStateChanged([&](TObject*, bool On, std::int32_t) {
    switches.push_back((On ? "on, " : "off, ") + MainForm->SB1->SimpleText());
  });
  MainForm->ScanButton->Click();
  EXPECT_TRUE(WaitUntil([] { return !MainForm->ScanLed->LedOn(); }));
  const String v = Volume;
  EXPECT_EQ(walks, 1);
  EXPECT_EQ(switches, (std::vector<String>{"on, ", "off, Scan Complete.."}));
  EXPECT_EQ(Listed(), (std::vector<String>{v + "/a/one.ini", v + "/b/three.ini", v + "/z.inf", v + "/a/two.INF"}));
  EXPECT_TRUE(WaitUntil([&] { return texts.back().ends_with("Scan Complete.."); }));
  // Every INI file is listed before the INF text shows, and every INF file after it.
  EXPECT_EQ(texts.front(), "0 Scanning system for INI files.. Please Wait");
  EXPECT_NE(std::find(texts.begin(), texts.end(), "2 Scanning system for INF files.. Please Wait"), texts.end());
  EXPECT_EQ(texts.back(), "4 Scan Complete..");
  for (const String& text : texts)
    EXPECT_TRUE(text.ends_with(text[0] <= '2' ? "Please Wait" : "Scan Complete..")) << text;

  // Without the tick a second scan lists the INI files only, from an empty list.
  MainForm->IncludeINF->SetChecked(false);
  Scan();
  EXPECT_EQ(Listed(), (std::vector<String>{v + "/a/one.ini", v + "/b/three.ini"}));
}

// The drive is read once, when Scan is pressed; the scan stays on it and enters no other
// volume mounted in it (each is a drive of its own), nor a bind mount that would loop.
TEST_F(ScanTest, AScanStaysOnTheDriveChosenWhenScanWasPressed) {
  String other = MakeVolume("other");
  String inner = MakeVolume("vol/inner");
  std::filesystem::create_directories(Volume + "/loop");
  ASSERT_EQ(mount(Volume.c_str(), (Volume + "/loop").c_str(), nullptr, MS_BIND, nullptr), 0);
  Mounted.insert(Mounted.begin(), Volume + "/loop");
  for (const String& file : {Volume + "/first.ini", Volume + "/first.inf", Volume + "/a/in.ini", inner + "/inner.ini",
                             other + "/second.ini", other + "/second.inf"})
    Put(file);
  Choose(Volume);
  MainForm->IncludeINF->SetChecked(true);
  DuringTheScan([&] {
    MainForm->DS1->BuildList();
    MainForm->DS1->SetDrive(other);
  });
  Scan();
  EXPECT_EQ(Listed(), (std::vector<String>{Volume + "/first.ini", Volume + "/a/in.ini", Volume + "/first.inf"}));
  MainForm->TS1->SetOnDirectoryFound(nullptr);
  Choose(inner);
  Scan();
  EXPECT_EQ(Listed(), (std::vector<String>{inner + "/inner.ini"}));
}

// Directories that could not be read (here gone before the scan got there) are counted.
TEST_F(ScanTest, TheEndSaysHowManyDirectoriesCouldNotBeRead) {
  for (const char* f : {"/a/1.ini", "/b/2.ini", "/c/3.ini", "/d/4.ini"})
    Put(Volume + f);
  Choose(Volume);
  std::vector<String> gone;
  MainForm->TS1->SetOnDirectoryFound([&](TObject*) {
    if (MainForm->TS1->FileFound() != Volume + "/a/") return;
    for (const String& dir : gone)
      std::filesystem::remove_all(Volume + dir);
  });
  gone = {"/b", "/c"};
  Scan();
  EXPECT_EQ(MainForm->SB1->SimpleText(), "Scan Complete.. 2 directories could not be read.");
  gone = {"/d"};
  Put(Volume + "/b/2.ini");
  Scan();
  EXPECT_EQ(MainForm->SB1->SimpleText(), "Scan Complete.. 1 directory could not be read.");
  gone.clear();
  Scan();
  EXPECT_EQ(MainForm->SB1->SimpleText(), "Scan Complete..");
  EXPECT_EQ(Listed(), (std::vector<String>{Volume + "/a/1.ini", Volume + "/b/2.ini"}));
  MainForm->TS1->SetOnDirectoryFound(nullptr);
}

TEST_F(ScanTest, TheDriveChoosersDoubleClickScansLikeTheButton) {
  Put(Volume + "/only.ini");
  Choose(Volume);
  SendMessageA(MainForm->DS1->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_TRUE(WaitUntil([] { return !MainForm->ScanLed->LedOn(); }));
  EXPECT_EQ(Listed(), (std::vector<String>{Volume + "/only.ini"}));
  EXPECT_EQ(MainForm->SB1->SimpleText(), "Scan Complete..");
}

TEST_F(ScanTest, AScanAskedForDuringAScanIsRefusedWithABeep) {
  Put(Volume + "/a.ini");
  Put(Volume + "/d/b.ini");
  Choose(Volume);
  int beeps = Seams::BeepCount();
  DuringTheScan([] { MainForm->DS1->DblClick(); });
  Scan();
  EXPECT_EQ(Seams::BeepCount(), beeps + 1);
  EXPECT_EQ(Listed(), (std::vector<String>{Volume + "/a.ini", Volume + "/d/b.ini"}));
  // Once it is over, the next scan runs.
  MainForm->TS1->SetOnDirectoryFound(nullptr);
  Scan();
  EXPECT_EQ(Seams::BeepCount(), beeps + 1);
}

// Stop, and Esc in the main window, end the scan where it is; the list keeps what was found.
TEST_F(ScanTest, StopOrEscEndsTheScanAndTheListKeepsWhatWasFound) {
  Put(Volume + "/a.ini");
  Put(Volume + "/d1/b.ini");
  Put(Volume + "/d2/c.ini");
  Choose(Volume);
  EXPECT_FALSE(MainForm->StopBtn->Enabled());
  const std::vector<std::function<void()>> ways = {
      [] { MainForm->StopBtn->Click(); }, [] { SendMessageA(MainForm->LLB1->Handle(), WM_KEYDOWN, VK_ESCAPE, 0); }};
  for (const auto& stop : ways) {
    bool enabled = false;
    MainForm->TS1->SetOnDirectoryFound([&](TObject*) {
      if (MainForm->TS1->FileFound() != Volume + "/d1/") return;
      enabled = MainForm->StopBtn->Enabled();
      stop();
    });
    Scan();
    EXPECT_TRUE(enabled);
    EXPECT_EQ(Listed(), (std::vector<String>{Volume + "/a.ini"}));
    EXPECT_EQ(MainForm->SB1->SimpleText(), "Scan Stopped..");
    EXPECT_EQ(MainForm->SB1->Font()->Color(), clNavy);
    EXPECT_FALSE(MainForm->StopBtn->Enabled());
  }
  MainForm->TS1->SetOnDirectoryFound(nullptr);
}

// Exit during a scan asks about the modified editors as at any other time: a Cancel leaves
// the program and its scan running; once the program is to end, its scan ends at once.
TEST_F(ScanTest, ExitDuringAScanAsksAsEverAndEndsTheScanOnlyWhenTheProgramEnds) {
  Put(Volume + "/a.ini");
  Put(Volume + "/d/b.ini");
  Choose(Volume);
  TEditForm* editor = Open(WriteFile("e.ini", "old"));
  editor->RE1->SetText("new");
  MainForm->ScanButton->Click();
  ASSERT_TRUE(MainForm->TS1->SearchInProgress());
  Seams::QueueMessageBoxAnswer(IDCANCEL);
  MainForm->ExitBtn->Click();
  EXPECT_FALSE(Application->Terminated());
  EXPECT_TRUE(MainForm->TS1->SearchInProgress());
  EXPECT_TRUE(WaitUntil([] { return !MainForm->ScanLed->LedOn(); }));
  EXPECT_EQ(Listed().size(), 2u);
  EXPECT_EQ(MainForm->SB1->SimpleText(), "Scan Complete..");

  MainForm->ScanButton->Click();
  Seams::QueueMessageBoxAnswer(IDNO);
  MainForm->ExitBtn->Click();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(MainForm->TS1->SearchInProgress()) << "the scan ended with the answer";
  EXPECT_FALSE(MainForm->ScanLed->LedOn());
  WaitUntil([] { return false; }, 100);
  EXPECT_TRUE(Listed().empty()) << "nothing found after the end";
  EXPECT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(ReadFile(Dir / "e.ini"), "old");
}

// A scan that fails ends: the lamp goes off, the message is shown, the list keeps its entries.
TEST_F(ScanTest, AnErrorDuringTheScanEndsItKeepingTheEntriesSoFarAndShowsTheMessage) {
  Put(Volume + "/a.ini");
  Put(Volume + "/d/b.ini");
  Choose(Volume);
  int calls = 0;
  MainForm->TS1->SetOnDirectoryFound([&](TObject*) {
    if (++calls == 2) throw Exception("Unable to insert a line");
  });
  Scan();
  EXPECT_EQ(Listed(), (std::vector<String>{Volume + "/a.ini"}));
  EXPECT_EQ(Boxes(), (std::vector<String>{"Unable to insert a line."}));
  EXPECT_FALSE(MainForm->StopBtn->Enabled());
  EXPECT_EQ(MainForm->SB1->SimpleText(), "Scan Stopped..");
  // The failed scan does not block the next one.
  MainForm->TS1->SetOnDirectoryFound(nullptr);
  Scan();
  EXPECT_EQ(Listed().size(), 2u);
}

TEST_F(ScanTest, ADoubleClickOnAListedPathOpensIt) {
  Put(Volume + "/open.ini");
  Choose(Volume);
  Scan();
  MainForm->LLB1->SetItemIndex(0);
  MainForm->LLB1->DblClick();
  auto* editor = dynamic_cast<TEditForm*>(MainForm->ActiveMDIChild());
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->Caption(), Volume + "/open.ini");
  EXPECT_EQ(editor->RE1->Text(), "[section]\n");
}

// Names are the file system's bytes from the list to the open to the save; the list, the
// caption and the save question show them readably, a byte that is not UTF-8 as "\xNN".
TEST_F(ScanTest, NamesThatAreNotUtf8OrOddAreListedReadablyAndOpenAndSaveTheRealFile) {
  const String dir = Volume + "/d\xE9", odd = dir + "/caf\xE9.ini";
  const std::vector<String> names = {odd, Volume + "/line\nbreak.ini", Volume + "/a|b.ini", Volume + "/  lead.ini",
                                     Volume + "/" + String(251, 'n') + ".ini"};
  for (const String& name : names)
    Put(name);
  Choose(Volume);
  Scan();
  const std::vector<String> inOrder = Listed();
  std::vector<String> listed = inOrder, expected = names;
  std::sort(listed.begin(), listed.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);
  const auto IndexOf = [&](const String& Name) {
    return static_cast<int>(std::find(inOrder.begin(), inOrder.end(), Name) - inOrder.begin());
  };

  auto* view = static_cast<QAbstractItemView*>(MainForm->LLB1->Widget());
  WaitUntil([&] { return view->model()->rowCount() == static_cast<int>(names.size()); });
  const auto Shown = [&](const String& Name) {
    return view->model()->index(IndexOf(Name), 0).data().toString().toStdString();
  };
  const String shown = Volume + "/d\\xE9/caf\\xE9.ini";
  EXPECT_EQ(Shown(odd), shown);
  EXPECT_EQ(Shown(names[1]), Volume + "/line\\x0Abreak.ini");
  EXPECT_EQ(Shown(names[2]), names[2]);

  MainForm->LLB1->SetItemIndex(IndexOf(odd));
  MainForm->LLB1->DblClick();
  auto* editor = dynamic_cast<TEditForm*>(MainForm->ActiveMDIChild());
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->Caption(), shown);
  EXPECT_EQ(editor->RE1->Text(), "[section]\n");
  editor->RE1->SetSelText("k=1\n");
  Seams::QueueMessageBoxAnswer(IDYES);
  editor->Close1->Click();
  EXPECT_EQ(Boxes(), (std::vector<String>{"Save changes to " + shown + "?"}));
  EXPECT_EQ(ReadFile(odd), "k=1\r\n[section]\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1)
      << "no second file under a converted name";

  for (const String& name : names) {
    MainForm->LLB1->SetItemIndex(IndexOf(name));
    MainForm->LLB1->DblClick();
    EXPECT_EQ(dynamic_cast<TEditForm*>(MainForm->ActiveMDIChild())->GetFileName(), name);
  }
  EXPECT_EQ(Boxes().size(), 1u) << "every one opened";
}
