// Files the editor cannot take as they are, and files that go away or become unreadable after
// they were listed: each is shown as the editor decided, with a message where it refuses, and
// no byte of any file is lost.
#include <QAbstractButton>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "tests/app/MainFormTestSupport.h"
#include "tests/support/FaultSupport.h"

namespace {

class LoadFaultTest : public MainFormTest {
protected:
  // File > Open as the user chooses it: an error reaches the application's handler, which shows it.
  TEditForm* ChooseOpen(const String& Path) {
    Seams::QueueDialogResult(true, Path);
    MainForm->FileOpenItem->Action()->trigger();
    return dynamic_cast<TEditForm*>(MainForm->ActiveMDIChild());
  }
  // The Open button on the entry of the file list at Index.
  static TEditForm* OpenListed(int Index) {
    MainForm->LLB1->SetItemIndex(Index);
    static_cast<QAbstractButton*>(MainForm->OpenBtn->Widget())->click();
    return dynamic_cast<TEditForm*>(MainForm->ActiveMDIChild());
  }
  static void ChooseSave(TEditForm* Editor) { Editor->Save1->Action()->trigger(); }

  // Whether the message boxes shown so far are exactly these errors; 0 when they are (a child
  // process reports by its exit code).
  static int ShownCode(const std::vector<String>& Messages) {
    const auto& boxes = Seams::MessageBoxes();
    if (boxes.size() != Messages.size()) return 1;
    for (std::size_t i = 0; i < boxes.size(); ++i)
      if (boxes[i].Text != Messages[i] || boxes[i].Type != (MB_OK | MB_ICONSTOP)) return 2;
    return 0;
  }
  // Whether a failed open left no window behind.
  static int FailedLoadCode() { return MainForm->MDIChildCount() == 0 ? 0 : 3; }
};

String OpenError(const String& Path, const String& Reason) { return "Cannot open file " + Path + ": " + Reason + "."; }

} // namespace

TEST_F(LoadFaultTest, AListedFileDeletedBeforeItIsOpenedGivesTheErrorAndNoWindow) {
  const String path = WriteFile("gone.ini", "[gone]\r\n");
  MainForm->LLB1->Items()->Add(path);
  ASSERT_EQ(unlink(path.c_str()), 0);
  OpenListed(0);
  EXPECT_EQ(ShownCode({OpenError(path, std::strerror(ENOENT))}), 0) << testing::PrintToString(Boxes());
  EXPECT_EQ(FailedLoadCode(), 0);
}

TEST_F(LoadFaultTest, AListedFileMadeUnreadableBeforeItIsOpenedIsNeverOverwritten) {
  const String text = "[kept]\r\nk=v\r\n", path = WriteFile("locked.ini", text);
  MainForm->LLB1->Items()->Add(path);
  ASSERT_EQ(chmod(path.c_str(), 0), 0);
  // Root reads any file: the user who meets the unreadable file is someone else.
  EXPECT_EQ(RunAsNobody([&] {
              OpenListed(0);
              if (const int code = ShownCode({OpenError(path, std::strerror(EACCES))})) return code;
              return FailedLoadCode();
            }),
            0);
  EXPECT_EQ(ReadFile(path), text);
}

TEST_F(LoadFaultTest, AFileLargerThanTheEditorTakesIsRefusedAndKeptWhole) {
  // 70 MiB, a sparse file with marks at both ends.
  const String path = WriteFile("huge.ini", "[start]\r\n");
  const off_t size = 70ll << 20;
  ASSERT_EQ(truncate(path.c_str(), size), 0);
  {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(size - 7);
    file << "[end]\r\n";
  }
  ChooseOpen(path);
  EXPECT_EQ(ShownCode({OpenError(path, "it is larger than 64 MiB")}), 0) << testing::PrintToString(Boxes());
  EXPECT_EQ(FailedLoadCode(), 0);
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, size);
  const String bytes = ReadFile(path);
  EXPECT_EQ(bytes.substr(0, 9), "[start]\r\n");
  EXPECT_EQ(bytes.substr(bytes.size() - 7), "[end]\r\n");
}

