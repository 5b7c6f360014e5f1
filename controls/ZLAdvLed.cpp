#include "controls/ZLAdvLed.h"

#include "framework/TypInfo.h"

namespace {

// The pictures' base names, by lamp type.
const char* const BaseNames[] = {"ZLDMDLED",      "ZLLPSLEDHRZ",  "ZLLPSLEDVRT",   "ZLMONLEDLEFT",
                                 "ZLMONLEDRIGHT", "ZLPRLLEDBCK",  "ZLPRLLEDFWT",   "ZLPNTLED",
                                 "ZLRNDLED",      "ZLRCTLEDHRZ",  "ZLRCTLEDVRT",   "ZLSQRLED",
                                 "ZLTRILEDDWN",   "ZLTRILEDLEFT", "ZLTRILEDRIGHT", "ZLTRILEDUP"};

constexpr int LedSize = 13;

} // namespace

TZLAdvLed::TZLAdvLed(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, LedSize, LedSize);
  SetOpaque(true);
  FLedBitmap.SetWidth(Width());
  FLedBitmap.SetHeight(Height());
  FWorkBitmap.SetWidth(FLedBitmap.Width());
  FWorkBitmap.SetHeight(FLedBitmap.Height());
  LoadLedBitmap();
}

void TZLAdvLed::Loaded() {
  TGraphicControl::Loaded();
  if (!IsDesigning()) SetBounds(Left(), Top(), LedSize, LedSize);
}

void TZLAdvLed::SetBorderStyle(TBorder Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  if (Value != brDefault) FCtl3D = true;
  LoadLedBitmap();
}

void TZLAdvLed::SetColorOff(TColor Value) {
  FColorOff = Value;
  Repaint();
}

void TZLAdvLed::SetColorOn(TColor Value) {
  FColorOn = Value;
  Repaint();
}

void TZLAdvLed::SetCtl3D(bool Value) {
  if (FCtl3D == Value) return;
  FCtl3D = Value;
  if (!Value) FBorderStyle = brDefault;
  LoadLedBitmap();
}

void TZLAdvLed::SetLedOn(bool Value) {
  if (FLedOn == Value) return;
  FLedOn = Value;
  // The count wraps round rather than overflow.
  FNumSwitch = static_cast<std::int32_t>(static_cast<std::uint32_t>(FNumSwitch) + 1u);
  if (FOnLedStateChanged) FOnLedStateChanged(this, FLedOn, FNumSwitch);
  Repaint();
}

void TZLAdvLed::SetLedType(TLedType Value) {
  if (FLedType == Value) return;
  FLedType = Value;
  LoadLedBitmap();
}

void TZLAdvLed::LoadLedBitmap() {
  String name = FLedType <= ltTriangleUp ? BaseNames[FLedType] : "ZLRNDLED";
  if (FBorderStyle == brRaised)
    name += "3DUP";
  else if (FBorderStyle == brLowered)
    name += "3DDWN";
  if (!FCtl3D) name += "FLAT";
  FLedBitmap.SetHandle(LoadBitmapA(HInstance, name.c_str()));
  Repaint();
}

// The picture's silver surface takes the lamp's colour, its olive surroundings the control's.
void TZLAdvLed::Paint() {
  const TRect r = ClientRect();
  FWorkBitmap.Canvas()->Brush()->SetColor(FLedOn ? FColorOn : FColorOff);
  FWorkBitmap.Canvas()->BrushCopy(r, &FLedBitmap, r, clSilver);
  Canvas()->Brush()->SetColor(Color());
  Canvas()->BrushCopy(r, &FWorkBitmap, r, clOlive);
}

void TZLAdvLed::ParentColorChanged() {
  TGraphicControl::ParentColorChanged();
  Repaint();
}

void RegisterZLAdvLed() {
  static const bool done = [] {
    RegisterGraphicControlClasses();
    RegisterEnumNames(typeid(TBorder), {"brDefault", "brRaised", "brLowered"});
    RegisterEnumNames(typeid(TLedType),
                      {"ltDiamond", "ltEllipsHrz", "ltEllipsVrt", "ltMoonLeft", "ltMoonRight", "ltParallelBck",
                       "ltParallelFwd", "ltPentagon", "ltRound", "ltRectangleHrz", "ltRectangleVrt", "ltSquare",
                       "ltTriangleDwn", "ltTriangleLeft", "ltTriangleRight", "ltTriangleUp"});
    TClassRegistration<TZLAdvLed>("TZLAdvLed", "TGraphicControl")
        .Property("BorderStyle", &TZLAdvLed::BorderStyle, &TZLAdvLed::SetBorderStyle, brRaised)
        .Property("ColorOff", &TZLAdvLed::ColorOff, &TZLAdvLed::SetColorOff, clGreen)
        .Property("ColorOn", &TZLAdvLed::ColorOn, &TZLAdvLed::SetColorOn, clLime)
        .Property("Ctl3D", &TZLAdvLed::Ctl3D, &TZLAdvLed::SetCtl3D, true)
        .Property("LedOn", &TZLAdvLed::LedOn, &TZLAdvLed::SetLedOn, false)
        .Property("LedType", &TZLAdvLed::LedType, &TZLAdvLed::SetLedType, ltRound)
        .Property("OnLedStateChanged", &TZLAdvLed::OnLedStateChanged, &TZLAdvLed::SetOnLedStateChanged)
        .Property("OnClick", &TControl::OnClick, &TControl::SetOnClick)
        .Property("OnMouseDown", &TGraphicControl::OnMouseDown, &TGraphicControl::SetOnMouseDown)
        .Property("OnMouseUp", &TGraphicControl::OnMouseUp, &TGraphicControl::SetOnMouseUp);
    return true;
  }();
  (void)done;
}
