#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QToolButton>
#include <sys/stat.h>
#include <unistd.h>

#include "framework/Printers.h"
#include "tests/app/MainFormTestSupport.h"

using EditFormTest = MainFormTest;

TEST_F(EditFormTest, ALoadedFileStartsUnmodifiedWithABlankStatusAndItsPathAsCaption) {
  String path = WriteFile("a.ini", "[one]\r\nx=1\r\n");
  TEditForm* editor = Open(path);
  EXPECT_EQ(editor->Caption(), path);
  EXPECT_EQ(editor->GetFileName(), path);
  EXPECT_EQ(editor->RE1->Text(), "[one]\nx=1\n");
  EXPECT_FALSE(editor->GetModified());
  EXPECT_EQ(editor->ESB1->SimpleText(), " ");
  // The text fills the window above its status line.
  EXPECT_TRUE(editor->RE1->Widget()->isVisible());
  EXPECT_TRUE(editor->ESB1->Widget()->isVisible());
  EXPECT_EQ(editor->RE1->Top() + editor->RE1->Height(), editor->ESB1->Top());
  EXPECT_EQ(editor->ESB1->Top() + editor->ESB1->Height(), editor->ClientHeight());
  EXPECT_EQ(editor->RE1->Width(), editor->ClientWidth());
  editor->RE1->SetSelText("typed");
  EXPECT_TRUE(editor->GetModified());
  EXPECT_EQ(editor->ESB1->SimpleText(), "Modified");
  editor->Save1->Click();
  EXPECT_EQ(editor->ESB1->SimpleText(), " ");
  EXPECT_EQ(ReadFile(path), "typed[one]\r\nx=1\r\n");
}

TEST_F(EditFormTest, CloseAlwaysAsksAndYesWritesEvenAnUnchangedText) {
  String path = WriteFile("a.ini", "same");
  TEditForm* editor = Open(path);
  unlink(path.c_str());
  Seams::QueueMessageBoxAnswer(IDCANCEL);
  editor->Close1->Click();
  EXPECT_EQ(Boxes(), (std::vector<String>{"Save changes to " + path + "?"}));
  FlushReleasedForms();
  EXPECT_EQ(MainForm->MDIChildCount(), 1);

  Seams::QueueMessageBoxAnswer(IDYES);
  editor->Close1->Click();
  EXPECT_EQ(ReadFile(path), "same");
  FlushReleasedForms();
  EXPECT_EQ(MainForm->MDIChildCount(), 0);
}

TEST_F(EditFormTest, NoDiscardsTheChangesAndIsAskedOnce) {
  String path = WriteFile("a.ini", "kept");
  TEditForm* editor = Open(path);
  editor->RE1->SetText("lost");
  Seams::QueueMessageBoxAnswer(IDNO);
  editor->Close1->Click();
  FlushReleasedForms();
  EXPECT_EQ(MainForm->MDIChildCount(), 0);
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(ReadFile(path), "kept");
}

// The close box, the window menu's Close and Ctrl+W all close the window through Qt; each
// asks about a modified window as File > Close does, and an unchanged one closes at once.
TEST_F(EditFormTest, EveryOtherWayOfClosingAModifiedWindowAsksToo) {
  String path = WriteFile("a.ini", "kept");
  TEditForm* editor = Open(path);
  editor->RE1->SetText("typed");
  QWidget* frame = editor->Widget()->parentWidget();
  ASSERT_NE(frame, nullptr);
  Seams::QueueMessageBoxAnswer(IDCANCEL);
  frame->close();
  FlushReleasedForms();
  EXPECT_EQ(Boxes(), (std::vector<String>{"Save changes to " + path + "?"}));
  EXPECT_EQ(MainForm->MDIChildCount(), 1) << "Cancel keeps the window";
  EXPECT_TRUE(editor->GetModified());

  Seams::QueueMessageBoxAnswer(IDYES);
  SendMessageA(editor->Handle(), WM_CLOSE, 0, 0);
  FlushReleasedForms();
  EXPECT_EQ(MainForm->MDIChildCount(), 0);
  EXPECT_EQ(ReadFile(path), "typed");

  editor = Open(path);
  MainForm->FileCloseItem->Click();
  FlushReleasedForms();
  EXPECT_EQ(MainForm->MDIChildCount(), 0);
  EXPECT_EQ(Boxes().size(), 2u) << "an unchanged window is not asked about";
}

