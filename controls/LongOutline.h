#pragma once
// An outline whose items running past its right edge show whole in a tip.

#include "controls/LongItemControl.h"

// The tip also goes when the outline loses the focus.
class TLongOutline : public TLongItemControl<TOutline> {
public:
  explicit TLongOutline(TComponent* AOwner);
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void WndProc(TMessage& Message) override;
};

void RegisterLongOutline();
