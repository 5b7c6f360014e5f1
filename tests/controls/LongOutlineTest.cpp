#include <gtest/gtest.h>

#include <QImage>
#include <QPaintEvent>
#include <QRegion>
#include <QWidget>

#include "controls/LongOutline.h"
#include "platform/QtWindow.h"
#include "tests/controls/LongItemFormTest.h"
#include "tests/support/WindowHook.h"

namespace {

constexpr int RowHeight = 16;

// A long-item outline that shows five rows, read from a description so that the outline hooks
// the form as a long-item control on a form does.
String Description() {
  return R"(  object LO1: TLongOutline
    Left = 10
    Top = 20
    Width = 150
    Height = 84
    ItemHeight = 16
    OutlineStyle = osTreeText
    Options = []
)" + LongItemFormTest::MainListLook() +
         "  end\n";
}

// Gathers what is painted of a widget.
class TPaintWatcher : public QObject {
public:
  QRegion Painted;
  bool eventFilter(QObject*, QEvent* Event) override {
    if (Event->type() == QEvent::Paint) Painted += static_cast<QPaintEvent*>(Event)->region();
    return false;
  }
};

class LongOutlineTest : public LongItemFormTest {
protected:
  void SetUp() override {
    RegisterLongOutline();
    ReadForm(Description(), "LongOutlineTest.form");
    Outline = Find<TLongOutline>("LO1");
    Outline->Add(0, "A top-level item whose text is far too long for the outline"); // 1
    Outline->AddChild(1, "Short child");                                            // 2
    Outline->AddChild(1, "A child whose text runs past the right edge as well");    // 3
    Outline->Add(0, "Short");                                                       // 4
    Outline->Add(0, "Another top-level item that does not fit either");             // 5
  }

  QWidget* Client() const { return WindowClient(Outline->Handle()); }
  // Onto the row that shows item Index.
  void MoveOnto(int Index) {
    for (int y = RowHeight / 2; y < Client()->height(); y += RowHeight)
      if (Outline->GetItem(5, y) == Index) return MoveTo(Client(), 5, y);
    FAIL() << "item " << Index << " is not in view";
  }

  TLongOutline* Outline = nullptr;
};

} // namespace

TEST_F(LongOutlineTest, TheTipStartsWhereTheStyleAndTheLevelPutTheText) {
  MoveOnto(1);
  TLongEdit* tip = Outline->Tip();
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(tip->Parent(), Form);
  EXPECT_EQ(tip->Text(), Outline->Items(1)->Text());
  EXPECT_EQ(tip->Left(), Outline->Left() + 0 + 1) << "a top-level tree text starts at the cell's left edge";
  EXPECT_EQ(tip->Top(), Outline->Top());

  Outline->SetOutlineStyle(osPlusMinusPictureText);
  Outline->Items(1)->SetExpanded(true);
  MoveOnto(3);
  ASSERT_NE(Outline->Tip(), nullptr);
  EXPECT_EQ(Outline->Tip()->Left(), Outline->Left() + 3 * RowHeight + 1);
  EXPECT_EQ(Outline->Tip()->Top(), Outline->Top() + 2 * RowHeight);

  Outline->SetOptions({ooDrawTreeRoot});
  MoveOnto(1);
  MoveOnto(3);
  ASSERT_NE(Outline->Tip(), nullptr);
  EXPECT_EQ(Outline->Tip()->Left(), Outline->Left() + 4 * RowHeight + 1) << "one step more for the tree root";
}

TEST_F(LongOutlineTest, AnItemBelowACollapsedOneGetsTheRowItIsShownIn) {
  MoveOnto(5); // items 2 and 3 are hidden: row 2, not row 4
  ASSERT_NE(Outline->Tip(), nullptr);
  EXPECT_EQ(Outline->Tip()->Top(), Outline->Top() + 2 * RowHeight);

  Outline->Items(1)->SetExpanded(true);
  Outline->Add(0, "one row more");
  Outline->SetTopRow(1);
  MoveOnto(4);
  MoveOnto(5); // now row 4, scrolled up by one
  ASSERT_NE(Outline->Tip(), nullptr);
  EXPECT_EQ(Outline->Tip()->Top(), Outline->Top() + 3 * RowHeight);
}

TEST_F(LongOutlineTest, ATipShowsOnlyForATextEndingPastTheWidthLessFour) {
  Outline->SetOutlineStyle(osPlusMinusText); // a level-2 text starts two row heights in
  Outline->Items(1)->SetExpanded(true);
  const String text = Outline->Items(3)->Text();
  Outline->Canvas()->Font()->Assign(*Outline->Font());
  const int width = Outline->Canvas()->TextWidth(text);
  ASSERT_GT(width, 0);
  Outline->SetWidth(2 * RowHeight + width + 4);
  MoveOnto(3);
  EXPECT_EQ(Outline->Tip(), nullptr) << "ends exactly at the width less four";
  MoveOnto(4);
  Outline->SetWidth(2 * RowHeight + width + 3);
  MoveOnto(3);
  ASSERT_NE(Outline->Tip(), nullptr) << "one pixel more";
  EXPECT_EQ(Outline->Tip()->Text(), text);
  MoveOnto(4);
  EXPECT_EQ(Outline->Tip(), nullptr) << "a short item takes the tip away";
}

