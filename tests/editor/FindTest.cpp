#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include "tests/app/MainFormTestSupport.h"

namespace {

class FindTest : public MainFormTest {
protected:
  // The section entries of an editor's Find menu, in their order.
  static std::vector<TMenuItem*> Sections(TEditForm* Editor) {
    std::vector<TMenuItem*> entries;
    int i = 0;
    while (Editor->Find->Items(i++) != Editor->N2) {
    }
    for (; i < Editor->Find->Count(); ++i)
      entries.push_back(Editor->Find->Items(i));
    return entries;
  }

  static std::vector<String> Captions(TEditForm* Editor) {
    std::vector<String> captions;
    for (TMenuItem* entry : Sections(Editor))
      captions.push_back(entry->Caption());
    return captions;
  }

  // The entry with the caption, the first of them.
  static TMenuItem* Section(TEditForm* Editor, const String& Caption) {
    for (TMenuItem* entry : Sections(Editor))
      if (entry->Caption() == Caption) return entry;
    ADD_FAILURE() << "no entry " << Caption;
    return nullptr;
  }

  static void FindNext(TEditForm* Editor, const String& Text) {
    Editor->FTD->SetFindText(Text);
    Editor->FTD->FindNext();
  }

  static void Select(TEditForm* Editor, int Start, int Length) {
    Editor->RE1->SetSelStart(Start);
    Editor->RE1->SetSelLength(Length);
  }

  static std::pair<int, int> Selection(TEditForm* Editor) {
    return {Editor->RE1->SelStart(), Editor->RE1->SelLength()};
  }
};

} // namespace

TEST_F(FindTest, AFileWithoutABracketHasOnlyTheFindCommandAndTheSeparator) {
  TEditForm* editor = Open(WriteFile("plain.ini", "key=value\r\nother=1\r\n"));
  ASSERT_EQ(editor->Find->Count(), 5);
  EXPECT_EQ(editor->Find->Items(0), editor->Text1);
  EXPECT_EQ(editor->Find->Items(1), editor->FindNext1);
  EXPECT_EQ(editor->Find->Items(2), editor->FindPrevious1);
  EXPECT_EQ(editor->Find->Items(3), editor->Replace1);
  EXPECT_EQ(editor->Find->Items(4), editor->N2);
}

TEST_F(FindTest, EveryHeaderLineBecomesAnEntryInTheOrderOfTheText) {
  String text = "; see [notes]\r\n"
                "[Main]\r\n"
                "key=[in a value]\r\n"
                "path=C:\\dir\\[x]\r\n"
                "[two\r\nlines]after=1\r\n"
                "  [a[b] ; indented, with a comment\r\n"
                "[]\r\n"
                "[ \t]\r\n"
                "\t[ spaced ]\r\n"
                "[unclosed\r\n"
                "[last]";
  TEditForm* editor = Open(WriteFile("many.ini", text));
  // Brackets inside a line, a header over two lines and a name of blanks make no entry.
  EXPECT_EQ(Captions(editor), (std::vector<String>{"Main", "a[b", " spaced ", "last"}));
  for (TMenuItem* entry : Sections(editor)) {
    EXPECT_EQ(entry->Owner(), editor->Find);
    EXPECT_EQ(entry->Hint(), "Move cursor to this section header");
  }
  // They follow the separator in the menu itself.
  QList<QAction*> shown = editor->Find->Menu()->actions();
  ASSERT_EQ(shown.size(), 9);
  EXPECT_TRUE(shown[4]->isSeparator());
  EXPECT_EQ(shown[5], Sections(editor).front()->Action());
  EXPECT_EQ(shown[8], Sections(editor).back()->Action());

  // The scan leaves the caret at the start with nothing selected and the window unmodified.
  EXPECT_EQ(Selection(editor), std::make_pair(0, 0));
  EXPECT_FALSE(editor->GetModified());
  EXPECT_EQ(editor->ESB1->SimpleText(), " ");
  Application->ProcessMessages();
  EXPECT_EQ(Selection(editor), std::make_pair(0, 0));
  EXPECT_FALSE(editor->GetModified());

  // An entry goes to its header line, just after the "[", not to the name inside a line before.
  Section(editor, " spaced ")->Click();
  // Nine CR LF before it, one position each.
  EXPECT_EQ(Selection(editor), std::make_pair(static_cast<int>(text.find("[ spaced") + 1 - 9), 0));
}

TEST_F(FindTest, AnOpeningBracketWithoutAClosingOneOnItsLineIsNoHeader) {
  TEditForm* editor = Open(WriteFile("cut.ini", "[first]\r\nx=1\r\n[second\r\ny=2]\r\n[third]\r\n"));
  EXPECT_EQ(Captions(editor), (std::vector<String>{"first", "third"}));
  EXPECT_EQ(Selection(editor), std::make_pair(0, 0));
}