TEST_F(EditFormTest, AWindowWithoutAFileNameAsksWithAnEmptyPath) {
  auto* editor = new TEditForm(MainForm);
  EXPECT_EQ(editor->Caption(), "INI File");
  EXPECT_EQ(editor->GetFileName(), "");
  Seams::QueueMessageBoxAnswer(IDNO);
  editor->Close1->Click();
  EXPECT_EQ(Boxes().front(), "Save changes to ?");
}

TEST_F(EditFormTest, AFailedLoadLeavesAnEmptyWindowThatNeverOverwritesTheFile) {
  String path = WriteFile("big.ini", "");
  ASSERT_EQ(truncate(path.c_str(), (64ll << 20) + 1), 0);
  auto* editor = new TEditForm(MainForm);
  EXPECT_THROW(editor->LoadFile(path), EFOpenError);
  EXPECT_EQ(editor->Caption(), "INI File");
  EXPECT_EQ(editor->RE1->Text(), "");
  EXPECT_EQ(editor->GetFileName(), path);
  EXPECT_FALSE(editor->GetModified());
  editor->RE1->SetText("typed after the failure");
  EXPECT_THROW(editor->Save1->Click(), EFCreateError);
  EXPECT_TRUE(editor->GetModified());
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, (64ll << 20) + 1);
  // Saving under a new name is the way out.
  editor->SetFileName((Dir / "saved.ini").string());
  editor->Save1->Click();
  EXPECT_EQ(ReadFile((Dir / "saved.ini").string()), "typed after the failure");
}

TEST_F(EditFormTest, NotRegularFilesAreRefusedWithoutBlocking) {
  String fifo = (Dir / "pipe.ini").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const String& path : {fifo, String("/dev/zero"), Dir.string()}) {
    auto* editor = new TEditForm(MainForm);
    try {
      editor->LoadFile(path);
      ADD_FAILURE() << path;
    } catch (const EFOpenError& e) {
      EXPECT_EQ(e.Message().rfind("Cannot open file " + path, 0), 0u) << e.Message();
    }
  }
}

TEST_F(EditFormTest, AFailedSaveKeepsTheChangesMarked) {
  String path = WriteFile("a.ini", "a");
  TEditForm* editor = Open(path);
  editor->RE1->SetText("b");
  editor->SetFileName(path + "/inside-a-file.ini");
  try {
    editor->Save1->Click();
    FAIL() << "saved";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot create file " + path + "/inside-a-file.ini", 0), 0u);
  }
  EXPECT_TRUE(editor->GetModified());
  EXPECT_EQ(editor->ESB1->SimpleText(), "Modified");
  EXPECT_EQ(ReadFile(path), "a");
  // Close's Yes stops at the failed save and the window stays.
  Seams::QueueMessageBoxAnswer(IDYES);
  EXPECT_THROW(editor->Close1->Click(), EFCreateError);
  FlushReleasedForms();
  EXPECT_EQ(MainForm->MDIChildCount(), 1);
}

TEST_F(EditFormTest, UnchangedFilesOfEveryEncodingAreWrittenBackByteForByte) {
  const std::vector<String> files = {
      String("\xFF\xFE[\0a\0]\0\r\0\n\0\xAC\x20\r\0\n\0", 18), // UTF-16 LE with a euro sign
      String("\xFE\xFF\0[\0a\0]\0\r\0\n", 12),                 // UTF-16 BE
      "\xEF\xBB\xBF[caf\xC3\xA9]\r\nk=v\r\n",                  // UTF-8 with a BOM
      "[\x80\x9F\xE9\xFF]\nk=v\n",                             // Windows-1252, LF breaks kept
      "plain\r\nlines\r\n"};
  for (std::size_t i = 0; i < files.size(); ++i) {
    String path = WriteFile("enc" + std::to_string(i) + ".inf", files[i]);
    TEditForm* editor = Open(path);
    editor->Save1->Click();
    EXPECT_EQ(ReadFile(path), files[i]) << "file " << i;
  }
  TEditForm* cp1252 = dynamic_cast<TEditForm*>(MainForm->MDIChildren(1));
  EXPECT_EQ(cp1252->RE1->Text(), "[\xE2\x82\xAC\xC5\xB8\xC3\xA9\xC3\xBF]\nk=v\n");
}

