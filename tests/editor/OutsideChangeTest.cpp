// Saves of files that others changed or deleted while they were open, and of files deeper
// than a path the system takes whole: nothing is overwritten unasked, nothing but the file is
// touched, and a file that has gone comes back as private as it was.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <set>

#include "tests/app/MainFormTestSupport.h"
#include "tests/support/FaultSupport.h"

namespace {

class OutsideChangeTest : public MainFormTest {
protected:
  static void ChooseSave(TEditForm* Editor) { Editor->Save1->Action()->trigger(); }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Dir))
      names.insert(entry.path().filename().string());
    return names;
  }
};

// Opens each of Names below Top, one directory after the other, and returns the last; -1 when
// one cannot be opened.
int OpenDown(int Top, const std::vector<std::string>& Names) {
  int fd = dup(Top);
  for (const std::string& name : Names) {
    const int next = fd < 0 ? -1 : openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
    close(fd);
    fd = next;
  }
  return fd;
}

std::string BytesAt(int Dir, const char* Name) {
  std::string bytes;
  const int fd = openat(Dir, Name, O_RDONLY);
  char buffer[256];
  for (ssize_t n; fd >= 0 && (n = read(fd, buffer, sizeof buffer)) > 0;)
    bytes.append(buffer, static_cast<std::size_t>(n));
  if (fd >= 0) close(fd);
  return bytes;
}

} // namespace

TEST_F(OutsideChangeTest, AFileChangedSinceItWasLoadedIsOverwrittenOnlyWhenTheUserSaysSo) {
  const String path = WriteFile("a.ini", "[old]\r\n");
  TEditForm* editor = Open(path);
  editor->RE1->SetText("[mine]");
  // Another program saves it, as editors do, through a new file renamed over it.
  ASSERT_EQ(std::system(("printf '[theirs]\\r\\n' > " + path + ".new && mv " + path + ".new " + path).c_str()), 0);

  Seams::QueueMessageBoxAnswer(IDNO);
  ChooseSave(editor);
  ASSERT_EQ(Boxes().size(), 1u);
  const Seams::TMessageBoxRecord question = Seams::MessageBoxes()[0];
  EXPECT_EQ(question.Caption, "Please Confirm");
  EXPECT_NE(question.Text.find(path + " has been changed by another program"), String::npos) << question.Text;
  EXPECT_EQ(question.Type & 0x0F, MB_YESNO);
  EXPECT_EQ(ReadFile(path), "[theirs]\r\n");
  EXPECT_TRUE(editor->GetModified());
  EXPECT_EQ(editor->RE1->Text(), "[mine]");

  // Close, Yes to saving, then No to overwriting: the window stays with its changes.
  Seams::QueueMessageBoxAnswer(IDYES);
  Seams::QueueMessageBoxAnswer(IDNO);
  editor->Close1->Action()->trigger();
  FlushReleasedForms();
  ASSERT_EQ(MainForm->MDIChildCount(), 1);
  ASSERT_EQ(Boxes().size(), 3u);
  EXPECT_EQ(Boxes()[2], question.Text);
  EXPECT_EQ(ReadFile(path), "[theirs]\r\n");
  EXPECT_TRUE(editor->GetModified());

  // Yes overwrites; nothing else is left in the folder, and the next save asks no more.
  Seams::QueueMessageBoxAnswer(IDYES);
  ChooseSave(editor);
  EXPECT_EQ(ReadFile(path), "[mine]");
  EXPECT_FALSE(editor->GetModified());
  ChooseSave(editor);
  EXPECT_EQ(Boxes().size(), 4u);
  EXPECT_EQ(Names(), (std::set<std::string>{"a.ini"}));
}

TEST_F(OutsideChangeTest, ADeletedFileComesBackWithItsBitsAndOwner) {
  const String path = WriteFile("private.ini", "secret=1\r\n");
  ASSERT_EQ(chown(path.c_str(), Nobody, Nobody), 0);
  ASSERT_EQ(chmod(path.c_str(), 0600), 0);
  TEditForm* editor = Open(path);
  editor->RE1->SetText("secret=2");
  ASSERT_EQ(unlink(path.c_str()), 0);
  ChooseSave(editor);
  EXPECT_TRUE(Boxes().empty()) << Boxes().front();
  EXPECT_EQ(ReadFile(path), "secret=2");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(st.st_uid, Nobody);
  EXPECT_EQ(st.st_gid, Nobody);
  EXPECT_EQ(Names(), (std::set<std::string>{"private.ini"}));
}

// The tree lives on a volume of its own, which takes it away whole however deep it is.
TEST_F(OutsideChangeTest, AFileDeeperThanAWholePathOpensAndSaves) {
  TPrivateVolume volume("1m");
  if (!volume.Ready()) GTEST_SKIP() << "no mount namespace of our own here";
  const std::vector<std::string> dirs(24, std::string(200, 'd'));
  int fd = open(volume.Path().c_str(), O_RDONLY | O_DIRECTORY);
  for (const std::string& name : dirs) {
    ASSERT_EQ(mkdirat(fd, name.c_str(), 0755), 0);
    const int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
    close(fd);
    fd = next;
  }
  const int file = openat(fd, "deep.ini", O_WRONLY | O_CREAT, 0644);
  ASSERT_EQ(write(file, "[deep]\r\n", 8), 8);
  close(file);
  close(fd);
  String path = volume.Path();
  for (const std::string& name : dirs)
    path += "/" + name;
  path += "/deep.ini";
  ASSERT_GT(path.size(), std::size_t{PATH_MAX});

  TEditForm* editor = Open(path);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->Caption(), path);
  EXPECT_EQ(editor->RE1->Text(), "[deep]\n");
  editor->RE1->SetText("[deeper]");
  ChooseSave(editor);
  EXPECT_TRUE(Boxes().empty()) << Boxes().front();
  const int top = open(volume.Path().c_str(), O_RDONLY | O_DIRECTORY);
  const int bottom = OpenDown(top, dirs);
  close(top);
  ASSERT_GE(bottom, 0);
  EXPECT_EQ(BytesAt(bottom, "deep.ini"), "[deeper]");
  std::set<std::string> names;
  DIR* listing = fdopendir(bottom);
  for (dirent* entry; (entry = readdir(listing)) != nullptr;)
    names.insert(entry->d_name);
  closedir(listing);
  EXPECT_EQ(names, (std::set<std::string>{".", "..", "deep.ini"}));

  // A name longer than any file system takes cannot be given to one: refused, and said why.
  const String tooLong = volume / (std::string(256, 'n') + ".ini");
  Seams::QueueDialogResult(true, tooLong);
  MainForm->FileOpenItem->Action()->trigger();
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0],
            "Cannot open file " + tooLong + ": a name in its path is longer than the file system allows (255 bytes).");
}
