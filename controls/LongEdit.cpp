#include "controls/LongEdit.h"

#include "framework/Outline.h"
#include "framework/TypInfo.h"

TLongEdit::TLongEdit(TComponent* AOwner) : TEdit(AOwner) {}

void TLongEdit::WndProc(TMessage& Message) {
  switch (Message.Msg) {
  case WM_SETFOCUS: break; // the edit box's own caret never shows
  case WM_LBUTTONDOWN:
  case WM_LBUTTONUP:
  case WM_LBUTTONDBLCLK: ForwardClick(Message); break;
  default: TEdit::WndProc(Message);
  }
}

void TLongEdit::ForwardClick(TMessage& Message) {
  if (!FHost) return;
  POINT at{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
  ClientToScreen(Handle(), &at);
  ScreenToClient(FHost->Handle(), &at);
  const LPARAM point = MAKELPARAM(at.x, at.y);
  // An outline takes all but the press from its queue, once the tip's handling is over.
  if (Message.Msg != WM_LBUTTONDOWN && dynamic_cast<TOutline*>(FHost))
    PostMessageA(FHost->Handle(), Message.Msg, Message.WParam, point);
  else
    SendMessageA(FHost->Handle(), Message.Msg, Message.WParam, point);
}

void RegisterLongEdit() {
  static const bool done = [] {
    RegisterStdCtrlsClasses();
    TClassRegistration<TLongEdit>("TLongEdit", "TEdit");
    return true;
  }();
  (void)done;
}
