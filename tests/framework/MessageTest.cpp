#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>

#include "framework/Registration.h"
#include "framework/StdCtrls.h"
#include "platform/QtWindow.h"
#include "tests/support/PointerInput.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WindowHook.h"

namespace {

class MessageTest : public testing::Test {
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

TEST_F(MessageTest, AReplacedProcedureSeesTheMessagesAndPassesThemOn) {
  std::vector<UINT> seen;
  WNDPROC old = reinterpret_cast<WNDPROC>(GetWindowLongA(Box->Handle(), GWL_WNDPROC));
  TWindowHook hook(Box->Handle(), [&](TMessage& M) {
    seen.push_back(M.Msg);
    return false;
  });
  EXPECT_EQ(hook.Previous(), old) << "the replaced procedure is returned";
  EXPECT_EQ(GetWindowLongA(Box->Handle(), GWL_WNDPROC), reinterpret_cast<LONG_PTR>(hook.Procedure()));

  // A real mouse event becomes a message and still reaches the list.
  QWidget* viewport = WindowClient(Box->Handle());
  RECT r = Box->ItemRect(2);
  QPointF at((r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0);
  QMouseEvent press(QEvent::MouseButtonPress, at, viewport->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(viewport, &press);
  EXPECT_EQ(Box->ItemIndex(), 2);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), WM_LBUTTONDOWN);

  // A procedure that keeps a message to itself stops it there.
  TWindowHook swallow(Box->Handle(), [](TMessage&) { return true; });
  SendMessageA(Box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, PointOf(0));
  EXPECT_EQ(Box->ItemIndex(), 2);
}

TEST_F(MessageTest, ASentOrPostedClickSelectsTheEntryUnderThePoint) {
  SendMessageA(Box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, PointOf(1));
  SendMessageA(Box->Handle(), WM_LBUTTONUP, 0, PointOf(1));
  EXPECT_EQ(Box->ItemIndex(), 1);

  PostMessageA(Box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, PointOf(3));
  PostMessageA(Box->Handle(), WM_LBUTTONUP, 0, PointOf(3));
  EXPECT_EQ(Box->ItemIndex(), 1); // posted: not yet
  Application->ProcessMessages();
  EXPECT_EQ(Box->ItemIndex(), 3);

  // A click below the last entry selects nothing new.
  SendMessageA(Box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 95));
  EXPECT_EQ(Box->ItemIndex(), 3);
}

TEST_F(MessageTest, ASentDoubleClickFiresTheControlsDoubleClickEvent) {
  int index = -2;
  Box->SetOnDblClick([&](TObject*) { index = Box->ItemIndex(); });
  SendMessageA(Box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, PointOf(2));
  SendMessageA(Box->Handle(), WM_LBUTTONUP, 0, PointOf(2));
  SendMessageA(Box->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, PointOf(2));
  SendMessageA(Box->Handle(), WM_LBUTTONUP, 0, PointOf(2));
  EXPECT_EQ(index, 2);
}

TEST_F(MessageTest, SentMessagesArriveAtOnceAndPostedOnesInOrderLater) {
  std::vector<String> order;
  TWindowHook hook(Box->Handle(), [&](TMessage& M) {
    if (M.Msg < WM_USER) return false;
    order.push_back((M.WParam ? "posted " : "sent ") + std::to_string(M.Msg - WM_USER));
    M.Result = static_cast<LRESULT>(M.Msg - WM_USER);
    return true;
  });
  PostMessageA(Box->Handle(), WM_USER + 1, 1, 0);
  EXPECT_EQ(SendMessageA(Box->Handle(), WM_USER + 2, 0, 0), 2);
  PostMessageA(Box->Handle(), WM_USER + 3, 1, 0);
  order.push_back("pump");
  Application->ProcessMessages();
  EXPECT_EQ(order, (std::vector<String>{"sent 2", "pump", "posted 1", "posted 3"}));

  // A message posted to a window that has gone is dropped.
  HWND gone = Box->Handle();
  PostMessageA(gone, WM_USER + 4, 1, 0);
  Box.reset();
  EXPECT_FALSE(IsWindow(gone));
  EXPECT_EQ(SendMessageA(gone, WM_USER + 5, 0, 0), 0);
  Application->ProcessMessages();
  EXPECT_EQ(order.size(), 4u);
}

TEST_F(MessageTest, FocusMessagesFollowTheKeyboardFocus) {
  std::vector<UINT> seen;
  TWindowHook hook(Box->Handle(), [&](TMessage& M) {
    if (M.Msg == WM_SETFOCUS || M.Msg == WM_KILLFOCUS) seen.push_back(M.Msg);
    return false;
  });
  Box->Widget()->activateWindow();
  Box->Widget()->setFocus();
  Settle();
  ASSERT_TRUE(Box->Widget()->hasFocus());
  EXPECT_EQ(GetFocus(), Box->Handle());
  Box->Widget()->clearFocus();
  EXPECT_EQ(seen, (std::vector<UINT>{WM_SETFOCUS, WM_KILLFOCUS}));
}

TEST_F(MessageTest, ASentPressMovesTheFocusLikeARealOneAndTheProcedureSeesTheFocusMessage) {
  QWidget window;
  auto* other = new QLineEdit(&window);
  Box->Widget()->setParent(&window);
  Box->Widget()->setGeometry(0, 30, 200, 100);
  window.show();
  window.activateWindow();
  other->setFocus();
  Settle();
  ASSERT_TRUE(other->hasFocus());

  std::vector<UINT> seen;
  TWindowHook hook(Box->Handle(), [&](TMessage& M) {
    if (M.Msg != WM_MOUSEMOVE) seen.push_back(M.Msg);
    return false;
  });
  SendMessageA(Box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, PointOf(2));
  SendMessageA(Box->Handle(), WM_LBUTTONUP, 0, PointOf(2));
  EXPECT_EQ(GetFocus(), Box->Handle());
  EXPECT_EQ(Box->ItemIndex(), 2);
  // The focus message the press causes reaches the procedure while the press is handled.
  EXPECT_EQ(seen, (std::vector<UINT>{WM_LBUTTONDOWN, WM_SETFOCUS, WM_LBUTTONUP}));
  Box.reset();
}

TEST_F(MessageTest, PressesBelowTheLastEntryKeepTheSelectionSentOrReal) {
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

TEST_F(MessageTest, AnExceptionFromAnEventOrAPostedMessageIsShownAndTheLoopGoesOn) {
  TWindowHook hook(Box->Handle(), [](TMessage& M) {
    if (M.Msg == WM_RBUTTONDOWN) throw Exception("From an event");
    if (M.Msg == WM_USER) throw Exception("From a posted message");
    return false;
  });
  QWidget* viewport = WindowClient(Box->Handle());
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), viewport->mapToGlobal(QPointF(5, 5)), Qt::RightButton,
                    Qt::RightButton, Qt::NoModifier);
  QCoreApplication::sendEvent(viewport, &press);
  PostMessageA(Box->Handle(), WM_USER, 0, 0);
  PostMessageA(Box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, PointOf(3));
  Application->ProcessMessages();
  // The message after the failing one is still delivered.
  EXPECT_EQ(Box->ItemIndex(), 3);
  std::vector<String> shown;
  for (const auto& box : Seams::MessageBoxes())
    shown.push_back(box.Text);
  EXPECT_EQ(shown, (std::vector<String>{"From an event.", "From a posted message."}));
}

