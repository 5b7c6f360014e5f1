#pragma once
// Where window handles meet Qt: the framework gives each of its widgets a handle, and Qt
// events on the widget become messages passed through the handle's window procedure. A
// message that reaches the default procedure gets Qt's own handling; the focus a press of
// the mouse gives is part of that default handling, so a procedure that keeps a press to
// itself also keeps the focus where it was.
//
// Every entry from Qt into framework code — an event turned into a message, a posted
// message, a signal, a paint — runs through CallGuarded, so that an exception never crosses
// a Qt frame: it is handed to the message exception handler (the application's) instead.

#include <QAbstractScrollArea>
#include <QObject>
#include <functional>
#include <type_traits>
#include <utility>

#include "platform/Guarded.h"
#include "platform/Windows.h"

class QFont;
class QWidget;
class QPainter;

// Gives Widget a window handle. Mouse input and painting are taken from Client (a scroll
// area's viewport), everything else from Widget. The handle dies with the widget.
HWND CreateWindowHandle(QWidget* Widget, QWidget* Client = nullptr);
// The widget of a live handle, or nullptr.
QWidget* WindowWidget(HWND hWnd);
// The widget that takes the handle's mouse input and painting.
QWidget* WindowClient(HWND hWnd);
// The handle of a widget or of its nearest ancestor that has one; 0 when none has.
HWND WindowHandle(const QWidget* Widget);

// The painter behind a device context handed out with WM_ERASEBKGND or by GetDC.
QPainter* DCPainter(HDC DC);
// Selects the font a device context measures and writes text in.
void SetDCFont(HDC DC, const QFont& Font);

// Connects a Qt signal to framework code through the bridge. The slot gets the signal's
// arguments and lives as long as Context.
template <class TSender, class TSignal, class TSlot>
QMetaObject::Connection ConnectGuarded(TSender* Sender, TSignal Signal, const QObject* Context, TSlot Slot) {
  return QObject::connect(Sender, Signal, Context,
                          [Slot = std::move(Slot)](const auto&... Args) { CallGuarded([&] { Slot(Args...); }); });
}

// The same, living as long as the sender.
template <class TSender, class TSignal, class TSlot>
QMetaObject::Connection ConnectGuarded(TSender* Sender, TSignal Signal, TSlot Slot) {
  return ConnectGuarded(Sender, Signal, Sender, std::move(Slot));
}

// The one Qt subclass a framework window may need: for a window that must act before Qt
// handles any event of the widget or, for a scroll area, of its viewport (a selection the
// program set and the widget has not taken yet). BeforeEvent runs guarded; the events then
// go on to the window procedure and to Qt as for any window.
template <class TBase> class TQtWidget : public TBase {
public:
  using TBase::TBase;
  std::function<void()> BeforeEvent;

protected:
  bool event(QEvent* Event) override {
    Before();
    return TBase::event(Event);
  }
  void Before() {
    if (BeforeEvent) CallGuarded(BeforeEvent);
  }
};

template <class TBase> class TQtScrollWidget : public TQtWidget<TBase> {
public:
  using TQtWidget<TBase>::TQtWidget;

protected:
  bool viewportEvent(QEvent* Event) override {
    this->Before();
    return TBase::viewportEvent(Event);
  }
};

template <class TBase>
using TQtWindow =
    std::conditional_t<std::is_base_of_v<QAbstractScrollArea, TBase>, TQtScrollWidget<TBase>, TQtWidget<TBase>>;