TEST_F(LoadFaultTest, NulBytesAreTextLikeAnyOtherAndComeBackUnchanged) {
  const String bytes("[a\0b]\r\nk=\0\r\n", 12), path = WriteFile("nul.ini", bytes);
  TEditForm* editor = ChooseOpen(path);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(editor->RE1->Text(), String("[a\0b]\nk=\0\n", 10));
  ASSERT_EQ(editor->Find->Count(), 6);
  EXPECT_EQ(editor->Find->Items(5)->Caption(), String("a\0b", 3));
  ChooseSave(editor);
  EXPECT_EQ(ReadFile(path), bytes);
}

// Bytes that are not UTF-8 are read as Windows-1252: each comes back as it was, and a
// character that code page cannot store is refused on saving rather than changed.
TEST_F(LoadFaultTest, AFileThatIsNotUtf8IsKeptByteForByte) {
  const String bytes = "[caf\xE9]\r\nk=\xC3(\x80\xFF\r\n", path = WriteFile("cp1252.ini", bytes);
  TEditForm* editor = ChooseOpen(path);
  EXPECT_EQ(editor->RE1->Text(), "[caf\xC3\xA9]\nk=\xC3\x83(\xE2\x82\xAC\xC3\xBF\n");
  ChooseSave(editor);
  EXPECT_EQ(ReadFile(path), bytes);

  EXPECT_EQ(editor->ESB1->PanelText(1), "Windows-1252");

  // A character the code page cannot store: the save offers UTF-8; No keeps the file and the
  // changes, Yes saves it as UTF-8.
  editor->RE1->SetText("[\xCE\xA9]\n"); // a Greek capital omega
  const String question = "The text holds characters that Windows-1252 cannot store, so " + path +
                          " cannot be saved in it. Save it as UTF-8 instead?";
  Seams::QueueMessageBoxAnswer(IDNO);
  ChooseSave(editor);
  EXPECT_EQ(Boxes(), std::vector<String>{question});
  EXPECT_TRUE(editor->GetModified());
  EXPECT_EQ(ReadFile(path), bytes);
  EXPECT_EQ(editor->ESB1->PanelText(1), "Windows-1252");
  Seams::QueueMessageBoxAnswer(IDYES);
  ChooseSave(editor);
  EXPECT_EQ(Boxes(), (std::vector<String>{question, question}));
  EXPECT_FALSE(editor->GetModified());
  EXPECT_EQ(ReadFile(path), "[\xCE\xA9]\r\n");
  EXPECT_EQ(editor->ESB1->PanelText(1), "UTF-8");
}

// A lone CR is a line break. An unchanged save gives back every byte, whatever the mix of
// breaks; an edited line keeps its own break, a new line takes the break most lines have, and
// two lines joined keep the second's.
TEST_F(LoadFaultTest, EveryLineKeepsItsOwnBreakAlsoWhenEdited) {
  const String path = WriteFile("cr.ini", "[one]\rk=1\r[two]\r");
  TEditForm* editor = ChooseOpen(path);
  EXPECT_EQ(editor->RE1->Text(), "[one]\nk=1\n[two]\n");
  EXPECT_EQ(editor->Find->Count(), 7);
  ChooseSave(editor);
  EXPECT_EQ(ReadFile(path), "[one]\rk=1\r[two]\r");

  const String odd = WriteFile("odd.ini", "[a]\nk=1\r\nj=2\rl=3\n");
  editor = ChooseOpen(odd);
  editor->RE1->SetSelStart(7);
  editor->RE1->SetSelText("X");
  editor->RE1->SetSelStart(12);
  editor->RE1->SetSelText("0");
  ChooseSave(editor);
  EXPECT_EQ(ReadFile(odd), "[a]\nk=1X\r\nj=20\rl=3\n");

  const String mixed = "[a]\r\nx=1\ny=2\r\r\nz=3\rw=4\r\n";
  const String mixedPath = WriteFile("mixed.ini", mixed);
  editor = ChooseOpen(mixedPath);
  ChooseSave(editor);
  EXPECT_EQ(ReadFile(mixedPath), mixed);
  // "y=2" (ending with a lone CR) becomes "y=20"; a new line goes in before "x=1" and one after
  // "z=3"; "x=1" (LF) is joined to "y=20" (CR).
  editor->RE1->SetSelStart(11);
  editor->RE1->SetSelText("0");
  editor->RE1->SetSelStart(4);
  editor->RE1->SetSelText("v=5\n");
  editor->RE1->SetSelStart(21);
  editor->RE1->SetSelText("\nu=6");
  editor->RE1->SetSelStart(11);
  editor->RE1->SetSelLength(1);
  editor->RE1->SetSelText("");
  EXPECT_EQ(editor->RE1->Text(), "[a]\nv=5\nx=1y=20\n\nz=3\nu=6\nw=4\n");
  ChooseSave(editor);
  EXPECT_EQ(ReadFile(mixedPath), "[a]\r\nv=5\r\nx=1y=20\r\r\nz=3\ru=6\r\nw=4\r\n");
  EXPECT_TRUE(Boxes().empty());
}