TEST_F(MessageTest, KeysBecomeKeyAndCharacterMessagesAndASentEnterActsLikeARealOne) {
  std::vector<std::pair<UINT, WPARAM>> seen;
  TWindowHook hook(Box->Handle(), [&](TMessage& M) {
    if (M.Msg == WM_KEYDOWN || M.Msg == WM_CHAR || M.Msg == WM_KEYUP) seen.emplace_back(M.Msg, M.WParam);
    return false;
  });
  int opened = 0;
  Box->SetOnDblClick([&](TObject*) { ++opened; });
  Box->SetItemIndex(0);

  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier), a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
  for (QKeyEvent* e : {&down, &a, &enter})
    QCoreApplication::sendEvent(Box->Widget(), e);
  // The arrow still reaches the list; Enter is kept by the list, so no character follows it.
  EXPECT_EQ(Box->ItemIndex(), 1);
  EXPECT_EQ(seen, (std::vector<std::pair<UINT, WPARAM>>{
                      {WM_KEYDOWN, VK_DOWN}, {WM_KEYDOWN, 'A'}, {WM_CHAR, 'a'}, {WM_KEYDOWN, VK_RETURN}}));
  EXPECT_EQ(opened, 1);

  SendMessageA(Box->Handle(), WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(Box->ItemIndex(), 2);
  SendMessageA(Box->Handle(), WM_KEYDOWN, VK_RETURN, 1);
  EXPECT_EQ(opened, 2);
}