TEST_F(LongOutlineTest, ClickingIntoAnotherControlRemovesTheTipAndTheSelectionShowsUnfocused) {
  Outline->SetSelectedItem(4); // in row 1, below the tip's row
  Outline->SetFocus();
  Settle();
  MoveOnto(1);
  ASSERT_NE(Outline->Tip(), nullptr);
  Settle(); // the tip shows
  // A point of the selected item's mark that the tip does not cover.
  const QPoint mark(1, 2 * RowHeight - 2);
  ASSERT_FALSE(QRect(Client()->mapFrom(Form->ClientWidget(), Outline->Tip()->Widget()->geometry().topLeft()),
                     Outline->Tip()->Widget()->size())
                   .contains(mark));
  TPaintWatcher watcher;
  Client()->installEventFilter(&watcher);

  Press(Other->Widget(), QEvent::MouseButtonPress, 5, 5);
  Press(Other->Widget(), QEvent::MouseButtonRelease, 5, 5);
  Settle();
  EXPECT_EQ(GetFocus(), Other->Handle());
  EXPECT_EQ(Outline->Tip(), nullptr);
  EXPECT_TRUE(watcher.Painted.contains(mark)) << "the outline's own handling of the focus loss redrew the selection";
  const QColor colour = Client()->grab().toImage().pixelColor(mark);
  EXPECT_NE(colour, Outline->Widget()->palette().color(QPalette::Active, QPalette::Highlight));
  EXPECT_NE(colour, Outline->Widget()->palette().color(QPalette::Active, QPalette::Base)) << "still marked";
  FlushReleasedForms();
  EXPECT_EQ(Outline->ComponentCount(), 0) << "the tip is gone";

  MoveOnto(1);
  EXPECT_NE(Outline->Tip(), nullptr) << "the same item shows its tip again";
}

TEST_F(LongOutlineTest, OnlyWhenFocusedShowsNoTipWithoutTheFocus) {
  Outline->SetOnlyWhenFocused(true);
  Other->SetFocus();
  Settle();
  MoveOnto(1);
  MoveOnto(5);
  EXPECT_EQ(Outline->Tip(), nullptr);
  Outline->SetFocus();
  Settle();
  MoveOnto(1);
  EXPECT_NE(Outline->Tip(), nullptr);
}

TEST_F(LongOutlineTest, APressOnTheTipIsSentAndTheRestIsPostedToTheOutlineAtTheSamePoint) {
  // Every button message the outline's window gets, in order.
  std::vector<TMessage> seen;
  TWindowHook recorder(Outline->Handle(), [&](TMessage& M) {
    if (M.Msg == WM_LBUTTONDOWN || M.Msg == WM_LBUTTONUP || M.Msg == WM_LBUTTONDBLCLK) seen.push_back(M);
    return false;
  });
  int doubleClicks = 0;
  Outline->SetOnDblClick([&](TObject*) { ++doubleClicks; });
  Other->SetFocus();
  Settle();
  MoveOnto(1);
  TLongEdit* tip = Outline->Tip();
  ASSERT_NE(tip, nullptr);
  const QPoint at = Client()->mapFromGlobal(tip->Widget()->mapToGlobal(QPoint(10, 5)));
  const LPARAM point = MAKELPARAM(at.x(), at.y());

  Press(tip->Widget(), QEvent::MouseButtonPress, 10, 5);
  ASSERT_EQ(seen.size(), 1u) << "the press is handled before the tip's handler returns";
  EXPECT_EQ(seen[0].Msg, WM_LBUTTONDOWN);
  EXPECT_EQ(Outline->SelectedItem(), 1);
  EXPECT_EQ(GetFocus(), Outline->Handle()) << "the outline took the focus, the tip did not";
  Press(tip->Widget(), QEvent::MouseButtonRelease, 10, 5);
  Press(tip->Widget(), QEvent::MouseButtonDblClick, 10, 5);
  Press(tip->Widget(), QEvent::MouseButtonRelease, 10, 5);
  EXPECT_EQ(seen.size(), 1u) << "the rest waits in the queue";
  EXPECT_EQ(doubleClicks, 0);
  EXPECT_FALSE(Outline->Items(1)->Expanded());

  Application->ProcessMessages();
  ASSERT_EQ(seen.size(), 4u);
  const UINT order[] = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(seen[i].Msg, order[i]);
    EXPECT_EQ(seen[i].LParam, point) << "message " << i;
  }
  EXPECT_EQ(doubleClicks, 1);
  EXPECT_TRUE(Outline->Items(1)->Expanded()) << "the double-click expanded the item beneath";
}

TEST_F(LongOutlineTest, AnOutlineThatRemovesTheTipWhileHandlingAPressOnItDestroysItSafely) {
  MoveOnto(1);
  ASSERT_NE(Outline->Tip(), nullptr);
  // The press selects the item, whose click handler moves over the bare form.
  Outline->SetOnClick([&](TObject*) { MoveOverTheForm(); });
  Press(Outline->Tip()->Widget(), QEvent::MouseButtonPress, 10, 5);
  EXPECT_EQ(Outline->Tip(), nullptr);
  FlushReleasedForms();
  EXPECT_EQ(Outline->ComponentCount(), 0) << "the tip is gone once the handler returned";
}

TEST_F(LongOutlineTest, TheBareFormRemovesTheTipAndAnOutlineGoneBeforeItsFormIsNeverCalled) {
  MoveOnto(1);
  ASSERT_NE(Outline->Tip(), nullptr);
  MoveTo(Other->Widget(), 5, 5);
  EXPECT_NE(Outline->Tip(), nullptr) << "another control leaves the tip";
  MoveOverTheForm();
  EXPECT_EQ(Outline->Tip(), nullptr);
  EXPECT_EQ(FormMoves, 1) << "the form's own handler still runs, once";
  Outline->Free();
  MoveOverTheForm();
  EXPECT_EQ(FormMoves, 2);
}