TEST_F(EditFormTest, PrintingGoesOverAsManyPagesAsTheTextNeeds) {
  String pdf = (Dir / "out.pdf").string();
  Seams::PrintToPdf(pdf);
  String longText;
  for (int i = 0; i < 400; ++i)
    longText += "line " + std::to_string(i) + "\r\n";
  TEditForm* editor = Open(WriteFile("long.ini", longText));
  editor->Print1->Click();
  String printed = ReadFile(pdf);
  std::size_t pages = 0;
  for (std::size_t at = printed.find("/Type /Page"); at != String::npos; at = printed.find("/Type /Page", at + 1))
    if (printed.compare(at, 12, "/Type /Pages") != 0) ++pages;
  EXPECT_GT(pages, 1u);
}

TEST_F(EditFormTest, TheEditorsOwnSaveAsSavesUnderTheChosenName) {
  String old = WriteFile("old.ini", "old");
  TEditForm* editor = Open(old);
  editor->RE1->SetText("new");
  String chosen = (Dir / "chosen.ini").string();
  Seams::QueueDialogResult(true, chosen);
  editor->SaveAs1->Click();
  EXPECT_EQ(editor->Caption(), chosen);
  EXPECT_EQ(ReadFile(chosen), "new");
  EXPECT_EQ(ReadFile(old), "old");
  EXPECT_FALSE(editor->GetModified());
}

namespace {
// Ctrl+Z, or Ctrl+Shift+Z, pressed in the editor's text.
void PressUndo(TEditForm* Editor, bool Redo = false) {
  const auto modifiers = Redo ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier;
  for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
    QKeyEvent key(type, Qt::Key_Z, modifiers);
    QCoreApplication::sendEvent(Editor->RE1->Widget(), &key);
  }
}
} // namespace

TEST_F(EditFormTest, UndoingBackToTheSavedTextClearsModifiedAndRedoSetsItAgain) {
  String path = WriteFile("undo.ini", "[a]\r\nk=1\r\n");
  TEditForm* editor = Open(path);
  editor->RE1->SetSelStart(7);
  editor->RE1->SetSelText("0");
  ASSERT_TRUE(editor->GetModified());
  PressUndo(editor);
  EXPECT_EQ(editor->RE1->Text(), "[a]\nk=1\n");
  EXPECT_FALSE(editor->GetModified());
  EXPECT_EQ(editor->ESB1->SimpleText(), " ");
  PressUndo(editor, true);
  EXPECT_EQ(editor->RE1->Text(), "[a]\nk=10\n");
  EXPECT_TRUE(editor->GetModified());
  EXPECT_EQ(editor->ESB1->SimpleText(), "Modified");

  // After a save, the saved text is the unmodified one, and the text as loaded is a change.
  editor->Save1->Click();
  editor->RE1->SetSelText("2");
  PressUndo(editor);
  EXPECT_FALSE(editor->GetModified());
  PressUndo(editor);
  EXPECT_EQ(editor->RE1->Text(), "[a]\nk=1\n");
  EXPECT_TRUE(editor->GetModified());
}

// Undoing a join gives the text back but not the first line's own break: a save would change
// the file, so the window stays modified.
TEST_F(EditFormTest, UndoThatGivesTheTextBackWithOtherBreaksStaysModified) {
  TEditForm* editor = Open(WriteFile("breaks.ini", "[a]\nk=1\r\nj=2\n"));
  editor->RE1->SetSelStart(7);
  editor->RE1->SetSelLength(1);
  editor->RE1->SetSelText("");
  PressUndo(editor);
  EXPECT_EQ(editor->RE1->Text(), "[a]\nk=1\nj=2\n");
  EXPECT_TRUE(editor->GetModified());
}