TEST_F(FindTest, TheNthEntryOfANameGoesToTheNthHeaderOfIt) {
  String text = "; MAIN and [Main] settings follow\r\n"
                "[lead]\r\n"
                "[Main]\r\n"
                "a=1\r\n"
                "[a]\r\n"
                "[Main]\r\n"
                "[Main]\r\n";
  TEditForm* editor = Open(WriteFile("dup.ini", text));
  ASSERT_EQ(Captions(editor), (std::vector<String>{"lead", "Main", "a", "Main", "Main"}));
  std::vector<TMenuItem*> entries = Sections(editor);
  // Positions in the text as the control holds it, one per line break.
  const auto header = [](int Line) {
    static const int starts[] = {0, 34, 41, 48, 52, 56, 63};
    return starts[Line] + 1;
  };
  entries[4]->Click();
  EXPECT_EQ(Selection(editor), std::make_pair(header(6), 0));
  entries[3]->Click();
  EXPECT_EQ(Selection(editor), std::make_pair(header(5), 0));
  Select(editor, 30, 3);
  entries[1]->Click();
  EXPECT_EQ(Selection(editor), std::make_pair(header(2), 0));
  // "a" goes to its own header, not into "[lead]" or "a=1".
  entries[2]->Click();
  EXPECT_EQ(Selection(editor), std::make_pair(header(4), 0));
  EXPECT_EQ(Seams::BeepCount(), 0);
  EXPECT_FALSE(editor->GetModified());

  // Once a header of the name is gone, the last entry of it finds no header of its own.
  Select(editor, header(2), 4);
  editor->RE1->SetSelText("Other");
  entries[4]->Click();
  EXPECT_EQ(Seams::BeepCount(), 1);
  entries[3]->Click();
  EXPECT_EQ(Selection(editor), std::make_pair(header(6) + 1, 0));
}

TEST_F(FindTest, AnEntryWhoseNameIsGoneBeepsAndLeavesTheCaret) {
  TEditForm* editor = Open(WriteFile("gone.ini", "[gone]\r\nx=1\r\n[kept]\r\n"));
  Select(editor, 1, 4);
  editor->RE1->SetSelText("went");
  EXPECT_TRUE(editor->GetModified());
  // The entries stay as the text was loaded, also after a save.
  editor->Save1->Click();
  EXPECT_EQ(Captions(editor), (std::vector<String>{"gone", "kept"}));

  Select(editor, 9, 2);
  Section(editor, "gone")->Click();
  EXPECT_EQ(Seams::BeepCount(), 1);
  EXPECT_EQ(Selection(editor), std::make_pair(9, 2));
  Section(editor, "kept")->Click();
  EXPECT_EQ(Seams::BeepCount(), 1);
  EXPECT_EQ(Selection(editor), std::make_pair(12, 0));
}

TEST_F(FindTest, FindNextIgnoresCaseMatchesInsideWordsAndSelectsTheTextAsWritten) {
  TEditForm* editor = Open(WriteFile("case.ini", "[Windows]\r\nMINIMIZE=1\r\n"));
  FindNext(editor, "ini");
  EXPECT_EQ(Selection(editor), std::make_pair(11, 3));
  EXPECT_EQ(editor->RE1->SelText(), "INI");
  EXPECT_EQ(editor->ESB1->SimpleText(), " ");
  EXPECT_FALSE(editor->GetModified());
}

TEST_F(FindTest, FindNextStartsAfterTheSelectedMatchAndPastTheEndGoesOnOnceFromTheStartSayingSo) {
  TEditForm* editor = Open(WriteFile("repeat.ini", "ininini\r\n"));
  FindNext(editor, "ini");
  EXPECT_EQ(Selection(editor), std::make_pair(0, 3));
  FindNext(editor, "ini");
  EXPECT_EQ(Selection(editor), std::make_pair(4, 3)) << "not at 2, inside the match before";
  FindNext(editor, "ini");
  EXPECT_EQ(Selection(editor), std::make_pair(0, 3));
  EXPECT_EQ(editor->ESB1->SimpleText(), "Passed the end of the text; found from the start");
  FindNext(editor, "ini");
  EXPECT_EQ(Selection(editor), std::make_pair(4, 3));
  EXPECT_EQ(editor->ESB1->SimpleText(), " ") << "the note goes with the next find";
  EXPECT_TRUE(Boxes().empty());

  // From a caret with nothing selected the search starts at the caret; at the very end it
  // goes on from the start at once.
  editor->RE1->SetSelStart(1);
  FindNext(editor, "ini");
  EXPECT_EQ(Selection(editor), std::make_pair(2, 3));
  editor->RE1->SetSelStart(editor->RE1->GetTextLen());
  FindNext(editor, "ini");
  EXPECT_EQ(Selection(editor), std::make_pair(0, 3));
  EXPECT_EQ(Seams::BeepCount(), 0);
}

