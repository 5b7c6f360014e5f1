#pragma once
// Window handles, window procedures, messages and message boxes under their Windows names.

#include <cstdint>
#include <functional>

using BOOL = int;
using UINT = unsigned int;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using WORD = std::uint16_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LONG_PTR = std::intptr_t;
using SHORT = std::int16_t;

struct HWND__;
using HWND = HWND__*;
struct HDC__;
using HDC = HDC__*;
// A window procedure; made from a function or an object method, called through CallWindowProcA.
struct TWindowProcedure;
using WNDPROC = TWindowProcedure*;

struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

struct POINT {
  LONG x = 0;
  LONG y = 0;
};

struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};

struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
};

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_USER = 0x0400;

constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;

// Virtual keys; the letters and digits are their upper-case ASCII codes.
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_ADD = 0x6B;
constexpr int VK_SUBTRACT = 0x6D;
constexpr int VK_F1 = 0x70;

constexpr int GWL_WNDPROC = -4;

constexpr UINT MB_OK = 0x00;
constexpr UINT MB_OKCANCEL = 0x01;
constexpr UINT MB_ABORTRETRYIGNORE = 0x02;
constexpr UINT MB_YESNOCANCEL = 0x03;
constexpr UINT MB_YESNO = 0x04;
constexpr UINT MB_RETRYCANCEL = 0x05;
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x40;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_DEFBUTTON1 = 0x000;
constexpr UINT MB_DEFBUTTON2 = 0x100;
constexpr UINT MB_DEFBUTTON3 = 0x200;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

constexpr WORD LOWORD(std::uintptr_t V) { return static_cast<WORD>(V & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t V) { return static_cast<WORD>((V >> 16) & 0xFFFF); }
constexpr LPARAM MAKELPARAM(int Low, int High) {
  return static_cast<LPARAM>(static_cast<std::uint32_t>((Low & 0xFFFF) | ((High & 0xFFFF) << 16)));
}
// The signed coordinates a mouse message carries.
constexpr int GET_X_LPARAM(LPARAM L) { return static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(L))); }
constexpr int GET_Y_LPARAM(LPARAM L) { return static_cast<std::int16_t>(HIWORD(static_cast<std::uintptr_t>(L))); }

// Sends a message through the window's current procedure and returns its result.
LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// Queues a message; the message loop delivers queued messages in order.
BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// Whether a key is down (the high bit of the result set) while the key message being handled
// was made, or now when none is: for VK_SHIFT, VK_CONTROL and VK_MENU.
SHORT GetKeyState(int nVirtKey);
// The time, in milliseconds, of the input the message being handled came from: the latest
// mouse or key event on a window.
LONG GetMessageTime();
// The window that has the keyboard focus, or 0.
HWND GetFocus();
// Turn a point of a window's client area into screen coordinates and back; FALSE for an
// unknown window.
BOOL ClientToScreen(HWND hWnd, POINT* lpPoint);
BOOL ScreenToClient(HWND hWnd, POINT* lpPoint);
BOOL IsWindow(HWND hWnd);

LONG_PTR GetWindowLongA(HWND hWnd, int nIndex);
// Returns the value replaced.
LONG_PTR SetWindowLongA(HWND hWnd, int nIndex, LONG_PTR dwNewLong);
LRESULT CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// The toolkit's own handling of a message.
LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

WNDPROC MakeWindowProc(std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> Function);
// A window procedure that hands each message to an object's method as a TMessage.
WNDPROC MakeObjectInstance(std::function<void(TMessage&)> Method);
void FreeObjectInstance(WNDPROC ObjectInstance);

// Drawing on a window's client area outside its paint. Qt lets a widget be painted only
// inside its paint event, so a device context from GetDC records what is drawn on it, and
// ReleaseDC repaints the client at once (synchronously, to the screen), putting the recording
// over what the client paints of itself: the drawing shows in one piece, as if made on the
// window's pixels, and lasts until the client is next painted, as on any window. A context
// nobody drew on repaints nothing.
//
// A context for the client area of the window; 0 for an unknown window.
HDC GetDC(HWND hWnd);
// Puts the context's drawing on the window and frees the context; 1 when done, 0 for a
// context that GetDC did not hand out for this window.
int ReleaseDC(HWND hWnd, HDC hDC);
// The client area in its own coordinates, so left and top are 0; FALSE for an unknown window.
BOOL GetClientRect(HWND hWnd, RECT* lpRect);
// The width and height of the first Count bytes of String (UTF-8) in the font of the
// context; FALSE, and nothing measured, for no context.
BOOL GetTextExtentPointA(HDC hdc, const char* lpString, int Count, SIZE* lpSize);

// A modal message box; returns the IDxxx of the button chosen.
int MessageBoxA(HWND hWnd, const char* lpText, const char* lpCaption, UINT uType);
BOOL MessageBeep(UINT uType);
