#include <QAbstractScrollArea>
#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPicture>
#include <QPointer>
#include <QResizeEvent>
#include <deque>
#include <limits>
#include <memory>
#include <optional>
#include <unordered_map>

#include "platform/QtWindow.h"
#include "platform/Seams.h"

struct TWindowProcedure {
  std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> Function;
};

// A device context: the widget during one paint event, or the recording of a context from
// GetDC. The painter starts only when someone draws.
struct HDC__ {
  QPaintDevice* Target;
  std::unique_ptr<QPainter> Painter;
  QFont Font;
};

namespace {

// The Qt event being turned into a message, so that the default procedure can hand that
// very event back to Qt instead of making a new one.
struct TNativeEvent {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  QObject* Target;
  QEvent* Event;
  bool PassToQt = false;
  // For WM_PAINT: Qt paints the client when the default procedure gets the message, so that
  // the procedure can draw over it; not when the procedure kept the erasing to itself.
  bool QtPaints = false;
};

// What became of a message made from a Qt event.
enum class TOutcome { Kept, Passed, Gone };

struct TWindowRecord {
  HWND Handle;
  QPointer<QWidget> Widget;
  QPointer<QWidget> Client;
  // The keys of the widget table, kept apart because the QPointers are cleared before
  // the widget's destroyed signal arrives.
  const QObject* WidgetKey;
  const QObject* ClientKey;
  WNDPROC Proc;
  TNativeEvent* Native = nullptr;
  // A made-up event on its way to Qt for a message that did not come from Qt; it alone
  // passes the filter untranslated, while the events it causes become messages as usual.
  const QEvent* Delivering = nullptr;
  // Whether the widget takes the focus when pressed: the default handling of a press gives
  // it, as on the platform the program is written for, so Qt itself is told it does not.
  bool TakesClickFocus = false;
  // While ReleaseDC repaints the client: what was drawn on the context, to go over the paint.
  const QPicture* Drawn = nullptr;
};

// A device context from GetDC: what is drawn on it is recorded until ReleaseDC.
struct TWindowDC {
  HWND Window;
  QPicture Recording;
  HDC__ DC{&Recording, nullptr, QFont()};
};

std::function<void()>& ExceptionHandler() {
  static std::function<void()> handler;
  return handler;
}

WNDPROC DefaultProcedure() {
  static TWindowProcedure proc{[](HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }};
  return &proc;
}

// Watches the framework's widgets and routes their events through the window procedures.
class TWindowTable : public QObject {
public:
  std::unordered_map<std::uintptr_t, std::unique_ptr<TWindowRecord>> ByHandle;
  QHash<const QObject*, TWindowRecord*> ByObject;
  std::uintptr_t NextHandle = 1;
  // The time of the latest real input, which made-up input carries: Qt's widgets tell a
  // double-click from two clicks by the times of their events.
  quint64 InputTime = 0;
  // The contexts GetDC has handed out and ReleaseDC has not yet taken back.
  std::unordered_map<HDC, std::unique_ptr<TWindowDC>> Contexts;
  // The modifiers of the key event being turned into messages, for GetKeyState.
  std::optional<Qt::KeyboardModifiers> KeyModifiers;

  TWindowRecord* Find(HWND h) const {
    auto it = ByHandle.find(reinterpret_cast<std::uintptr_t>(h));
    if (it == ByHandle.end() || !it->second->Widget) return nullptr;
    return it->second.get();
  }

  void Forget(TWindowRecord* Rec) {
    ByObject.remove(Rec->WidgetKey);
    ByObject.remove(Rec->ClientKey);
    ByHandle.erase(reinterpret_cast<std::uintptr_t>(Rec->Handle));
  }

