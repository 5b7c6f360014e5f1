#pragma once
// Where window handles meet Qt: the framework gives each of its widgets a handle, and Qt
// events on the widget become messages passed through the handle's window procedure.

#include <functional>

#include "platform/Windows.h"

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

// The painter behind a device context handed out with WM_ERASEBKGND.
QPainter* DCPainter(HDC DC);

// Every exception that leaves a window procedure called from Qt is handed to this handler,
// which runs inside the catch block (std::current_exception holds it).
void SetMessageExceptionHandler(std::function<void()> Handler);
// Runs Action; an exception from it goes to the message exception handler.
void GuardedCall(const std::function<void()>& Action);
