#include <gtest/gtest.h>

#include <QLineEdit>
#include <QWidget>

#include "controls/LongListbox.h"
#include "platform/QtWindow.h"
#include "tests/controls/LongItemFormTest.h"

namespace {

// Two long-item lists, read from a description so that the lists hook the form as they do on
// the program's main window.
String Description() {
  return R"(  object LLB1: TLongListbox
    Left = 0
    Top = 10
    Width = 120
    Height = 150
    ItemHeight = 14
)" + LongItemFormTest::MainListLook() +
         R"(  end
  object LLB2: TLongListbox
    Left = 200
    Top = 10
    Width = 120
    Height = 150
    OnlyWhenFocused = False
    BackColor = clWhite
    TextColor = clBlack
  end
)";
}

class LongListboxTest : public LongItemFormTest {
protected:
  void SetUp() override {
    RegisterLongListbox();
    ReadForm(Description(), "LongListboxTest.form");
    List = Find<TLongListbox>("LLB1");
    Second = Find<TLongListbox>("LLB2");
    for (const char* s : {"short.ini", "/a/rather/long/path/that/does/not/fit/into/the/list.ini", "x.ini"})
      List->Items()->Add(s);
  }

  // Onto an item of a list.
  static void MoveOnto(TLongListbox* Box, int Index) {
    TRect r = Box->ItemRect(Index);
    MoveTo(WindowClient(Box->Handle()), r.left + 5, (r.top + r.bottom) / 2);
  }

  TLongListbox* List = nullptr;
  TLongListbox* Second = nullptr;
};

} // namespace

TEST_F(LongListboxTest, ATipShowsOnlyForATextWiderThanTheControl) {
  const String text = List->Items()->Strings(1);
  List->Canvas()->Font()->Assign(*List->Font());
  const int width = List->Canvas()->TextWidth(text);
  ASSERT_GT(width, 0);
  List->SetWidth(width);
  MoveOnto(List, 1);
  EXPECT_EQ(List->Tip(), nullptr) << "exactly as wide";
  MoveOnto(List, 0);
  List->SetWidth(width - 1);
  MoveOnto(List, 1);
  ASSERT_NE(List->Tip(), nullptr) << "one pixel wider";
  EXPECT_EQ(List->Tip()->Text(), text);
  MoveOnto(List, 0);
  EXPECT_EQ(List->Tip(), nullptr) << "a short item takes the tip away";
}

TEST_F(LongListboxTest, TheTipLiesOverItsItemInTheListsFontAndColours) {
  MoveOnto(List, 1);
  TLongEdit* tip = List->Tip();
  ASSERT_NE(tip, nullptr);
  TRect item = List->ItemRect(1);
  EXPECT_EQ(tip->Parent(), Form);
  EXPECT_EQ(tip->Left(), List->Left() + item.left + 1);
  EXPECT_EQ(tip->Top(), List->Top() + item.top);
  EXPECT_EQ(tip->Width(), List->Canvas()->TextWidth(tip->Text()) + 8);
  EXPECT_EQ(tip->Height(), List->Canvas()->TextHeight(tip->Text()) + 4);
  EXPECT_TRUE(tip->ReadOnly());
  EXPECT_EQ(tip->BorderStyle(), bsSingle);
  EXPECT_EQ(tip->Color(), clActiveBorder);
  EXPECT_EQ(tip->Font()->Color(), clBlue);
  EXPECT_EQ(tip->Font()->Name(), "Arial");
  EXPECT_EQ(tip->Font()->Height(), -11);
  EXPECT_TRUE(tip->Widget()->isVisible());
  EXPECT_EQ(Form->Controls(Form->ControlCount() - 1), tip) << "in front of the form's other controls";
  QPalette palette = tip->Widget()->palette();
  EXPECT_EQ(palette.color(QPalette::Text), ToQColor(clBlue));
  EXPECT_EQ(palette.color(QPalette::Base), ToQColor(clActiveBorder));
}

TEST_F(LongListboxTest, TheTipStaysOverTheEmptyPartAndOtherControlsAndGoesOverTheBareForm) {
  MoveOnto(List, 1);
  TLongEdit* first = List->Tip();
  ASSERT_NE(first, nullptr);
  MoveTo(WindowClient(List->Handle()), 5, 140); // below the last item
  EXPECT_EQ(List->Tip(), first);
  MoveOnto(List, 1); // back onto the same item: a new tip
  EXPECT_NE(List->Tip(), nullptr);
  MoveTo(Other->Widget(), 5, 5);
  MoveTo(WindowClient(Second->Handle()), 5, 5);
  EXPECT_NE(List->Tip(), nullptr) << "another control leaves the tip";
  MoveOverTheForm();
  EXPECT_EQ(List->Tip(), nullptr);
  EXPECT_EQ(FormMoves, 1) << "the form's own handler still runs, once";
  MoveOnto(List, 1);
  EXPECT_NE(List->Tip(), nullptr) << "the same item shows its tip again after the form";
}

