// Window handles and their procedures: the table of windows, sending and posting messages,
// and the one guard every entry from Qt into framework code runs through.
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <utility>

#include "platform/WindowTable.h"

using namespace WindowBridge;

namespace {

WNDPROC DefaultProcedure() {
  static TWindowProcedure proc{[](HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }};
  return &proc;
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

} // namespace

namespace WindowBridge {

TWindowTable& Windows() {
  static auto* table = new TWindowTable;
  return *table;
}

LRESULT Dispatch(TWindowRecord* Rec, UINT Msg, WPARAM W, LPARAM L) {
  return CallWindowProcA(Rec->Proc, Rec->Handle, Msg, W, L);
}

// Passes M, which Event on Watched stands for, through the window's procedure. Qt's own
// handling of the event is left to the caller when the message reaches the default procedure.
TOutcome Pass(TWindowRecord* Rec, QObject* Watched, QEvent* Event, const TMessage& M, bool QtPaints) {
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

void TWindowTable::customEvent(QEvent* Event) {
  if (Event->type() != TPostedMessage::Kind()) return;
  auto* posted = static_cast<TPostedMessage*>(Event);
  CallGuarded([&] {
    if (TWindowRecord* rec = Find(posted->Handle)) Dispatch(rec, posted->Msg, posted->WParam, posted->LParam);
  });
}

} // namespace WindowBridge

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

BOOL GetClientRect(HWND hWnd, RECT* lpRect) {
  QWidget* client = WindowClient(hWnd);
  if (!client || !lpRect) return FALSE;
  *lpRect = RECT{0, 0, client->width(), client->height()};
  return TRUE;
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
