#pragma once
// Controls that show the whole text of an item too wide for them: when the pointer reaches
// such an item, a small read-only edit box (the tip) shows over it with the whole text, and
// clicks on the tip act on the item beneath.

#include <cstdint>
#include <memory>

#include "framework/Forms.h"
#include "framework/StdCtrls.h"

// The tip: an edit box that keeps the focus and the clicks it is given away from itself and
// hands the clicks to the control that made it.
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

// The hook a long-item control installs as its form's mouse-move handler.
struct TLongItemHook;

class TLongListbox : public TListBox {
public:
  explicit TLongListbox(TComponent* AOwner);
  ~TLongListbox() override;
  // Installs the hook on the form's mouse-move event once the description has been read.
  void Loaded() override;
  void MouseMove(TShiftState Shift, int X, int Y) override;

  // Tips only while the control has the input focus.
  bool OnlyWhenFocused() const { return FOnlyWhenFocused; }
  void SetOnlyWhenFocused(bool Value) { FOnlyWhenFocused = Value; }
  // The tip's background and text colours; a change shows with the next tip.
  TColor BackColor() const { return FBackColor; }
  void SetBackColor(TColor Value) { FBackColor = Value; }
  TColor TextColor() const { return FTextColor; }
  void SetTextColor(TColor Value) { FTextColor = Value; }

  // Run as the form's mouse-move handler: the handler found before, then the tip goes.
  void FormMouseMoveHook(TObject* Sender, TShiftState Shift, std::int32_t X, std::int32_t Y);

  // The tip now shown, or none.
  TLongEdit* Tip() const { return FTip; }

private:
  void ShowTip(int Index, const String& Text, const TRect& ItemRect);
  void RemoveTip();

  TLongEdit* FTip = nullptr;
  std::int32_t FLastIndex = -1;
  TColor FBackColor = static_cast<TColor>(0xEAFFFF);
  TColor FTextColor = clBlack;
  bool FOnlyWhenFocused = false;
  TMouseMoveEvent FSavedFormMouseMove;
  // What the hook installed on the form knows of this control.
  std::shared_ptr<TLongItemHook> FHook;
};

void RegisterLongList();
