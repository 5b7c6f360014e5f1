// Input and painting through the window procedures: Qt events become messages, and messages
// that did not come from Qt become the events they stand for.
#include <QCloseEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <limits>

#include "platform/WindowTable.h"

namespace WindowBridge {

namespace {

WPARAM KeyState(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Modifiers) {
  WPARAM w = 0;
  if (Buttons & Qt::LeftButton) w |= MK_LBUTTON;
  if (Buttons & Qt::RightButton) w |= MK_RBUTTON;
  if (Buttons & Qt::MiddleButton) w |= MK_MBUTTON;
  if (Modifiers & Qt::ShiftModifier) w |= MK_SHIFT;
  if (Modifiers & Qt::ControlModifier) w |= MK_CONTROL;
  return w;
}

// The Qt keys that have a virtual key besides the letters, digits and function keys.
constexpr std::pair<int, int> KeyTable[] = {
    {Qt::Key_Backspace, VK_BACK},  {Qt::Key_Tab, VK_TAB},       {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Return, VK_RETURN},   {Qt::Key_Enter, VK_RETURN},  {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Alt, VK_MENU},      {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Space, VK_SPACE},     {Qt::Key_PageUp, VK_PRIOR},  {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_End, VK_END},         {Qt::Key_Home, VK_HOME},     {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},           {Qt::Key_Right, VK_RIGHT},   {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Insert, VK_INSERT},   {Qt::Key_Delete, VK_DELETE}, {Qt::Key_Plus, VK_ADD},
    {Qt::Key_Minus, VK_SUBTRACT}};

// The virtual key of a Qt key; 0 for a key that has none.
WPARAM VirtualKey(int Key) {
  if ((Key >= Qt::Key_A && Key <= Qt::Key_Z) || (Key >= Qt::Key_0 && Key <= Qt::Key_9)) return static_cast<WPARAM>(Key);
  if (Key >= Qt::Key_F1 && Key <= Qt::Key_F24) return static_cast<WPARAM>(VK_F1 + (Key - Qt::Key_F1));
  for (const auto& [qt, vk] : KeyTable)
    if (qt == Key) return static_cast<WPARAM>(vk);
  return 0;
}

// The Qt key of a virtual key; 0 for one that has none.
int QtKey(WPARAM VirtualKey) {
  const int vk = static_cast<int>(VirtualKey);
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return vk;
  if (vk >= VK_F1 && vk < VK_F1 + 24) return Qt::Key_F1 + (vk - VK_F1);
  for (const auto& [qt, key] : KeyTable)
    if (key == vk) return qt;
  return 0;
}

Qt::KeyboardModifiers CurrentModifiers() {
  return Windows().KeyModifiers ? *Windows().KeyModifiers : QGuiApplication::keyboardModifiers();
}

// The message a Qt event stands for; false when it has none.
bool Translate(const TWindowRecord& Rec, QObject* Watched, QEvent* Event, TMessage& M) {
  bool fromClient = Watched == Rec.Client.data();
  switch (Event->type()) {
  case QEvent::MouseButtonPress:
  case QEvent::MouseButtonRelease:
  case QEvent::MouseButtonDblClick:
  case QEvent::MouseMove: {
    if (!fromClient) return false;
    auto* e = static_cast<QMouseEvent*>(Event);
    bool left = e->button() == Qt::LeftButton, right = e->button() == Qt::RightButton;
    switch (Event->type()) {
    case QEvent::MouseButtonPress: M.Msg = left ? WM_LBUTTONDOWN : right ? WM_RBUTTONDOWN : 0; break;
    case QEvent::MouseButtonRelease: M.Msg = left ? WM_LBUTTONUP : right ? WM_RBUTTONUP : 0; break;
    case QEvent::MouseButtonDblClick: M.Msg = left ? WM_LBUTTONDBLCLK : right ? WM_RBUTTONDBLCLK : 0; break;
    default: M.Msg = WM_MOUSEMOVE;
    }
    if (M.Msg == 0) return false;
    QPoint p = e->position().toPoint();
    M.WParam = KeyState(e->buttons(), e->modifiers());
    M.LParam = MAKELPARAM(p.x(), p.y());
    return true;
  }
  case QEvent::FocusIn:
  case QEvent::FocusOut:
    if (Watched != Rec.Widget.data()) return false;
    M.Msg = Event->type() == QEvent::FocusIn ? WM_SETFOCUS : WM_KILLFOCUS;
    return true;
  case QEvent::Close:
    if (Watched != Rec.Widget.data()) return false;
    M.Msg = WM_CLOSE;
    return true;
  // A window is told the size of its client area.
  case QEvent::Resize: {
    if (!fromClient) return false;
    QSize size = static_cast<QResizeEvent*>(Event)->size();
    M.Msg = WM_SIZE;
    M.LParam = MAKELPARAM(size.width(), size.height());
    return true;
  }
  default: return false;
  }
}

} // namespace

bool TWindowTable::eventFilter(QObject* Watched, QEvent* Event) {
  if (Event->isInputEvent()) {
    MessageTime = static_cast<QInputEvent*>(Event)->timestamp();
    if (Event->spontaneous()) InputTime = MessageTime;
  }
  TWindowRecord* rec = ByObject.value(Watched);
  if (!rec || Event == rec->Delivering) return false;
  switch (Event->type()) {
  case QEvent::Paint: return Watched == rec->Client.data() && Paint(rec, Watched, Event);
  case QEvent::KeyPress:
  case QEvent::KeyRelease: return Key(rec, Watched, static_cast<QKeyEvent*>(Event));
  default: break;
  }
  TMessage m;
  if (!Translate(*rec, Watched, Event, m)) return false;
  const TOutcome outcome = Pass(rec, Watched, Event, m);
  if (outcome == TOutcome::Passed) return false;
  // A close the procedure kept to itself must not hide the window either.
  if (outcome == TOutcome::Kept && Event->type() == QEvent::Close) Event->ignore();
  return true;
}

// A paint is WM_ERASEBKGND, then WM_PAINT, both with a device context for the client; then
// the drawing of a context from GetDC being released goes on top.
bool TWindowTable::Paint(TWindowRecord* Rec, QObject* Watched, QEvent* Event) {
  HDC__ dc{Rec->Client.data(), nullptr, Rec->Client->font()};
  const auto context = reinterpret_cast<WPARAM>(&dc);
  const TOutcome erase = Pass(Rec, Watched, Event, {WM_ERASEBKGND, context, 0, 0});
  if (erase == TOutcome::Gone) return true;
  if (Pass(Rec, Watched, Event, {WM_PAINT, context, 0, 0}, erase == TOutcome::Passed) == TOutcome::Gone) return true;
  dc.Painter.reset();
  if (Rec->Drawn) QPainter(Rec->Client.data()).drawPicture(0, 0, *Rec->Drawn);
  return true;
}

// A key press is WM_KEYDOWN and, when that reaches the default procedure, a WM_CHAR for each
// character the key types; Qt handles the key when all of them reach it. A release is WM_KEYUP.
bool TWindowTable::Key(TWindowRecord* Rec, QObject* Watched, QKeyEvent* Event) {
  if (Watched != Rec->Widget.data() && Watched != Rec->Client.data()) return false;
  const bool press = Event->type() == QEvent::KeyPress;
  // The repeat count, one; the key was down before for a repeat and for a release.
  const LPARAM flags = 1 | (Event->isAutoRepeat() || !press ? LPARAM(1) << 30 : 0) | (press ? 0 : LPARAM(1) << 31);
  const std::optional<Qt::KeyboardModifiers> outer = KeyModifiers;
  KeyModifiers = Event->modifiers();
  TOutcome outcome = Pass(Rec, Watched, Event, {press ? WM_KEYDOWN : WM_KEYUP, VirtualKey(Event->key()), flags, 0});
  if (press)
    for (char32_t c : Event->text().toUcs4())
      if (outcome == TOutcome::Passed) outcome = Pass(Rec, Watched, Event, {WM_CHAR, c, flags, 0});
  KeyModifiers = outer;
  if (outcome == TOutcome::Passed) return false;
  Event->accept();
  return true;
}

Qt::MouseButtons ButtonsOf(WPARAM W) {
  Qt::MouseButtons b;
  if (W & MK_LBUTTON) b |= Qt::LeftButton;
  if (W & MK_RBUTTON) b |= Qt::RightButton;
  if (W & MK_MBUTTON) b |= Qt::MiddleButton;
  return b;
}

Qt::KeyboardModifiers ModifiersOf(WPARAM W) {
  Qt::KeyboardModifiers m;
  if (W & MK_SHIFT) m |= Qt::ShiftModifier;
  if (W & MK_CONTROL) m |= Qt::ControlModifier;
  return m;
}

// Whether pressing W gives it the focus: for a window's widget as it was before its handle
// took that over.
bool TakesClickFocus(const QWidget* W) {
  TWindowRecord* rec = Windows().ByObject.value(W);
  if (rec && rec->Widget == W) return rec->TakesClickFocus;
  return (W->focusPolicy() & Qt::ClickFocus) == Qt::ClickFocus;
}

// Gives the focus as a press of the mouse at Pos on W does: to the first widget from W
// outwards that takes the focus by clicking, unless a widget on the way has it already.
void FocusAsPressWould(QWidget* W, QPoint Pos) {
  for (QWidget* w = W; w; w = w->parentWidget()) {
    QWidget* proxy = w;
    while (proxy->focusProxy())
      proxy = proxy->focusProxy();
    if (w->isEnabled() && w->rect().contains(Pos) && TakesClickFocus(w) && TakesClickFocus(proxy)) {
      if (!proxy->hasFocus()) w->setFocus(Qt::MouseFocusReason);
      return;
    }
    if (w->isWindow() || proxy->hasFocus()) return;
    Pos += w->pos();
  }
}

bool IsPress(UINT Msg) {
  return Msg == WM_LBUTTONDOWN || Msg == WM_LBUTTONDBLCLK || Msg == WM_RBUTTONDOWN || Msg == WM_RBUTTONDBLCLK;
}

// Hands Qt a made-up event for a message that did not come from Qt, so that it acts as
// the real input it stands for would.
LRESULT DeliverToQt(TWindowRecord* Rec, UINT Msg, WPARAM W, LPARAM L) {
  QWidget* client = Rec->Client.data();
  QPointF pos(GET_X_LPARAM(L), GET_Y_LPARAM(L));
  std::unique_ptr<QEvent> event;
  QObject* target = client;
  auto mouse = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons) {
    auto e = std::make_unique<QMouseEvent>(type, pos, client->mapToGlobal(pos), button, buttons, ModifiersOf(W));
    e->setTimestamp(Windows().InputTime);
    event = std::move(e);
  };
  switch (Msg) {
  case WM_LBUTTONDOWN: mouse(QEvent::MouseButtonPress, Qt::LeftButton, ButtonsOf(W) | Qt::LeftButton); break;
  case WM_LBUTTONUP: mouse(QEvent::MouseButtonRelease, Qt::LeftButton, ButtonsOf(W) & ~Qt::LeftButton); break;
  case WM_LBUTTONDBLCLK: mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, ButtonsOf(W) | Qt::LeftButton); break;
  case WM_RBUTTONDOWN: mouse(QEvent::MouseButtonPress, Qt::RightButton, ButtonsOf(W) | Qt::RightButton); break;
  case WM_RBUTTONUP: mouse(QEvent::MouseButtonRelease, Qt::RightButton, ButtonsOf(W) & ~Qt::RightButton); break;
  case WM_RBUTTONDBLCLK: mouse(QEvent::MouseButtonDblClick, Qt::RightButton, ButtonsOf(W) | Qt::RightButton); break;
  case WM_MOUSEMOVE: mouse(QEvent::MouseMove, Qt::NoButton, ButtonsOf(W)); break;
  case WM_SETFOCUS:
  case WM_KILLFOCUS:
    event =
        std::make_unique<QFocusEvent>(Msg == WM_SETFOCUS ? QEvent::FocusIn : QEvent::FocusOut, Qt::OtherFocusReason);
    target = Rec->Widget.data();
    break;
  case WM_CLOSE:
    event = std::make_unique<QCloseEvent>();
    target = Rec->Widget.data();
    break;
  case WM_ERASEBKGND: {
    // Erasing fills the client with its background, as the toolkit would.
    auto* dc = reinterpret_cast<HDC__*>(W);
    if (QPainter* p = dc ? DCPainter(dc) : nullptr) p->fillRect(client->rect(), client->palette().window());
    return 1;
  }
  case WM_PAINT: client->repaint(); return 0;
  // A key carries no text and a character no key: the window acts on each as on its part of
  // a real key press.
  case WM_KEYDOWN:
  case WM_KEYUP: {
    int key = QtKey(W);
    const Qt::KeyboardModifiers modifiers = CurrentModifiers();
    if (key == Qt::Key_Tab && (modifiers & Qt::ShiftModifier)) key = Qt::Key_Backtab;
    event = std::make_unique<QKeyEvent>(Msg == WM_KEYDOWN ? QEvent::KeyPress : QEvent::KeyRelease, key, modifiers,
                                        QString(), (L & (LPARAM(1) << 30)) != 0 && Msg == WM_KEYDOWN);
    target = Rec->Widget.data();
    break;
  }
  case WM_CHAR: {
    const auto c = static_cast<char32_t>(W);
    event = std::make_unique<QKeyEvent>(QEvent::KeyPress, 0, CurrentModifiers(), QString::fromUcs4(&c, 1));
    target = Rec->Widget.data();
    break;
  }
  default: return 0;
  }
  QPointer<QWidget> alive = Rec->Widget;
  // A press moves the focus first; the focus messages it causes reach the procedure.
  if (IsPress(Msg)) FocusAsPressWould(client, pos.toPoint());
  if (!alive) return 0;
  const QEvent* outer = Rec->Delivering;
  Rec->Delivering = event.get();
  QCoreApplication::sendEvent(target, event.get());
  if (alive) Rec->Delivering = outer;
  return 0;
}

} // namespace WindowBridge

using namespace WindowBridge;

LONG GetMessageTime() { return static_cast<LONG>(Windows().MessageTime); }

SHORT GetKeyState(int nVirtKey) {
  Qt::KeyboardModifier modifier = Qt::NoModifier;
  switch (nVirtKey) {
  case VK_SHIFT: modifier = Qt::ShiftModifier; break;
  case VK_CONTROL: modifier = Qt::ControlModifier; break;
  case VK_MENU: modifier = Qt::AltModifier; break;
  default: return 0;
  }
  return (CurrentModifiers() & modifier) ? std::numeric_limits<SHORT>::min() : SHORT(0);
}
