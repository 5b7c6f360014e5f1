#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QListView>

#include "framework/Registration.h"
#include "framework/StdCtrls.h"
#include "platform/QtWindow.h"
#include "tests/support/PointerInput.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WindowHook.h"

namespace {

int ShownRows(TListBox& Box) { return static_cast<QListView*>(Box.Widget())->model()->rowCount(); }

// The list's own handling of input, sent as messages or real: the bridge under it is tested
// on a plain window in tests/platform/WindowTest.cpp.
class ListBoxInputTest : public testing::Test {
protected:
  void SetUp() override {
    RegisterFrameworkClasses();
    Box = std::make_unique<TListBox>(nullptr);
    Box->SetBounds(0, 0, 200, 100);
    Box->SetItemHeight(14);
    for (const char* s : {"zero", "one", "two", "three"})
      Box->Items()->Add(s);
    Box->Widget()->show();
  }
  // The middle of an entry in the list's client coordinates.
  LPARAM PointOf(int Index) const {
    RECT r = Box->ItemRect(Index);
    return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  std::unique_ptr<TListBox> Box;
};

} // namespace

TEST(ListBoxTest, EntriesAddedInABurstReachTheViewTogether) {
  RegisterFrameworkClasses();
  TListBox box(nullptr);
  box.SetBounds(0, 0, 100, 100);
  box.Widget()->show();
  for (int i = 0; i < 500; ++i)
    box.Items()->Add("entry " + std::to_string(i));
  // The list holds them at once; the view learns of them at the next frame.
  EXPECT_EQ(box.Items()->Count(), 500);
  EXPECT_EQ(box.Items()->Strings(499), "entry 499");
  EXPECT_EQ(ShownRows(box), 0);
  WaitUntil([&] { return ShownRows(box) != 0; });
  EXPECT_EQ(ShownRows(box), 500);
  // Entries that land below what the view shows reach it too, later.
  box.Items()->Add("below");
  EXPECT_TRUE(WaitUntil([&] { return ShownRows(box) == 501; }));

  // Anything that asks the view about entries sees every one of them.
  box.Items()->Add("late");
  box.SetItemIndex(501);
  EXPECT_EQ(box.ItemIndex(), 501);
  EXPECT_EQ(ShownRows(box), 502);
  box.Items()->Insert(0, "first");
  box.Items()->Delete(1);
  EXPECT_EQ(box.Items()->Strings(0), "first");
  EXPECT_EQ(box.Items()->Count(), 502);
  box.Items()->Clear();
  EXPECT_EQ(ShownRows(box), 0);
  EXPECT_EQ(box.ItemIndex(), -1);
  EXPECT_THROW(box.Items()->Strings(0), EStringListError);
}

TEST_F(ListBoxInputTest, ASentDoubleClickFiresTheControlsDoubleClickEvent) {
  int index = -2;
  Box->SetOnDblClick([&](TObject*) { index = Box->ItemIndex(); });
  SendMessageA(Box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, PointOf(2));
  SendMessageA(Box->Handle(), WM_LBUTTONUP, 0, PointOf(2));
  SendMessageA(Box->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, PointOf(2));
  SendMessageA(Box->Handle(), WM_LBUTTONUP, 0, PointOf(2));
  EXPECT_EQ(index, 2);
}

TEST_F(ListBoxInputTest, PressesBelowTheLastEntryKeepTheSelectionSentOrReal) {
  Box->SetItemIndex(1);
  int opened = -2;
  Box->SetOnDblClick([&](TObject*) { opened = Box->ItemIndex(); });
  const LPARAM below = MAKELPARAM(5, 95);
  SendMessageA(Box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, below);
  SendMessageA(Box->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(9, 90));
  SendMessageA(Box->Handle(), WM_LBUTTONUP, 0, below);
  SendMessageA(Box->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, below);
  EXPECT_EQ(Box->ItemIndex(), 1);
  EXPECT_EQ(opened, 1);

  // Real input takes the same way.
  opened = -2;
  QWidget* viewport = WindowClient(Box->Handle());
  for (QEvent::Type type :
       {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
    Press(viewport, type, 5, 95);
  EXPECT_EQ(Box->ItemIndex(), 1);
  EXPECT_EQ(opened, 1);
}

TEST_F(ListBoxInputTest, EnterIsTheListsOwnAndActsLikeADoubleClickSentOrReal) {
  std::vector<std::pair<UINT, WPARAM>> seen;
  TWindowHook hook(Box->Handle(), [&](TMessage& M) {
    if (M.Msg == WM_KEYDOWN || M.Msg == WM_CHAR) seen.emplace_back(M.Msg, M.WParam);
    return false;
  });
  int opened = 0;
  Box->SetOnDblClick([&](TObject*) { ++opened; });
  Box->SetItemIndex(0);

  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
  for (QKeyEvent* e : {&down, &enter})
    QCoreApplication::sendEvent(Box->Widget(), e);
  // Enter is kept by the list, so no character follows it.
  EXPECT_EQ(Box->ItemIndex(), 1);
  EXPECT_EQ(seen, (std::vector<std::pair<UINT, WPARAM>>{{WM_KEYDOWN, VK_DOWN}, {WM_KEYDOWN, VK_RETURN}}));
  EXPECT_EQ(opened, 1);

  SendMessageA(Box->Handle(), WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(Box->ItemIndex(), 2);
  SendMessageA(Box->Handle(), WM_KEYDOWN, VK_RETURN, 1);
  EXPECT_EQ(opened, 2);
}
