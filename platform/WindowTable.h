#pragma once
// The window table behind window handles, shared by the files of the message bridge: the
// records of the windows, and how a message made from a Qt event travels. Not for use outside
// platform/.

#include <QFont>
#include <QHash>
#include <QObject>
#include <QPainter>
#include <QPicture>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>

#include "platform/QtWindow.h"

class QKeyEvent;

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

namespace WindowBridge {

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

// Watches the framework's widgets and routes their events through the window procedures.
class TWindowTable : public QObject {
public:
  std::unordered_map<std::uintptr_t, std::unique_ptr<TWindowRecord>> ByHandle;
  QHash<const QObject*, TWindowRecord*> ByObject;
  std::uintptr_t NextHandle = 1;
  // The time of the latest real input, which made-up input carries: Qt's widgets tell a
  // double-click from two clicks by the times of their events.
  quint64 InputTime = 0;
  // The time of the latest input on a window, real or sent, for GetMessageTime.
  quint64 MessageTime = 0;
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

TWindowTable& Windows();

// Passes a message to the window's procedure.
LRESULT Dispatch(TWindowRecord* Rec, UINT Msg, WPARAM W, LPARAM L);
// Passes M, which Event on Watched stands for, through the window's procedure. Qt's own
// handling of the event is left to the caller when the message reaches the default procedure.
TOutcome Pass(TWindowRecord* Rec, QObject* Watched, QEvent* Event, const TMessage& M, bool QtPaints = false);
// Hands Qt the very event a message of a window stands for, at once.
void DeliverNow(TWindowRecord* Rec, QObject* Target, QEvent* Event);
// Hands Qt a made-up event for a message that did not come from Qt, so that it acts as
// the real input it stands for would.
LRESULT DeliverToQt(TWindowRecord* Rec, UINT Msg, WPARAM W, LPARAM L);
// Whether a mouse message is a press of a button.
bool IsPress(UINT Msg);
// Gives the focus as a press of the mouse at Pos on W does.
void FocusAsPressWould(QWidget* W, QPoint Pos);

} // namespace WindowBridge