TEST_F(FindTest, ATextThatIsNowhereIsNamedInAMessageAndTheSelectionStays) {
  TEditForm* editor = Open(WriteFile("none.ini", "[a]\r\nkey=1\r\n"));
  Select(editor, 1, 1);
  FindNext(editor, "absent \"quoted\"");
  EXPECT_EQ(Boxes(), std::vector<String>{"Cannot find \"absent \"quoted\"\""});
  EXPECT_EQ(Selection(editor), std::make_pair(1, 1));
  // Match case and whole word leave out what they do not take.
  editor->FTD->SetOptions({frDown, frMatchCase});
  FindNext(editor, "KEY");
  editor->FTD->SetOptions({frDown, frWholeWord});
  FindNext(editor, "ke");
  EXPECT_EQ(Boxes().size(), 3u);
  EXPECT_EQ(Selection(editor), std::make_pair(1, 1));
}

TEST_F(FindTest, MatchCaseWholeWordAndUpNarrowAndTurnTheSearch) {
  TEditForm* editor = Open(WriteFile("options.ini", "Ini ini MINI ini_x \xC3\xA9ini ini\r\n"));
  editor->FTD->SetOptions({frDown, frMatchCase});
  FindNext(editor, "ini");
  EXPECT_EQ(Selection(editor), std::make_pair(4, 3));
  // Whole words: not inside "MINI", "ini_x" or after a letter that is not ASCII.
  editor->FTD->SetOptions({frDown, frWholeWord});
  editor->RE1->SetSelStart(0);
  std::vector<int> found;
  for (int i = 0; i < 4; ++i) {
    FindNext(editor, "ini");
    found.push_back(editor->RE1->SelStart());
  }
  EXPECT_EQ(found, (std::vector<int>{0, 4, 24, 0}));
  // Up: the last occurrence before the selection, then past the start from the end.
  editor->FTD->SetOptions({frWholeWord});
  editor->RE1->SetSelStart(editor->RE1->GetTextLen());
  found.clear();
  for (int i = 0; i < 3; ++i) {
    FindNext(editor, "ini");
    found.push_back(editor->RE1->SelStart());
  }
  EXPECT_EQ(found, (std::vector<int>{24, 4, 0}));
  EXPECT_EQ(editor->ESB1->SimpleText(), " ");
  FindNext(editor, "ini");
  EXPECT_EQ(editor->RE1->SelStart(), 24);
  EXPECT_EQ(editor->ESB1->SimpleText(), "Passed the start of the text; found from the end");
}

TEST_F(FindTest, FindNextAndPreviousActOnTheActiveWindowAfterTheDialogHasClosed) {
  TEditForm* first = Open(WriteFile("first.ini", "key=1\r\nkey=2\r\n"));
  first->Text1->Click();
  first->FTD->SetFindText("KEY");
  first->FTD->FindNext();
  first->FTD->CloseDialog();
  EXPECT_EQ(Selection(first), std::make_pair(0, 3));
  TEditForm* second = Open(WriteFile("second.ini", "a=1\r\nkey=2\r\nkey=3\r\n"));
  ASSERT_EQ(MainForm->ActiveMDIChild(), second);
  second->FindNext1->Click();
  EXPECT_EQ(Selection(second), std::make_pair(4, 3)) << "the last search, in the window it is given to";
  second->FindNext1->Click();
  EXPECT_EQ(Selection(second), std::make_pair(10, 3));
  second->FindPrevious1->Click();
  EXPECT_EQ(Selection(second), std::make_pair(4, 3));
  // The first window's dialog searches the window that is active now.
  first->FTD->FindNext();
  EXPECT_EQ(Selection(second), std::make_pair(10, 3));
  EXPECT_EQ(Selection(first), std::make_pair(0, 3));
}

TEST_F(FindTest, PositionsCountCharactersAsTheTextControlDoes) {
  // A two-byte letter, and a character outside the Basic Multilingual Plane that the
  // control counts as two.
  TEditForm* editor = Open(WriteFile("wide.ini", "[caf\xC3\xA9]\r\n[\xF0\x9D\x84\x9Ex]\r\nk=\xF0\x9D\x84\x9EX\r\n"));
  ASSERT_EQ(Captions(editor), (std::vector<String>{"caf\xC3\xA9", "\xF0\x9D\x84\x9Ex"}));
  Sections(editor)[1]->Click();
  EXPECT_EQ(Selection(editor), std::make_pair(8, 0));
  editor->RE1->SetSelStart(10);
  FindNext(editor, "\xF0\x9D\x84\x9Ex");
  EXPECT_EQ(Selection(editor), std::make_pair(15, 3));
  EXPECT_EQ(editor->RE1->SelText(), "\xF0\x9D\x84\x9EX");
}

