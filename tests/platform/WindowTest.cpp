// The message bridge on a plain Qt list given a window handle: Qt events become messages
// through the window's procedure, and sent or posted messages act as the input they stand for.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <memory>
#include <stdexcept>

#include "platform/QtWindow.h"
#include "tests/support/WindowHook.h"

namespace {

class WindowTest : public testing::Test {
protected:
  void SetUp() override {
    List = std::make_unique<QListWidget>();
    List->setGeometry(0, 0, 200, 100);
    List->addItems({"zero", "one", "two", "three"});
    Handle = CreateWindowHandle(List.get(), List->viewport());
    List->show();
  }
  // The middle of an entry in the list's client coordinates.
  QPoint MiddleOf(int Row) const { return List->visualItemRect(List->item(Row)).center(); }
  LPARAM PointOf(int Row) const { return MAKELPARAM(MiddleOf(Row).x(), MiddleOf(Row).y()); }
  void Click(int Row) const {
    SendMessageA(Handle, WM_LBUTTONDOWN, MK_LBUTTON, PointOf(Row));
    SendMessageA(Handle, WM_LBUTTONUP, 0, PointOf(Row));
  }
  static void Deliver() { QCoreApplication::processEvents(); }
  std::unique_ptr<QListWidget> List;
  HWND Handle = nullptr;
};

} // namespace

TEST_F(WindowTest, AReplacedProcedureSeesTheMessagesAndPassesThemOn) {
  std::vector<UINT> seen;
  WNDPROC old = reinterpret_cast<WNDPROC>(GetWindowLongA(Handle, GWL_WNDPROC));
  TWindowHook hook(Handle, [&](TMessage& M) {
    seen.push_back(M.Msg);
    return false;
  });
  EXPECT_EQ(hook.Previous(), old) << "the replaced procedure is returned";
  EXPECT_EQ(GetWindowLongA(Handle, GWL_WNDPROC), reinterpret_cast<LONG_PTR>(hook.Procedure()));

  // A real mouse event becomes a message and still reaches the list.
  QWidget* viewport = WindowClient(Handle);
  ASSERT_EQ(viewport, List->viewport());
  QPointF at = MiddleOf(2);
  QMouseEvent press(QEvent::MouseButtonPress, at, viewport->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(viewport, &press);
  EXPECT_EQ(List->currentRow(), 2);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), WM_LBUTTONDOWN);

  // A procedure that keeps a message to itself stops it there.
  TWindowHook swallow(Handle, [](TMessage&) { return true; });
  SendMessageA(Handle, WM_LBUTTONDOWN, MK_LBUTTON, PointOf(0));
  EXPECT_EQ(List->currentRow(), 2);
}

TEST_F(WindowTest, ASentOrPostedClickSelectsTheEntryUnderThePointAndADoubleClickIsOne) {
  Click(1);
  EXPECT_EQ(List->currentRow(), 1);

  PostMessageA(Handle, WM_LBUTTONDOWN, MK_LBUTTON, PointOf(3));
  PostMessageA(Handle, WM_LBUTTONUP, 0, PointOf(3));
  EXPECT_EQ(List->currentRow(), 1); // posted: not yet
  Deliver();
  EXPECT_EQ(List->currentRow(), 3);

  // A sent double-click is the double-click Qt knows, on the entry under the point.
  int doubleClicked = -2;
  QObject::connect(List.get(), &QListWidget::doubleClicked, [&](const QModelIndex& I) { doubleClicked = I.row(); });
  Click(2);
  SendMessageA(Handle, WM_LBUTTONDBLCLK, MK_LBUTTON, PointOf(2));
  SendMessageA(Handle, WM_LBUTTONUP, 0, PointOf(2));
  EXPECT_EQ(doubleClicked, 2);
}

TEST_F(WindowTest, SentMessagesArriveAtOnceAndPostedOnesInOrderLater) {
  std::vector<std::string> order;
  TWindowHook hook(Handle, [&](TMessage& M) {
    if (M.Msg < WM_USER) return false;
    order.push_back((M.WParam ? "posted " : "sent ") + std::to_string(M.Msg - WM_USER));
    M.Result = static_cast<LRESULT>(M.Msg - WM_USER);
    return true;
  });
  PostMessageA(Handle, WM_USER + 1, 1, 0);
  EXPECT_EQ(SendMessageA(Handle, WM_USER + 2, 0, 0), 2);
  PostMessageA(Handle, WM_USER + 3, 1, 0);
  order.push_back("pump");
  Deliver();
  EXPECT_EQ(order, (std::vector<std::string>{"sent 2", "pump", "posted 1", "posted 3"}));

  // A message posted to a window that has gone is dropped.
  PostMessageA(Handle, WM_USER + 4, 1, 0);
  List.reset();
  EXPECT_FALSE(IsWindow(Handle));
  EXPECT_EQ(SendMessageA(Handle, WM_USER + 5, 0, 0), 0);
  Deliver();
  EXPECT_EQ(order.size(), 4u);
}