// The text control would turn these characters into line breaks, and a save would then change
// the file: such a file is refused and kept.
TEST_F(LoadFaultTest, AFileHoldingACharacterTheControlTakesForABreakIsRefused) {
  const String text = "[a]\r\nk=x\xE2\x80\xA9y\r\n", path = WriteFile("separator.ini", text);
  ChooseOpen(path);
  EXPECT_EQ(
      ShownCode({OpenError(path, "it holds the character U+2029, which the editor would turn into a line break")}), 0)
      << testing::PrintToString(Boxes());
  EXPECT_EQ(FailedLoadCode(), 0);
  EXPECT_EQ(ReadFile(path), text);
}

// A U+FEFF right behind the byte order mark is a character of the text, not a second mark.
TEST_F(LoadFaultTest, AByteOrderMarkCharacterAtTheStartOfTheTextIsKept) {
  const std::vector<String> files = {"\xEF\xBB\xBF\xEF\xBB\xBF[s]\r\n", String("\xFF\xFE\xFF\xFE[\0s\0]\0", 10)};
  for (std::size_t i = 0; i < files.size(); ++i) {
    const String path = WriteFile("bom" + std::to_string(i) + ".ini", files[i]);
    TEditForm* editor = ChooseOpen(path);
    EXPECT_EQ(editor->RE1->Text().substr(0, 3), "\xEF\xBB\xBF") << i;
    EXPECT_EQ(editor->RE1->GetTextLen(), i == 0 ? 5 : 4) << i;
    ChooseSave(editor);
    EXPECT_EQ(ReadFile(path), files[i]) << i;
  }
  EXPECT_TRUE(Boxes().empty());
}

// A UTF-16 file whose odd last byte or unpaired surrogate cannot come back: the opening says
// what a save would change, and a save asks first; No keeps the file and the changes.
TEST_F(LoadFaultTest, AUtf16FileThatCannotComeBackIsSavedOnlyWhenTheUserAgrees) {
  const String bytes("\xFF\xFE[\0a\0]\0\r\0\n\0\x3D\xD8x\0\x41", 17), path = WriteFile("odd.ini", bytes);
  TEditForm* editor = ChooseOpen(path);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0], path + " cannot be saved as it was read: a save writes the character U+FFFD in place of "
                               "1 unpaired UTF-16 surrogate and the odd byte at its end. The editor asks before it "
                               "saves it.");
  EXPECT_EQ(Seams::MessageBoxes()[0].Type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
  EXPECT_FALSE(editor->GetModified());

  editor->RE1->SetSelText("k=1\n");
  Seams::QueueMessageBoxAnswer(IDNO);
  ChooseSave(editor);
  ASSERT_EQ(Boxes().size(), 2u) << "No is no failure";
  EXPECT_EQ(Boxes()[1], "Saving " + path +
                            " changes it: a save writes the character U+FFFD in place of 1 unpaired UTF-16 surrogate "
                            "and the odd byte at its end. Save it all the same?");
  EXPECT_EQ(Seams::MessageBoxes()[1].Caption, "Please Confirm");
  EXPECT_EQ(ReadFile(path), bytes);
  EXPECT_TRUE(editor->GetModified());

  Seams::QueueMessageBoxAnswer(IDYES);
  ChooseSave(editor);
  EXPECT_EQ(ReadFile(path), String("\xFF\xFEk\0=\0001\0\r\0\n\0[\0a\0]\0\r\0\n\0\xFD\xFFx\0\xFD\xFF", 28));
  EXPECT_FALSE(editor->GetModified());
  ChooseSave(editor);
  EXPECT_EQ(Boxes().size(), 3u) << "once saved, the file is what the window holds";
}
