#include <QIcon>
#include <QMdiArea>
#include <QMenu>
#include <QMouseEvent>
#include <QToolTip>

#include "platform/QtWindow.h"
#include "tests/app/MainFormTestSupport.h"
#include "tests/support/PointerInput.h"

namespace {

std::vector<bool> ChildCommandStates() {
  TMainForm* m = MainForm;
  return {m->FileCloseItem->Enabled(),  m->FileSaveItem->Enabled(),      m->FileSaveAsItem->Enabled(),
          m->CutItem->Enabled(),        m->CopyItem->Enabled(),          m->PasteItem->Enabled(),
          m->Selectall1->Enabled(),     m->SaveBtn->Enabled(),           m->CutBtn->Enabled(),
          m->CopyBtn->Enabled(),        m->PasteBtn->Enabled(),          m->WindowCascadeItem->Enabled(),
          m->WindowTileItem->Enabled(), m->WindowArrangeItem->Enabled(), m->WindowMinimizeItem->Enabled(),
          m->CloseAll1->Enabled()};
}

} // namespace

TEST_F(MainFormTest, StartsAsTheTitledMdiFrameWithItsCommandsInTheirFirstStates) {
  EXPECT_EQ(Application->Title(), "Tabrix");
  EXPECT_EQ(MainForm->Caption(), "Tabrix");
  EXPECT_EQ(MainForm->FormStyle(), fsMDIForm);
  EXPECT_EQ(ChildCommandStates(), std::vector<bool>(16, false));
  for (TMenuItem* always : {MainForm->FileOpenItem, MainForm->FileExitItem, MainForm->HelpAboutItem})
    EXPECT_TRUE(always->Enabled()) << always->Name();
  EXPECT_TRUE(MainForm->OpenBtn->Enabled());
  EXPECT_TRUE(MainForm->ExitBtn->Enabled());
  EXPECT_TRUE(MainForm->ScanButton->Enabled());
  EXPECT_FALSE(MainForm->IncludeINF->Checked());
  // Its caption shows whole.
  QWidget* box = MainForm->IncludeINF->Widget();
  EXPECT_GE(box->width(), box->sizeHint().width());
  // The scan lamp: an unlit lime square at the right end of the tool panel.
  EXPECT_EQ(MainForm->ScanLed->Parent(), MainForm->SpeedPanel);
  EXPECT_EQ(MainForm->ScanLed->Left(), 475);
  EXPECT_EQ(MainForm->ScanLed->Width(), 13);
  EXPECT_EQ(MainForm->ScanLed->Height(), 13);
  EXPECT_FALSE(MainForm->ScanLed->LedOn());
  EXPECT_EQ(MainForm->ScanLed->ColorOff(), clLime);
  EXPECT_EQ(MainForm->ScanLed->LedType(), ltSquare);
  EXPECT_EQ(MenuBar(), (std::vector<String>{"&File", "&Edit", "&Window", "&Help"}));
}

TEST_F(MainFormTest, ChildCommandsAreEnabledExactlyWhileAnEditorExists) {
  TEditForm* editor = Open(WriteFile("a.ini", "[a]\r\n"));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(ChildCommandStates(), std::vector<bool>(16, true));
  MainForm->FileCloseItem->Click();
  // Released once control is back in the loop; until then it still counts.
  EXPECT_EQ(MainForm->MDIChildCount(), 1);
  FlushReleasedForms();
  EXPECT_EQ(MainForm->MDIChildCount(), 0);
  EXPECT_EQ(ChildCommandStates(), std::vector<bool>(16, false));
  EXPECT_TRUE(Boxes().empty()); // File > Close asks nothing
}

TEST_F(MainFormTest, TheActiveEditorsMenuTakesThePlaceOfTheMainFileMenu) {
  Open(WriteFile("a.ini", "x"));
  EXPECT_EQ(MenuBar(), (std::vector<String>{"&File", "&Edit", "F&ind", "&Window", "&Help"}));
  QMenu* file = MainForm->Widget()->findChild<QMenuBar*>()->actions().front()->menu();
  std::vector<String> entries;
  for (QAction* a : file->actions())
    if (!a->isSeparator()) entries.push_back(a->text().toStdString());
  EXPECT_EQ(entries, (std::vector<String>{"&Close", "&Save", "Save &As", "Save with &Encoding", "&Print"}));
  MainForm->CloseAll1->Click();
  FlushReleasedForms();
  EXPECT_EQ(MenuBar(), (std::vector<String>{"&File", "&Edit", "&Window", "&Help"}));
}