  bool eventFilter(QObject* Watched, QEvent* Event) override;
  void customEvent(QEvent* Event) override;

private:
  bool Paint(TWindowRecord* Rec, QObject* Watched, QEvent* Event);
  bool Key(TWindowRecord* Rec, QObject* Watched, QKeyEvent* Event);
};

TWindowTable& Windows() {
  static auto* table = new TWindowTable;
  return *table;
}

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

LRESULT Dispatch(TWindowRecord* Rec, UINT Msg, WPARAM W, LPARAM L) {
  return CallWindowProcA(Rec->Proc, Rec->Handle, Msg, W, L);
}

// Passes M, which Event on Watched stands for, through the window's procedure. Qt's own
// handling of the event is left to the caller when the message reaches the default procedure.
TOutcome Pass(TWindowRecord* Rec, QObject* Watched, QEvent* Event, const TMessage& M, bool QtPaints = false) {
  TNativeEvent native{M.Msg, M.WParam, M.LParam, Watched, Event};
  native.QtPaints = QtPaints;
  TNativeEvent* outer = Rec->Native;
  Rec->Native = &native;
  QPointer<QWidget> alive = Rec->Widget;
  CallGuarded([&] { Dispatch(Rec, M.Msg, M.WParam, M.LParam); });
  if (!alive) return TOutcome::Gone; // the window went while its message was handled
  Rec->Native = outer;
  return native.PassToQt ? TOutcome::Passed : TOutcome::Kept;
}

// Hands Qt the very event a message of a window stands for, at once.
void DeliverNow(TWindowRecord* Rec, QObject* Target, QEvent* Event) {
  QPointer<QWidget> alive = Rec->Widget;
  const QEvent* outer = Rec->Delivering;
  Rec->Delivering = Event;
  QCoreApplication::sendEvent(Target, Event);
  if (alive) Rec->Delivering = outer;
}

bool TWindowTable::eventFilter(QObject* Watched, QEvent* Event) {
  if (Event->spontaneous() && Event->isInputEvent()) InputTime = static_cast<QInputEvent*>(Event)->timestamp();
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

// A message queued by PostMessageA.
class TPostedMessage : public QEvent {
public:
  static QEvent::Type Kind() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }
  TPostedMessage(HWND H, UINT M, WPARAM W, LPARAM L) : QEvent(Kind()), Handle(H), Msg(M), WParam(W), LParam(L) {}
  HWND Handle;
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
};

void TWindowTable::customEvent(QEvent* Event) {
  if (Event->type() != TPostedMessage::Kind()) return;
  auto* posted = static_cast<TPostedMessage*>(Event);
  CallGuarded([&] {
    if (TWindowRecord* rec = Find(posted->Handle)) Dispatch(rec, posted->Msg, posted->WParam, posted->LParam);
  });
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

} // namespace

HWND CreateWindowHandle(QWidget* Widget, QWidget* Client) {
  TWindowTable& table = Windows();
  auto rec = std::make_unique<TWindowRecord>();
  rec->Handle = reinterpret_cast<HWND>(table.NextHandle++);
  rec->Widget = Widget;
  rec->Client = Client ? Client : Widget;
  rec->WidgetKey = Widget;
  rec->ClientKey = rec->Client.data();
  rec->Proc = DefaultProcedure();
  rec->TakesClickFocus = (Widget->focusPolicy() & Qt::ClickFocus) == Qt::ClickFocus;
  if (rec->TakesClickFocus)
    Widget->setFocusPolicy(static_cast<Qt::FocusPolicy>(Widget->focusPolicy() & ~Qt::ClickFocus));
  TWindowRecord* raw = rec.get();
  table.ByObject.insert(Widget, raw);
  table.ByObject.insert(raw->Client.data(), raw);
  table.ByHandle.emplace(reinterpret_cast<std::uintptr_t>(raw->Handle), std::move(rec));
  Widget->installEventFilter(&table);
  if (raw->Client != Widget) raw->Client->installEventFilter(&table);
  // A window is told of every move of the pointer over it, a button held or not.
  raw->Client->setMouseTracking(true);
  QObject::connect(Widget, &QObject::destroyed, &table, [raw] { Windows().Forget(raw); });
  return raw->Handle;
}

QWidget* WindowWidget(HWND hWnd) {
  TWindowRecord* rec = Windows().Find(hWnd);
  return rec ? rec->Widget.data() : nullptr;
}

QWidget* WindowClient(HWND hWnd) {
  TWindowRecord* rec = Windows().Find(hWnd);
  return rec ? rec->Client.data() : nullptr;
}

HWND WindowHandle(const QWidget* Widget) {
  for (const QWidget* w = Widget; w; w = w->parentWidget()) {
    TWindowRecord* rec = Windows().ByObject.value(w);
    if (rec && rec->Widget == w) return rec->Handle;
  }
  return nullptr;
}

QPainter* DCPainter(HDC DC) {
  if (!DC) return nullptr;
  if (!DC->Painter) DC->Painter = std::make_unique<QPainter>(DC->Target);
  return DC->Painter.get();
}

void SetDCFont(HDC DC, const QFont& Font) {
  if (!DC) return;
  DC->Font = Font;
  if (DC->Painter) DC->Painter->setFont(Font);
}

BOOL GetTextExtentPointA(HDC hdc, const char* lpString, int Count, SIZE* lpSize) {
  if (!hdc || !lpSize || Count < 0 || (!lpString && Count > 0)) return FALSE;
  QFontMetrics metrics(hdc->Font, hdc->Target);
  lpSize->cx = metrics.horizontalAdvance(QString::fromUtf8(lpString, Count));
  lpSize->cy = metrics.height();
  return TRUE;
}

HDC GetDC(HWND hWnd) {
  TWindowTable& table = Windows();
  if (!table.Find(hWnd)) return nullptr;
  auto context = std::make_unique<TWindowDC>();
  context->Window = hWnd;
  HDC dc = &context->DC;
  dc->Font = WindowClient(hWnd)->font();
  table.Contexts.emplace(dc, std::move(context));
  return dc;
}

int ReleaseDC(HWND hWnd, HDC hDC) {
  TWindowTable& table = Windows();
  auto it = table.Contexts.find(hDC);
  if (it == table.Contexts.end() || it->second->Window != hWnd) return 0;
  std::unique_ptr<TWindowDC> context = std::move(it->second);
  table.Contexts.erase(it);
  context->DC.Painter.reset(); // ends the recording
  TWindowRecord* rec = table.Find(hWnd);
  if (!rec || context->Recording.isNull()) return 1;
  QPointer<QWidget> client = rec->Client;
  rec->Drawn = &context->Recording;
  client->repaint();
  if (client) rec->Drawn = nullptr;
  return 1;
}

BOOL GetClientRect(HWND hWnd, RECT* lpRect) {
  QWidget* client = WindowClient(hWnd);
  if (!client || !lpRect) return FALSE;
  *lpRect = RECT{0, 0, client->width(), client->height()};
  return TRUE;
}

void SetMessageExceptionHandler(std::function<void()> Handler) { ExceptionHandler() = std::move(Handler); }

void CallGuarded(const std::function<void()>& Action) {
  try {
    Action();
  } catch (...) {
    // The handler is the last resort: what it cannot show is dropped rather than let through.
    try {
      if (ExceptionHandler()) ExceptionHandler()();
    } catch (...) {
    }
  }
}

LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  TWindowRecord* rec = Windows().Find(hWnd);
  return rec ? Dispatch(rec, Msg, wParam, lParam) : 0;
}

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (!Windows().Find(hWnd)) return FALSE;
  QCoreApplication::postEvent(&Windows(), new TPostedMessage(hWnd, Msg, wParam, lParam));
  return TRUE;
}