TEST_F(FindTest, TheFindCommandShowsTheDialogWhoseFindNextSearchesTheEditor) {
  TEditForm* editor = Open(WriteFile("dialog.ini", "[one]\r\nkey=two\r\n"));
  editor->FTD->SetFindText("left over");
  editor->Text1->Click();
  QDialog* dialog = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible() && d->windowTitle() == "Find") dialog = d;
  ASSERT_NE(dialog, nullptr);
  auto* edit = dialog->findChild<QLineEdit*>();
  EXPECT_EQ(edit->text(), "") << "the command starts with an empty text";
  edit->setText("TWO");
  for (QPushButton* b : dialog->findChildren<QPushButton*>())
    if (b->text() == "&Find Next") b->click();
  EXPECT_EQ(editor->RE1->SelText(), "two");
  // The text has the keyboard focus again, in the active window.
  Application->ProcessMessages();
  EXPECT_EQ(QApplication::focusWidget(), editor->RE1->Widget());
  EXPECT_TRUE(dialog->isVisible()) << "the dialog stays for the next find-next";
}

TEST_F(FindTest, TheEntriesGoWithTheirWindow) {
  TEditForm* editor = Open(WriteFile("owned.ini", "[a]\r\n[b]\r\n"));
  ASSERT_EQ(Sections(editor).size(), 2u);
  QPointer<QAction> first = Sections(editor)[0]->Action();
  QPointer<QAction> second = Sections(editor)[1]->Action();
  editor->Close();
  FlushReleasedForms();
  EXPECT_EQ(MainForm->MDIChildCount(), 0);
  EXPECT_TRUE(first.isNull());
  EXPECT_TRUE(second.isNull());
}

TEST_F(FindTest, AFailedLoadAddsNoEntries) {
  auto* editor = new TEditForm(MainForm);
  EXPECT_THROW(editor->LoadFile((Dir / "missing.ini").string()), EFOpenError);
  EXPECT_EQ(editor->Find->Count(), 5);
}

TEST_F(FindTest, ReplaceAllIsOneStepOfUndoSaysHowManyAndKeepsEveryLinesBreak) {
  // The second line ends in a break of its own, which a save keeps.
  String path = WriteFile("replace.ini", "a=Old\r\nb=old\nc=OLD oldish\r\n");
  TEditForm* editor = Open(path);
  editor->RD->SetFindText("old");
  editor->RD->SetReplaceText("new");
  editor->RD->SetOptions({frDown, frWholeWord});
  editor->RD->ReplaceAll();
  EXPECT_EQ(editor->RE1->Text(), "a=new\nb=new\nc=new oldish\n");
  EXPECT_EQ(Boxes(), std::vector<String>{"Replaced 3 occurrences of \"old\"."});
  EXPECT_TRUE(editor->GetModified());
  EXPECT_EQ(editor->ESB1->SimpleText(), "Modified");
  editor->Save1->Click();
  EXPECT_EQ(ReadFile(path), "a=new\r\nb=new\nc=new oldish\r\n");
  static_cast<QPlainTextEdit*>(editor->RE1->Widget())->undo();
  EXPECT_EQ(editor->RE1->Text(), "a=Old\nb=old\nc=OLD oldish\n") << "one undo takes all of it back";
}

TEST_F(FindTest, ReplaceReplacesTheSelectedOccurrenceOnlyAndSelectsTheNext) {
  TEditForm* editor = Open(WriteFile("one.ini", "x=old\nold=y\n"));
  editor->RD->SetFindText("OLD");
  editor->RD->SetReplaceText("brand new");
  editor->RD->Replace();
  EXPECT_EQ(editor->RE1->Text(), "x=old\nold=y\n") << "nothing selected: the first is found";
  EXPECT_EQ(Selection(editor), std::make_pair(2, 3));
  EXPECT_FALSE(editor->GetModified());
  editor->RD->Replace();
  EXPECT_EQ(editor->RE1->Text(), "x=brand new\nold=y\n");
  EXPECT_EQ(Selection(editor), std::make_pair(12, 3));
  EXPECT_TRUE(editor->GetModified());
  editor->RD->Replace();
  EXPECT_EQ(editor->RE1->Text(), "x=brand new\nbrand new=y\n");
  EXPECT_EQ(Boxes(), std::vector<String>{"Cannot find \"OLD\""});
  // The Find menu's command shows the dialog.
  editor->Replace1->Click();
  bool shown = false;
  for (QWidget* w : QApplication::topLevelWidgets())
    shown |= w->isVisible() && w->windowTitle() == "Replace";
  EXPECT_TRUE(shown);
}