TEST_F(MainFormTest, ExitAsksAboutEveryModifiedEditorAndACancelEndsTheQuestions) {
  String a = WriteFile("a.ini", "old a"), b = WriteFile("b.ini", "old b"), c = WriteFile("c.ini", "old c");
  TEditForm* first = Open(a);
  TEditForm* second = Open(b);
  TEditForm* third = Open(c);
  for (TEditForm* editor : {first, second, third})
    editor->RE1->SetText("new");
  // The most recently activated editor is asked about first; after the Cancel nothing is
  // asked or saved, although an answer waits.
  Seams::QueueMessageBoxAnswer(IDNO);
  Seams::QueueMessageBoxAnswer(IDCANCEL);
  Seams::QueueMessageBoxAnswer(IDYES);
  MainForm->ExitBtn->Click();
  EXPECT_EQ(Boxes(), (std::vector<String>{"Save changes to " + c + "?", "Save changes to " + b + "?"}));
  EXPECT_EQ(Seams::MessageBoxes()[0].Caption, "Please Confirm");
  EXPECT_EQ(Seams::MessageBoxes()[0].Type, MB_YESNOCANCEL);
  EXPECT_FALSE(Application->Terminated());
  EXPECT_EQ(ReadFile(a) + ReadFile(b) + ReadFile(c), "old aold bold c");
  EXPECT_EQ(MainForm->MDIChildCount(), 3);
  EXPECT_TRUE(first->GetModified() && second->GetModified() && third->GetModified());
}

TEST_F(MainFormTest, CloseAllStopsAtACancelAndLeavesThatEditorAndTheRestOpen) {
  TEditForm* third = Open(WriteFile("1.ini", "1"));
  TEditForm* second = Open(WriteFile("2.ini", "2"));
  TEditForm* first = Open(WriteFile("3.ini", "3"));
  ASSERT_EQ(MainForm->MDIChildren(0), first);
  ASSERT_EQ(MainForm->MDIChildren(1), second);
  second->RE1->SetText("changed");
  Seams::QueueMessageBoxAnswer(IDCANCEL);
  MainForm->CloseAll1->Click();
  FlushReleasedForms();
  ASSERT_EQ(MainForm->MDIChildCount(), 2);
  EXPECT_EQ(Boxes().size(), 1u);
  std::vector<TForm*> left{MainForm->MDIChildren(0), MainForm->MDIChildren(1)};
  EXPECT_NE(std::find(left.begin(), left.end(), second), left.end());
  EXPECT_NE(std::find(left.begin(), left.end(), third), left.end());
  EXPECT_TRUE(MainForm->CloseAll1->Enabled());
}

TEST_F(MainFormTest, CloseAllSavesOnYesAndClosesEveryEditor) {
  String path = WriteFile("1.ini", "1");
  Open(WriteFile("2.ini", "2"));
  TEditForm* modified = Open(path);
  modified->RE1->SetText("one");
  Seams::QueueMessageBoxAnswer(IDYES);
  MainForm->CloseAll1->Click();
  FlushReleasedForms();
  EXPECT_EQ(MainForm->MDIChildCount(), 0);
  EXPECT_EQ(ReadFile(path), "one");
  EXPECT_EQ(ChildCommandStates(), std::vector<bool>(16, false));
}

TEST_F(MainFormTest, ExitWithNothingModifiedAsksNothingAndEndsTheProgram) {
  Open(WriteFile("a.ini", "a"));
  MainForm->FileExitItem->Click();
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(Application->Terminated());
}

TEST_F(MainFormTest, EditCommandsActOnTheActiveEditor) {
  TEditForm* editor = Open(WriteFile("a.ini", "alpha beta"));
  // Cut with nothing selected changes no text but still marks the window modified.
  editor->RE1->SetSelStart(0);
  editor->RE1->SetSelLength(0);
  MainForm->CutBtn->Click();
  EXPECT_EQ(editor->RE1->Text(), "alpha beta");
  EXPECT_TRUE(editor->GetModified());
  EXPECT_EQ(editor->ESB1->SimpleText(), "Modified");

  editor->SetModified(false);
  MainForm->Selectall1->Click();
  EXPECT_EQ(editor->RE1->SelLength(), 10);
  MainForm->CopyBtn->Click();
  EXPECT_FALSE(editor->GetModified());
  editor->RE1->SetSelStart(10);
  editor->RE1->SetSelLength(0);
  MainForm->PasteBtn->Click();
  EXPECT_EQ(editor->RE1->Text(), "alpha betaalpha beta");
  EXPECT_TRUE(editor->GetModified());
}