HWND GetFocus() { return WindowHandle(QApplication::focusWidget()); }

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

BOOL ClientToScreen(HWND hWnd, POINT* lpPoint) {
  QWidget* client = WindowClient(hWnd);
  if (!client || !lpPoint) return FALSE;
  QPoint at = client->mapToGlobal(QPoint(lpPoint->x, lpPoint->y));
  *lpPoint = POINT{at.x(), at.y()};
  return TRUE;
}

BOOL ScreenToClient(HWND hWnd, POINT* lpPoint) {
  QWidget* client = WindowClient(hWnd);
  if (!client || !lpPoint) return FALSE;
  QPoint at = client->mapFromGlobal(QPoint(lpPoint->x, lpPoint->y));
  *lpPoint = POINT{at.x(), at.y()};
  return TRUE;
}

BOOL IsWindow(HWND hWnd) { return Windows().Find(hWnd) ? TRUE : FALSE; }

LONG_PTR GetWindowLongA(HWND hWnd, int nIndex) {
  TWindowRecord* rec = Windows().Find(hWnd);
  if (!rec || nIndex != GWL_WNDPROC) return 0;
  return reinterpret_cast<LONG_PTR>(rec->Proc);
}

LONG_PTR SetWindowLongA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
  TWindowRecord* rec = Windows().Find(hWnd);
  if (!rec || nIndex != GWL_WNDPROC || !dwNewLong) return 0;
  WNDPROC old = rec->Proc;
  rec->Proc = reinterpret_cast<WNDPROC>(dwNewLong);
  return reinterpret_cast<LONG_PTR>(old);
}