TEST_F(LongListboxTest, OnlyWhenFocusedShowsNothingWithoutTheFocusAndKeepsAnEarlierTip) {
  Second->Items()->Add("/another/rather/long/path/that/does/not/fit/either.ini");
  Second->SetOnlyWhenFocused(true);
  Other->SetFocus();
  Settle();
  MoveOnto(Second, 0);
  EXPECT_EQ(Second->Tip(), nullptr);

  Second->SetFocus();
  Settle();
  ASSERT_EQ(GetFocus(), Second->Handle());
  MoveOnto(Second, 0);
  ASSERT_NE(Second->Tip(), nullptr);
  Other->SetFocus();
  Settle();
  MoveTo(WindowClient(Second->Handle()), 5, 140);
  MoveOnto(Second, 0);
  EXPECT_NE(Second->Tip(), nullptr) << "stays until the bare form is crossed";
  MoveOverTheForm();
  EXPECT_EQ(Second->Tip(), nullptr);
}

TEST_F(LongListboxTest, AfterClearingTheSameIndexShowsNoTipUntilThePointerWasElsewhere) {
  MoveOnto(List, 1);
  ASSERT_NE(List->Tip(), nullptr);
  MoveOnto(List, 0);
  EXPECT_EQ(List->Tip(), nullptr);
  List->Items()->Clear();
  for (const char* s : {"a", "/a/rather/long/path/that/does/not/fit/into/the/list/either.ini"})
    List->Items()->Add(s);
  MoveOnto(List, 0);
  EXPECT_EQ(List->Tip(), nullptr) << "still the item the pointer was on";
  MoveOnto(List, 1);
  EXPECT_NE(List->Tip(), nullptr);
}

TEST_F(LongListboxTest, OneMoveOverTheBareFormRunsTheFormsHandlerOnceAndRemovesBothTips) {
  Second->Items()->Add("/another/rather/long/path/that/does/not/fit/either.ini");
  MoveOnto(List, 1);
  MoveOnto(Second, 0);
  ASSERT_NE(List->Tip(), nullptr);
  ASSERT_NE(Second->Tip(), nullptr);
  MoveOverTheForm();
  EXPECT_EQ(List->Tip(), nullptr);
  EXPECT_EQ(Second->Tip(), nullptr);
  EXPECT_EQ(FormMoves, 1);
}

TEST_F(LongListboxTest, ClicksOnTheTipActOnTheItemBeneath) {
  int doubleClicked = -2;
  List->SetOnDblClick([&](TObject*) { doubleClicked = List->ItemIndex(); });
  MoveOnto(List, 1);
  TLongEdit* tip = List->Tip();
  ASSERT_NE(tip, nullptr);
  Other->SetFocus();
  Settle();
  QWidget* widget = tip->Widget();
  for (QEvent::Type type :
       {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
    Press(widget, type, 10, 5);
  EXPECT_EQ(List->ItemIndex(), 1);
  EXPECT_EQ(doubleClicked, 1);
  EXPECT_EQ(GetFocus(), List->Handle()) << "the list took the focus, the tip did not";
  EXPECT_EQ(static_cast<QLineEdit*>(widget)->selectedText(), "") << "the edit box never saw the clicks";
}

TEST_F(LongListboxTest, AHostThatRemovesTheTipWhileHandlingItsClickDestroysItSafely) {
  MoveOnto(List, 1);
  TLongEdit* tip = List->Tip();
  ASSERT_NE(tip, nullptr);
  // The double-click's handler moves over the bare form, which takes the tip away.
  List->SetOnDblClick([&](TObject*) { MoveOverTheForm(); });
  Press(tip->Widget(), QEvent::MouseButtonDblClick, 10, 5);
  EXPECT_EQ(List->Tip(), nullptr);
  FlushReleasedForms();
  EXPECT_EQ(List->ComponentCount(), 0) << "the tip is gone once the handler returned";
}

TEST_F(LongListboxTest, AListGoneBeforeItsFormIsNeverCalledAndTheChainHolds) {
  Second->Items()->Add("/another/rather/long/path/that/does/not/fit/either.ini");
  MoveOnto(Second, 0);
  ASSERT_NE(Second->Tip(), nullptr);
  List->Free(); // hooked first: the second list's hook leads through it
  MoveOverTheForm();
  EXPECT_EQ(Second->Tip(), nullptr);
  EXPECT_EQ(FormMoves, 1);
  Second->Free(); // hooked last: the form's handler comes back
  MoveOverTheForm();
  EXPECT_EQ(FormMoves, 2);
}