TEST_F(MainFormTest, TheSameFileOpenedTwiceGivesTwoWindowsAndTheLastSaveWins) {
  String path = WriteFile("a.ini", "start");
  TEditForm* one = Open(path);
  TEditForm* two = Open(path);
  ASSERT_NE(one, two);
  EXPECT_EQ(MainForm->MDIChildCount(), 2);
  one->RE1->SetText("from one");
  two->RE1->SetText("from two");
  MainForm->SaveBtn->Click(); // the active one: two
  one->Save1->Click();
  EXPECT_EQ(ReadFile(path), "from one");
}

TEST_F(MainFormTest, TheEditorsSaveAsWritesTheNewFileAndLeavesTheOldOneAlone) {
  String old = WriteFile("old.ini", "keep");
  TEditForm* editor = Open(old);
  editor->RE1->SetText("moved");
  String renamed = (Dir / "new.ini").string();
  Seams::QueueDialogResult(true, renamed);
  editor->SaveAs1->Click();
  EXPECT_EQ(editor->Caption(), renamed);
  EXPECT_EQ(ReadFile(renamed), "moved");
  editor->RE1->SetText("again");
  editor->Save1->Click();
  EXPECT_EQ(ReadFile(renamed), "again");
  EXPECT_EQ(ReadFile(old), "keep");
  // A cancelled dialog changes nothing.
  Seams::QueueDialogResult(false, "");
  editor->SaveAs1->Click();
  EXPECT_EQ(editor->GetFileName(), renamed);
}