LRESULT CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (!lpPrevWndFunc) return 0;
  return lpPrevWndFunc->Function(hWnd, Msg, wParam, lParam);
}

LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  TWindowRecord* rec = Windows().Find(hWnd);
  if (!rec) return 0;
  TNativeEvent* native = rec->Native;
  if (native && !native->PassToQt && native->Msg == Msg && native->WParam == wParam && native->LParam == lParam) {
    native->PassToQt = true;
    if (IsPress(Msg)) FocusAsPressWould(rec->Client, QPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
    if (Msg == WM_PAINT && native->QtPaints) {
      // Qt paints the client now, its own painter alone on it.
      reinterpret_cast<HDC>(wParam)->Painter.reset();
      DeliverNow(rec, native->Target, native->Event);
    }
    return Msg == WM_ERASEBKGND ? 1 : 0;
  }
  return DeliverToQt(rec, Msg, wParam, lParam);
}

WNDPROC MakeWindowProc(std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> Function) {
  return new TWindowProcedure{std::move(Function)};
}

WNDPROC MakeObjectInstance(std::function<void(TMessage&)> Method) {
  return MakeWindowProc([Method = std::move(Method)](HWND, UINT Msg, WPARAM W, LPARAM L) {
    TMessage m{Msg, W, L, 0};
    Method(m);
    return m.Result;
  });
}

void FreeObjectInstance(WNDPROC ObjectInstance) { delete ObjectInstance; }

int MessageBoxA(HWND hWnd, const char* lpText, const char* lpCaption, UINT uType) {
  Seams::TMessageBoxRecord record{hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "Error", uType};
  if (Seams::Enabled()) return Seams::TakeMessageBoxAnswer(record);

  QMessageBox box(WindowWidget(hWnd));
  box.setWindowTitle(QString::fromStdString(record.Caption));
  box.setText(QString::fromStdString(record.Text));
  switch (uType & 0xF0) {
  case MB_ICONHAND: box.setIcon(QMessageBox::Critical); break;
  case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
  case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
  case MB_ICONASTERISK: box.setIcon(QMessageBox::Information); break;
  default: box.setIcon(QMessageBox::NoIcon);
  }
  struct TButton {
    QMessageBox::StandardButton Button;
    int Id;
  };
  std::vector<TButton> buttons;
  switch (uType & 0x0F) {
  case MB_OKCANCEL: buttons = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}; break;
  case MB_ABORTRETRYIGNORE:
    buttons = {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
    break;
  case MB_YESNOCANCEL:
    buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    break;
  case MB_YESNO: buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}; break;
  case MB_RETRYCANCEL: buttons = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}}; break;
  default: buttons = {{QMessageBox::Ok, IDOK}};
  }
  for (const TButton& b : buttons)
    box.addButton(b.Button);
  std::size_t def = (uType >> 8) & 0x0F;
  box.setDefaultButton(buttons[def < buttons.size() ? def : 0].Button);
  // Closing the box answers Cancel where there is one, else the only button.
  for (const TButton& b : buttons)
    if (b.Id == IDCANCEL || buttons.size() == 1) box.setEscapeButton(b.Button);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  for (const TButton& b : buttons)
    if (clicked == box.button(b.Button)) return b.Id;
  return buttons.size() == 1 ? buttons[0].Id : IDCANCEL;
}

BOOL MessageBeep(UINT) {
  Seams::CountBeep();
  QApplication::beep();
  return TRUE;
}
