#pragma once
// The tip of a long-item control: a small read-only edit box over an item too wide for its
// control, showing the item's whole text.

#include "framework/StdCtrls.h"

// An edit box that keeps the focus and the clicks it is given away from itself and hands the
// clicks to the control that made it.
class TLongEdit : public TEdit {
public:
  explicit TLongEdit(TComponent* AOwner);

  // The list box or outline that made the tip; set once, at creation.
  TWinControl* FHost = nullptr;

  void WndProc(TMessage& Message) override;

private:
  // Delivers a click on the tip to the host, at the same point of the screen.
  void ForwardClick(TMessage& Message);
};

void RegisterLongEdit();