TEST_F(MainFormTest, AMenuItemsHintShowsWhileHighlightedAndClearsWhenTheMenuCloses) {
  MainForm->SB1->SetSimpleText("Scan Complete..");
  // Pointing at the menu bar opens nothing and leaves the status line alone.
  QMenuBar* bar = MainForm->Widget()->findChild<QMenuBar*>();
  QPointF entry = bar->actionGeometry(bar->actions().back()).center();
  QMouseEvent move(QEvent::MouseMove, entry, bar->mapToGlobal(entry), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(bar, &move);
  EXPECT_EQ(MainForm->SB1->SimpleText(), "Scan Complete..");
  QMenu* help = MainForm->Help1->Menu();
  help->popup(QPoint(0, 0));
  EXPECT_EQ(MainForm->SB1->SimpleText(), "Help topics");
  MainForm->HelpAboutItem->Action()->hover();
  EXPECT_EQ(MainForm->SB1->SimpleText(), "Display the About Box");
  help->hide();
  EXPECT_EQ(MainForm->SB1->SimpleText(), "");
  // Pointing at a tool button shows its tooltip and writes nothing to the status line.
  MainForm->SB1->SetSimpleText("Scan Complete..");
  MainForm->Widget()->activateWindow();
  Settle();
  QWidget* button = MainForm->OpenBtn->Widget();
  PointAt(button, button->width() / 2, button->height() / 2);
  ASSERT_TRUE(button->underMouse());
  // The tip shows once the pointer has rested there for the style's delay.
  EXPECT_TRUE(WaitUntil([] { return QToolTip::isVisible(); }));
  EXPECT_EQ(QToolTip::text().toStdString(), "Open");
  EXPECT_EQ(MainForm->SB1->SimpleText(), "Scan Complete..");
}

TEST_F(MainFormTest, DisabledItemsShowTheirHintsAndEntriesWithoutOneClearIt) {
  // The pointer moving inside an open menu onto an action.
  auto pointAt = [](QMenu* Menu, QAction* Action) {
    QPointF at = Menu->actionGeometry(Action).center();
    for (int step = 0; step < 8; ++step) {
      QMouseEvent move(QEvent::MouseMove, at, Menu->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
      QCoreApplication::sendEvent(Menu, &move);
    }
  };
  QMenu* edit = MainForm->Edit1->Menu();
  edit->popup(QPoint(0, 0));
  ASSERT_FALSE(MainForm->CutItem->Enabled());
  pointAt(edit, MainForm->CutItem->Action());
  EXPECT_EQ(MainForm->SB1->SimpleText(), "Cut to clipboard");
  edit->hide();

  Open(WriteFile("a.ini", "[a]"));
  QMenu* window = MainForm->Window1->Menu();
  window->popup(QPoint(0, 0));
  QList<QAction*> entries = window->actions();
  ASSERT_GE(entries.size(), 7);
  QAction* separator = entries[5];
  QAction* listed = entries[6];
  ASSERT_TRUE(separator->isSeparator());
  pointAt(window, MainForm->CloseAll1->Action());
  EXPECT_EQ(MainForm->SB1->SimpleText(), "Close all open files");
  pointAt(window, separator);
  EXPECT_EQ(MainForm->SB1->SimpleText(), "");
  pointAt(window, MainForm->CloseAll1->Action());
  pointAt(window, listed);
  EXPECT_EQ(MainForm->SB1->SimpleText(), "");
  window->hide();
}

TEST_F(MainFormTest, DoubleClickingTheTipOfALongPathOpensThatFile) {
  String path = WriteFile("a-name-long-enough-that-the-file-list-cannot-show-all-of-it.ini", "[long]\r\n");
  MainForm->LLB1->Items()->Add(WriteFile("short.ini", "[short]"));
  MainForm->LLB1->Items()->Add(path);
  QWidget* list = WindowClient(MainForm->LLB1->Handle());
  TRect item = MainForm->LLB1->ItemRect(1);
  const int x = item.left + 5, y = (item.top + item.bottom) / 2;
  // Tips show only while the list has the focus.
  MoveTo(list, x, y);
  ASSERT_EQ(MainForm->LLB1->Tip(), nullptr);
  MainForm->LLB1->SetFocus();
  Settle();
  MoveTo(list, 5, 300);
  MoveTo(list, x, y);
  TLongEdit* tip = MainForm->LLB1->Tip();
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(tip->Text(), path);
  EXPECT_TRUE(tip->Widget()->isVisible());
  for (QEvent::Type type :
       {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
    Press(tip->Widget(), type, 20, 5);
  auto* editor = dynamic_cast<TEditForm*>(MainForm->ActiveMDIChild());
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->GetFileName(), path);
  EXPECT_EQ(editor->RE1->Text(), "[long]\n");
  EXPECT_EQ(MainForm->MDIChildCount(), 1);
}

TEST_F(MainFormTest, OpeningWithNoEntrySelectedOnlyBeeps) {
  MainForm->LLB1->Items()->Add(WriteFile("listed.ini", "[listed]"));
  const int beeps = Seams::BeepCount();
  MainForm->OpenBtn->Click();
  MainForm->LLB1->DblClick();
  EXPECT_EQ(Seams::BeepCount(), beeps + 2);
  EXPECT_EQ(MainForm->MDIChildCount(), 0);
  EXPECT_TRUE(Boxes().empty());

  MainForm->LLB1->SetItemIndex(0);
  MainForm->LLB1->DblClick();
  auto* opened = dynamic_cast<TEditForm*>(MainForm->MDIChildren(0));
  EXPECT_EQ(opened->RE1->Text(), "[listed]");
}

TEST_F(MainFormTest, MinimizeAllAndTheArrangementsWorkOnTheChildren) {
  TEditForm* a = Open(WriteFile("a.ini", "a"));
  TEditForm* b = Open(WriteFile("b.ini", "b"));
  TEditForm* c = Open(WriteFile("c.ini", "c"));
  MainForm->WindowTileItem->Click();
  // Tiled: one above the other, each as wide as the client area.
  QRect area = MainForm->MDIArea()->viewport()->rect();
  std::vector<QRect> frames;
  for (TEditForm* e : {a, b, c})
    frames.push_back(e->Widget()->parentWidget()->geometry());
  for (const QRect& r : frames)
    EXPECT_EQ(r.width(), area.width());
  EXPECT_EQ(frames[0].top(), 0);
  EXPECT_EQ(frames[1].top(), frames[0].bottom() + 1);
  EXPECT_EQ(frames[2].bottom(), area.height() - 1);

  MainForm->WindowMinimizeItem->Click();
  for (TEditForm* e : {a, b, c})
    EXPECT_EQ(e->WindowState(), wsMinimized) << e->GetFileName();
  MainForm->WindowArrangeItem->Click();
  // Arranged icons lie along the bottom edge, side by side.
  QRect first = a->Widget()->parentWidget()->geometry(), second = b->Widget()->parentWidget()->geometry();
  EXPECT_EQ(first.bottom(), area.height() - 1);
  EXPECT_EQ(second.left(), first.right() + 1);
}

TEST_F(MainFormTest, TheFirstSizeFitsTheToolPanelTheListAndAnEditorWindow) {
  TEditForm* editor = Open(WriteFile("a.ini", "a"));
  QRect area = MainForm->MDIArea()->viewport()->rect();
  QRect frame = editor->Widget()->parentWidget()->geometry();
  EXPECT_TRUE(area.contains(frame));
  EXPECT_GE(frame.width(), 429); // the editor window's designed width
  EXPECT_GE(MainForm->SpeedPanel->Width(), MainForm->ScanLed->Left() + MainForm->ScanLed->Width());
}

TEST_F(MainFormTest, TheProgramsIconMarksItsWindows) {
  Application->Initialize();
  QIcon icon = MainForm->Widget()->windowIcon();
  ASSERT_FALSE(icon.isNull());
  EXPECT_EQ(icon.availableSizes().front(), QSize(32, 32));
}
