#pragma once
// A list box whose items too wide for it show whole in a tip.

#include "controls/LongItemControl.h"

class TLongListbox : public TLongItemControl<TListBox> {
public:
  explicit TLongListbox(TComponent* AOwner);
  void MouseMove(TShiftState Shift, int X, int Y) override;
};

void RegisterLongListbox();
