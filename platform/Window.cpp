#include <QAbstractScrollArea>
#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QHash>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPicture>
#include <QPointer>
#include <QResizeEvent>
#include <deque>
#include <memory>
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
  bool PassToQt = false;
};

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

// The message a Qt event stands for; false when it has none.
bool Translate(const TWindowRecord& Rec, QObject* Watched, QEvent* Event, TMessage& M, HDC__* DC) {
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
  case QEvent::Resize: {
    if (Watched != Rec.Widget.data()) return false;
    QSize size = static_cast<QResizeEvent*>(Event)->size();
    M.Msg = WM_SIZE;
    M.LParam = MAKELPARAM(size.width(), size.height());
    return true;
  }
  case QEvent::Paint:
    if (!fromClient) return false;
    M.Msg = WM_ERASEBKGND;
    M.WParam = reinterpret_cast<WPARAM>(DC);
    return true;
  default: return false;
  }
}

LRESULT Dispatch(TWindowRecord* Rec, UINT Msg, WPARAM W, LPARAM L) {
  return CallWindowProcA(Rec->Proc, Rec->Handle, Msg, W, L);
}

bool TWindowTable::eventFilter(QObject* Watched, QEvent* Event) {
  if (Event->spontaneous() && Event->isInputEvent()) InputTime = static_cast<QInputEvent*>(Event)->timestamp();
  TWindowRecord* rec = ByObject.value(Watched);
  if (!rec || Event == rec->Delivering) return false;
  HDC__ dc{rec->Client.data(), nullptr, rec->Client->font()};
  TMessage m;
  if (!Translate(*rec, Watched, Event, m, &dc)) return false;
  TNativeEvent native{m.Msg, m.WParam, m.LParam};
  TNativeEvent* outer = rec->Native;
  rec->Native = &native;
  QPointer<QWidget> alive = rec->Widget;
  CallGuarded([&] { Dispatch(rec, m.Msg, m.WParam, m.LParam); });
  if (!alive) return true; // the window went while its message was handled
  rec->Native = outer;
  dc.Painter.reset();
  const QPicture* drawn = Event->type() == QEvent::Paint ? rec->Drawn : nullptr;
  if (native.PassToQt) {
    if (!drawn) return false;
    // Qt paints the client now, so that the drawing of a released context can go on top.
    const QEvent* outerDelivering = rec->Delivering;
    rec->Delivering = Event;
    QCoreApplication::sendEvent(Watched, Event);
    if (!alive) return true;
    rec->Delivering = outerDelivering;
  }
  if (drawn) QPainter(rec->Client.data()).drawPicture(0, 0, *drawn);
  // A close the procedure kept to itself must not hide the window either.
  if (Event->type() == QEvent::Close) Event->ignore();
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
