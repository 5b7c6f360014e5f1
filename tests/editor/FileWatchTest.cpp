// A file changed, replaced or deleted by another program while it is open: the window says so
// in a bar of its own, with "Reload" and "Keep", and nothing blocks.
#include <QPushButton>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "tests/app/MainFormTestSupport.h"

namespace {

class FileWatchTest : public MainFormTest {
protected:
  // Lets the program run until Done holds, for a few seconds at most.
  static bool WaitFor(const std::function<bool()>& Done) {
    for (int i = 0; i < 300 && !Done(); ++i) {
      Application->ProcessMessages();
      usleep(10000);
    }
    return Done();
  }
  static bool BarShown(TEditForm* Editor) { return Editor->FileBar->Widget()->isVisible(); }
  static bool WaitForBar(TEditForm* Editor) {
    return WaitFor([Editor] { return BarShown(Editor); });
  }
  // What another program does: writes a file elsewhere and renames it over the path.
  void Replace(const String& Path, const String& Bytes) {
    const String temporary = WriteFile("elsewhere.tmp", Bytes);
    ASSERT_EQ(std::rename(temporary.c_str(), Path.c_str()), 0);
  }
  static void Press(QPushButton* Button) { Button->click(); }
};

} // namespace

TEST_F(FileWatchTest, AChangedFileOffersReloadAndKeepAndAReplacedOneToo) {
  const String path = WriteFile("a.ini", "[a]\nk=1\nj=2\n");
  TEditForm* editor = Open(path);
  editor->RE1->SetSelStart(6);
  editor->RE1->SetSelText("0");
  ASSERT_TRUE(editor->GetModified());

  WriteFile("a.ini", "[a]\nk=1\nj=3\nm=4\n");
  ASSERT_TRUE(WaitForBar(editor));
  EXPECT_EQ(editor->FileBar->Text(), path + " has been changed by another program.");
  EXPECT_TRUE(editor->FileBar->ReloadButton()->isVisible());
  EXPECT_TRUE(Boxes().empty()) << "no modal box";
  editor->RE1->SetSelStart(10);
  Press(editor->FileBar->ReloadButton());
  EXPECT_EQ(editor->RE1->Text(), "[a]\nk=1\nj=3\nm=4\n");
  EXPECT_FALSE(editor->GetModified());
  EXPECT_FALSE(BarShown(editor));
  EXPECT_EQ(editor->RE1->CaretLine(), 3) << "the caret stays on its line";
  // The Find menu keeps its commands, and its section entries are those of the text read.
  ASSERT_EQ(editor->Find->Count(), 6);
  EXPECT_EQ(editor->Find->Items(3), editor->Replace1);
  EXPECT_EQ(editor->Find->Items(4), editor->N2);
  EXPECT_EQ(editor->Find->Items(5)->Caption(), "a");

  // Replaced: Keep keeps the text, and the save still asks before it overwrites the file.
  editor->RE1->SetSelText("x");
  Replace(path, "[b]\n");
  ASSERT_TRUE(WaitForBar(editor));
  Press(editor->FileBar->KeepButton());
  EXPECT_FALSE(BarShown(editor));
  EXPECT_EQ(editor->RE1->Text(), "[a]\nk=1\nxj=3\nm=4\n");
  Seams::QueueMessageBoxAnswer(IDNO);
  editor->Save1->Action()->trigger();
  EXPECT_EQ(ReadFile(path), "[b]\n");
  EXPECT_TRUE(editor->GetModified());
  // Kept, the version tells of itself no more; a later change does.
  for (int i = 0; i < 20; ++i)
    Application->ProcessMessages();
  EXPECT_FALSE(BarShown(editor));
  Replace(path, "[c]\n");
  EXPECT_TRUE(WaitForBar(editor));
}

TEST_F(FileWatchTest, ADeletedFileSaysSoAndSaveWritesItAgain) {
  const String path = WriteFile("gone.ini", "[a]\r\n");
  TEditForm* editor = Open(path);
  ASSERT_EQ(unlink(path.c_str()), 0);
  ASSERT_TRUE(WaitForBar(editor));
  EXPECT_EQ(editor->FileBar->Text(), path + " has been deleted by another program. Save writes it again.");
  EXPECT_FALSE(editor->FileBar->ReloadButton()->isVisible());
  editor->Save1->Action()->trigger();
  EXPECT_EQ(ReadFile(path), "[a]\r\n");
  EXPECT_FALSE(BarShown(editor));

  // Its folder deleted too.
  const String inner = (Dir / "inner").string();
  std::filesystem::create_directory(inner);
  const String file = inner + "/b.ini";
  std::ofstream(file) << "[b]\n";
  TEditForm* second = Open(file);
  std::filesystem::remove_all(inner);
  ASSERT_TRUE(WaitForBar(second));
  EXPECT_EQ(second->FileBar->Text(), file + " has been deleted by another program. Save writes it again.");
}

// A directory or a FIFO in the file's place cannot be read, and nothing waits for the FIFO.
TEST_F(FileWatchTest, AFileReplacedByWhatCannotBeReadSaysSo) {
  const String path = WriteFile("fifo.ini", "[a]\n"), other = WriteFile("dir.ini", "[d]\n");
  TEditForm* fifo = Open(path);
  TEditForm* dir = Open(other);
  ASSERT_EQ(unlink(path.c_str()), 0);
  ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
  ASSERT_EQ(unlink(other.c_str()), 0);
  ASSERT_TRUE(std::filesystem::create_directory(other));
  // Each bar may first tell of the removal, then of what took the file's place.
  const String unreadable = " cannot be read any more: it is no longer a regular file.";
  EXPECT_TRUE(WaitFor([&] {
    return BarShown(fifo) && BarShown(dir) && fifo->FileBar->Text() == path + unreadable &&
           dir->FileBar->Text() == other + unreadable;
  })) << fifo->FileBar->Text()
      << "\n"
      << dir->FileBar->Text();
  EXPECT_FALSE(fifo->FileBar->ReloadButton()->isVisible());
  EXPECT_EQ(fifo->RE1->Text(), "[a]\n");
}

// A thousand changes in a row make one bar, and the window still answers; two hundred windows
// each watch their own file, without running out of the system's watches.
TEST_F(FileWatchTest, ManyChangesAndManyWindows) {
  std::vector<TEditForm*> editors;
  for (int i = 0; i < 200; ++i)
    editors.push_back(Open(WriteFile("f" + std::to_string(i) + ".ini", "[s]\n")));
  ASSERT_EQ(MainForm->MDIChildCount(), 200);
  // The system gives a user 128 watching instances by default, and past them Qt polls: the
  // windows share one.
  int instances = 0;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    instances += std::filesystem::read_symlink(fd.path(), error).string() == "anon_inode:inotify";
  }
  EXPECT_LE(instances, 2);
  const String path = (Dir / "f7.ini").string();
  for (int i = 0; i < 1000; ++i)
    std::ofstream(path, std::ios::trunc) << "[s]\nk=" << i << "\n";
  ASSERT_TRUE(WaitForBar(editors[7]));
  for (int i = 0; i < 20; ++i)
    Application->ProcessMessages();
  int bars = 0;
  for (TEditForm* editor : editors)
    bars += BarShown(editor);
  EXPECT_EQ(bars, 1);
  Press(editors[7]->FileBar->ReloadButton());
  EXPECT_EQ(editors[7]->RE1->Text(), "[s]\nk=999\n");
}