// The status line's right shows where the caret is, the encoding and the line breaks; the
// encoding's panel and File > Save with Encoding save the file in another one.
TEST_F(EditFormTest, TheStatusLineShowsTheCaretTheEncodingAndTheBreaks) {
  const String utf16 = String("\xFF\xFE[\0a\0]\0\n\0k\0=\0\x41\x26\n\0", 18), path = WriteFile("u.ini", utf16);
  TEditForm* editor = Open(path);
  const auto panels = [editor] {
    return std::vector<String>{editor->ESB1->PanelText(0), editor->ESB1->PanelText(1), editor->ESB1->PanelText(2)};
  };
  Application->ProcessMessages();
  EXPECT_EQ(panels(), (std::vector<String>{"Ln 1, Col 1", "UTF-16 LE", "LF"}));
  EXPECT_EQ(editor->ESB1->SimpleText(), " ");
  editor->RE1->SetSelStart(6);
  Application->ProcessMessages();
  EXPECT_EQ(editor->ESB1->PanelText(0), "Ln 2, Col 3");

  QToolButton* encoding = nullptr;
  for (auto* b : editor->ESB1->Widget()->findChildren<QToolButton*>())
    if (b->text() == "UTF-16 LE") encoding = b;
  ASSERT_NE(encoding, nullptr);
  ASSERT_EQ(encoding->menu(), editor->SaveEncoding1->Menu());
  EXPECT_EQ(encoding->menu()->actions().size(), 5);

  editor->EncodingUtf8Bom1->Action()->trigger();
  EXPECT_EQ(ReadFile(path), "\xEF\xBB\xBF[a]\nk=\xE2\x99\x81\n");
  EXPECT_EQ(editor->ESB1->PanelText(1), "UTF-8 BOM");

  // Windows-1252 cannot store U+2641: No keeps the file and its encoding.
  Seams::QueueMessageBoxAnswer(IDNO);
  editor->EncodingWindows12521->Action()->trigger();
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(ReadFile(path), "\xEF\xBB\xBF[a]\nk=\xE2\x99\x81\n");
  EXPECT_EQ(editor->ESB1->PanelText(1), "UTF-8 BOM");

  // A line with a break of its own makes the breaks mixed.
  editor->RE1->SetSelStart(3);
  editor->RE1->SetSelText("\n");
  EXPECT_EQ(editor->ESB1->PanelText(2), "LF");
  TEditForm* mixed = Open(WriteFile("m.ini", "[a]\r\nk=1\n"));
  EXPECT_EQ(mixed->ESB1->PanelText(2), "Mixed");
  EXPECT_EQ(mixed->ESB1->PanelText(1), "UTF-8");
}

// Repeated headers and keys and lines that are no setting are counted in the status line, the
// first named in its tip; an INF file's repeated keys and odd lines are its own.
TEST_F(EditFormTest, LinesThatLookWrongAreCountedAndTheFirstIsNamed) {
  const String text = "; top\r\n[a]\r\nk=1\r\nK = 2\r\n\r\n[b]\r\nk=3\r\nstray words\r\n[A]\r\n";
  EXPECT_EQ(FindSuspectLines("[a]\nk=1\nK = 2\n\n[b]\nk=3\nstray words\n[A]\n", false),
            (std::vector<TSuspectLine>{{TSuspectLine::skKey, 2, 1, "K"},
                                       {TSuspectLine::skOdd, 6, -1, ""},
                                       {TSuspectLine::skSection, 7, 0, "A"}}));
  TEditForm* editor = Open(WriteFile("odd.ini", text));
  EXPECT_EQ(editor->ESB1->PanelText(3), "2 duplicates, 1 odd line");
  QToolButton* count = nullptr;
  for (auto* b : editor->ESB1->Widget()->findChildren<QToolButton*>())
    if (b->text() == "2 duplicates, 1 odd line") count = b;
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count->toolTip(), "Line 4: the key K repeats line 3 of its section");
  // Mended, the count goes.
  editor->RE1->SetText("[a]\nk=1\n");
  EXPECT_EQ(editor->ESB1->PanelText(3), "");

  TEditForm* inf = Open(WriteFile("setup.INF", text));
  EXPECT_EQ(inf->ESB1->PanelText(3), "1 duplicate");
}
