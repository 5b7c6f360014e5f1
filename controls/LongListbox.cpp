#include "controls/LongListbox.h"

#include "platform/Utf8.h"

TLongListbox::TLongListbox(TComponent* AOwner) : TLongItemControl<TListBox>(AOwner) {}

void TLongListbox::MouseMove(TShiftState Shift, int X, int Y) {
  TListBox::MouseMove(Shift, X, Y);
  const int index = ItemAtPos(X, Y);
  if (!PointerReached(index, index != -1)) return;
  const String text = ReadableName(Items()->Strings(index));
  if (ItemTextWidth(text) <= Width()) return;
  const TRect rect = ItemRect(index);
  ShowTip(text, rect.left, rect.top);
}

void RegisterLongListbox() {
  static const bool done = [] {
    RegisterLongEdit();
    RegisterLongItemClass<TLongListbox>("TLongListbox", "TListBox");
    return true;
  }();
  (void)done;
}