TEST_F(WindowTest, FocusMessagesFollowTheKeyboardFocus) {
  std::vector<UINT> seen;
  TWindowHook hook(Handle, [&](TMessage& M) {
    if (M.Msg == WM_SETFOCUS || M.Msg == WM_KILLFOCUS) seen.push_back(M.Msg);
    return false;
  });
  List->activateWindow();
  List->setFocus();
  Deliver();
  ASSERT_TRUE(List->hasFocus());
  EXPECT_EQ(GetFocus(), Handle);
  List->clearFocus();
  EXPECT_EQ(seen, (std::vector<UINT>{WM_SETFOCUS, WM_KILLFOCUS}));
}

TEST_F(WindowTest, ASentPressMovesTheFocusLikeARealOneAndTheProcedureSeesTheFocusMessage) {
  QWidget window;
  auto* other = new QLineEdit(&window);
  List->setParent(&window);
  List->setGeometry(0, 30, 200, 100);
  window.show();
  window.activateWindow();
  other->setFocus();
  Deliver();
  ASSERT_TRUE(other->hasFocus());

  std::vector<UINT> seen;
  TWindowHook hook(Handle, [&](TMessage& M) {
    if (M.Msg != WM_MOUSEMOVE) seen.push_back(M.Msg);
    return false;
  });
  Click(2);
  EXPECT_EQ(GetFocus(), Handle);
  EXPECT_EQ(List->currentRow(), 2);
  // The focus message the press causes reaches the procedure while the press is handled.
  EXPECT_EQ(seen, (std::vector<UINT>{WM_LBUTTONDOWN, WM_SETFOCUS, WM_LBUTTONUP}));
  List.reset();
}

TEST_F(WindowTest, AnExceptionFromAnEventOrAPostedMessageGoesToTheHandlerAndTheLoopGoesOn) {
  std::vector<std::string> handed;
  // The test's handler for this case alone; the one it replaces is put back however the case ends.
  struct TRestore {
    std::function<void()> Previous;
    ~TRestore() { SetMessageExceptionHandler(std::move(Previous)); }
  } restore{SetMessageExceptionHandler([&] {
    try {
      throw;
    } catch (const std::exception& E) {
      handed.push_back(E.what());
    }
  })};
  TWindowHook hook(Handle, [](TMessage& M) {
    if (M.Msg == WM_RBUTTONDOWN) throw std::runtime_error("From an event");
    if (M.Msg == WM_USER) throw std::runtime_error("From a posted message");
    return false;
  });
  QWidget* viewport = WindowClient(Handle);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), viewport->mapToGlobal(QPointF(5, 5)), Qt::RightButton,
                    Qt::RightButton, Qt::NoModifier);
  QCoreApplication::sendEvent(viewport, &press);
  PostMessageA(Handle, WM_USER, 0, 0);
  PostMessageA(Handle, WM_LBUTTONDOWN, MK_LBUTTON, PointOf(3));
  Deliver();
  // The message after the failing one is still delivered.
  EXPECT_EQ(List->currentRow(), 3);
  EXPECT_EQ(handed, (std::vector<std::string>{"From an event", "From a posted message"}));
}

TEST_F(WindowTest, KeysBecomeKeyAndCharacterMessagesAndASentKeyActsLikeARealOne) {
  std::vector<std::pair<UINT, WPARAM>> seen;
  TWindowHook hook(Handle, [&](TMessage& M) {
    if (M.Msg == WM_KEYDOWN || M.Msg == WM_CHAR || M.Msg == WM_KEYUP) seen.emplace_back(M.Msg, M.WParam);
    // The procedure keeps Enter to itself.
    return M.Msg == WM_KEYDOWN && M.WParam == VK_RETURN;
  });
  List->setCurrentRow(0);

  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier), a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
  QKeyEvent up(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, "a");
  for (QKeyEvent* e : {&down, &a, &enter, &up})
    QCoreApplication::sendEvent(List.get(), e);
  // The arrow still reaches the list; a key the procedure keeps types no character.
  EXPECT_EQ(List->currentRow(), 1);
  EXPECT_EQ(seen,
            (std::vector<std::pair<UINT, WPARAM>>{
                {WM_KEYDOWN, VK_DOWN}, {WM_KEYDOWN, 'A'}, {WM_CHAR, 'a'}, {WM_KEYDOWN, VK_RETURN}, {WM_KEYUP, 'A'}}));

  SendMessageA(Handle, WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(List->currentRow(), 2);
}
