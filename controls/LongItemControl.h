#pragma once
// What the controls that show the whole text of an item too wide for them share: when the
// pointer reaches such an item, a tip (TLongEdit) shows over it with the whole text, and
// clicks on the tip act on the item beneath.

#include <cstdint>
#include <memory>

#include "controls/LongEdit.h"
#include "framework/Outline.h"
#include "framework/StdCtrls.h"
#include "framework/TypInfo.h"

// The hook a long-item control installs as its form's mouse-move handler.
struct TLongItemHook;

// What the long-item list box and outline share: the tip, the colours it is drawn in, and the
// hook on the form's mouse-move event that removes the tip when the pointer crosses the form.
template <class TBase> class TLongItemControl : public TBase {
public:
  explicit TLongItemControl(TComponent* AOwner) : TBase(AOwner) {}
  ~TLongItemControl() override;
  // Installs the hook on the form's mouse-move event once the description has been read.
  void Loaded() override;

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

protected:
  // Follows the pointer onto item Index (OnItem false: onto no item). True when it reached an
  // item other than the one it was on, so that a tip for it is to be decided; a tip shown for
  // an item before is then gone. A move the control ignores returns false.
  bool PointerReached(std::int32_t Index, bool OnItem);
  // The width of a text in the control's font.
  int ItemTextWidth(const String& Text);
  // Shows Text in a tip over the item whose text starts at (Left, Top) of the client area.
  void ShowTip(const String& Text, int Left, int Top);
  // Takes a shown tip away; the pointer then counts as on no item.
  void RemoveTip();

private:
  TLongEdit* FTip = nullptr;
  std::int32_t FLastIndex = -1;
  TColor FBackColor = static_cast<TColor>(0xEAFFFF);
  TColor FTextColor = clBlack;
  bool FOnlyWhenFocused = false;
  TMouseMoveEvent FSavedFormMouseMove;
  // What the hook installed on the form knows of this control.
  std::shared_ptr<TLongItemHook> FHook;
};

extern template class TLongItemControl<TListBox>;
extern template class TLongItemControl<TOutline>;

// Registers a long-item control's class, derived from ParentName, with the published
// properties every long-item control has.
template <class TControl> void RegisterLongItemClass(const String& ClassName, const String& ParentName) {
  TClassRegistration<TControl>(ClassName, ParentName)
      .Property("OnlyWhenFocused", &TControl::OnlyWhenFocused, &TControl::SetOnlyWhenFocused)
      .Property("BackColor", &TControl::BackColor, &TControl::SetBackColor)
      .Property("TextColor", &TControl::TextColor, &TControl::SetTextColor);
}
