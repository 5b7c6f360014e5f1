// Saves that cannot be done: the file keeps every byte, the window keeps its changes marked
// "Modified", and the user is shown why.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <set>

#include "tests/app/MainFormTestSupport.h"
#include "tests/support/FaultSupport.h"

namespace {

// File > Save as the user chooses it: an error reaches the application's handler, which shows it.
void ChooseSave(TEditForm* Editor) { Editor->Save1->Action()->trigger(); }

String SaveError(const String& Path, int Error) {
  return "Cannot create file " + Path + ": " + std::strerror(Error) + ".";
}

// Whether the editor shows exactly this error and still holds its changes; for a child
// process, which reports by its exit code (0: it does).
int RefusedCode(TEditForm* Editor, const String& Message) {
  const auto& boxes = Seams::MessageBoxes();
  if (boxes.size() != 1 || boxes[0].Text != Message || boxes[0].Type != (MB_OK | MB_ICONSTOP)) return 1;
  if (!Editor->GetModified() || Editor->ESB1->SimpleText() != "Modified") return 2;
  return 0;
}

class SaveFaultTest : public MainFormTest {
protected:
  // An editor on the file holding Old, its text since replaced by New.
  TEditForm* Changed(const String& Path) {
    TEditForm* editor = Open(Path);
    editor->RE1->SetText(New);
    EXPECT_TRUE(editor->GetModified());
    return editor;
  }
  void ExpectRefused(TEditForm* Editor, const String& Message) {
    EXPECT_EQ(RefusedCode(Editor, Message), 0) << (Boxes().empty() ? String("no box") : Boxes().front());
  }

  // Old text of a few blocks; new text of many more, so that it needs space the volume lacks.
  const String Old = String(3 * 4096, 'o') + "\r\n", New = String(16 * 4096, 'n');
};

} // namespace

TEST_F(SaveFaultTest, AFullVolumeRefusesTheSaveOfAReplacedFile) {
  TPrivateVolume volume;
  if (!volume.Ready()) GTEST_SKIP() << "no mount namespace of our own here";
  volume.Put("a.ini", Old);
  TEditForm* editor = Changed(volume / "a.ini");
  ASSERT_TRUE(volume.Fill());
  ChooseSave(editor);
  ExpectRefused(editor, SaveError(volume / "a.ini", ENOSPC));
  EXPECT_EQ(FileBytes(volume / "a.ini"), Old);
  EXPECT_EQ(volume.Names(), (std::set<std::string>{"a.ini", "filler"})) << "no temporary file is left";
  EXPECT_EQ(editor->RE1->Text(), New);
}

TEST_F(SaveFaultTest, AFullVolumeRefusesTheSaveOfAFileWrittenInPlace) {
  TPrivateVolume volume;
  if (!volume.Ready()) GTEST_SKIP() << "no mount namespace of our own here";
  volume.Put("a.ini", Old);
  // Another name of the same file: replacing it would part the two.
  ASSERT_EQ(link((volume / "a.ini").c_str(), (volume / "b.ini").c_str()), 0);
  TEditForm* editor = Changed(volume / "a.ini");
  ASSERT_TRUE(volume.Fill());
  ChooseSave(editor);
  ExpectRefused(editor, SaveError(volume / "a.ini", ENOSPC));
  EXPECT_EQ(FileBytes(volume / "a.ini"), Old);
  EXPECT_EQ(FileBytes(volume / "b.ini"), Old);
  EXPECT_EQ(volume.Names(), (std::set<std::string>{"a.ini", "b.ini", "filler"}));
}

// The file's directory takes no new file from its user, so the file is written in place.
TEST_F(SaveFaultTest, AFullVolumeRefusesTheSaveInADirectoryThatTakesNoNewFile) {
  TPrivateVolume volume;
  if (!volume.Ready()) GTEST_SKIP() << "no mount namespace of our own here";
  volume.Put("a.ini", Old);
  ASSERT_EQ(chown((volume / "a.ini").c_str(), Nobody, Nobody), 0);
  ASSERT_EQ(chmod(volume.Path().c_str(), 0555), 0);
  TEditForm* editor = Changed(volume / "a.ini");
  ASSERT_TRUE(volume.Fill());
  EXPECT_EQ(RunAsNobody([&] {
              ChooseSave(editor);
              return RefusedCode(editor, SaveError(volume / "a.ini", ENOSPC));
            }),
            0);
  EXPECT_EQ(FileBytes(volume / "a.ini"), Old);
  EXPECT_EQ(volume.Names(), (std::set<std::string>{"a.ini", "filler"}));
}

TEST_F(SaveFaultTest, AReadOnlyFileRefusesTheSave) {
  const String path = WriteFile("a.ini", Old);
  ASSERT_EQ(chown(path.c_str(), Nobody, Nobody), 0);
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  TEditForm* editor = Changed(path);
  EXPECT_EQ(RunAsNobody([&] {
              ChooseSave(editor);
              return RefusedCode(editor, SaveError(path, EACCES));
            }),
            0);
  EXPECT_EQ(FileBytes(path), Old);
}

// Save As into a directory its user may not write: nothing is created, the changes stay, and
// the window keeps its file.
TEST_F(SaveFaultTest, ADirectoryWithoutWritePermissionRefusesANewFile) {
  const String path = WriteFile("a.ini", Old);
  const String locked = (Dir / "locked").string(), target = locked + "/new.ini";
  ASSERT_TRUE(std::filesystem::create_directory(locked));
  ASSERT_EQ(chmod(locked.c_str(), 0555), 0);
  TEditForm* editor = Changed(path);
  EXPECT_EQ(RunAsNobody([&] {
              Seams::QueueDialogResult(true, target);
              editor->SaveAs1->Action()->trigger();
              if (editor->GetFileName() != path) return 3;
              return RefusedCode(editor, SaveError(target, EACCES));
            }),
            0);
  EXPECT_TRUE(std::filesystem::is_empty(locked));
  EXPECT_EQ(FileBytes(path), Old);
}

// A Save As that fails leaves the window as it was: its file name, caption and File > Save.
TEST_F(SaveFaultTest, AFailedSaveAsKeepsTheWindowsFile) {
  const String path = WriteFile("a.ini", Old), target = (Dir / "missing" / "new.ini").string();
  TEditForm* editor = Changed(path);
  Seams::QueueDialogResult(true, target);
  editor->SaveAs1->Action()->trigger();
  ExpectRefused(editor, SaveError(target, ENOENT));
  EXPECT_EQ(editor->GetFileName(), path);
  EXPECT_EQ(editor->Caption(), path);
  ChooseSave(editor);
  EXPECT_EQ(FileBytes(path), New);
  EXPECT_FALSE(editor->GetModified());
}
