#include "controls/LongOutline.h"

TLongOutline::TLongOutline(TComponent* AOwner) : TLongItemControl<TOutline>(AOwner) {}

void TLongOutline::MouseMove(TShiftState Shift, int X, int Y) {
  TOutline::MouseMove(Shift, X, Y);
  const int index = GetItem(X, Y);
  if (!PointerReached(index, index >= 1)) return;
  const TRect rect = ItemTextRect(index);
  const String text = Items(index)->Text();
  if (rect.left + ItemTextWidth(text) <= Width() - 4) return;
  ShowTip(text, rect.left, rect.top);
}

void TLongOutline::WndProc(TMessage& Message) {
  // The outline's own handling of the focus loss follows, so its selection shows unfocused.
  if (Message.Msg == WM_KILLFOCUS) RemoveTip();
  TOutline::WndProc(Message);
}

void RegisterLongOutline() {
  static const bool done = [] {
    RegisterLongEdit();
    RegisterOutlineClasses();
    RegisterLongItemClass<TLongOutline>("TLongOutline", "TOutline");
    return true;
  }();
  (void)done;
}
