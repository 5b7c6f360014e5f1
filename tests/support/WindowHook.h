#pragma once
// A window procedure of a test's own in front of a window's procedure, for one scope.

#include <functional>

#include "platform/Windows.h"

// Every message to the window reaches Handle first; it returns true for a message it handled,
// with the result in M.Result, and the rest go on to the procedure it replaced. That procedure
// is put back when the hook goes, also when a failed assertion ends the test early.
class TWindowHook {
public:
  TWindowHook(HWND Window, std::function<bool(TMessage&)> Handle)
      : FWindow(Window), FProc(MakeObjectInstance([this, Handle = std::move(Handle)](TMessage& M) {
          if (!Handle(M)) M.Result = CallWindowProcA(FPrevious, FWindow, M.Msg, M.WParam, M.LParam);
        })) {
    FPrevious = reinterpret_cast<WNDPROC>(SetWindowLongA(FWindow, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(FProc)));
  }
  ~TWindowHook() {
    SetWindowLongA(FWindow, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(FPrevious));
    FreeObjectInstance(FProc);
  }
  TWindowHook(const TWindowHook&) = delete;
  TWindowHook& operator=(const TWindowHook&) = delete;

  // The hook's own procedure, and the one it replaced.
  WNDPROC Procedure() const { return FProc; }
  WNDPROC Previous() const { return FPrevious; }

private:
  HWND FWindow;
  WNDPROC FProc;
  WNDPROC FPrevious = nullptr;
};
