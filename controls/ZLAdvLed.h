#pragma once
// The LED indicator: a small lamp of one of sixteen shapes, lit in one colour and unlit in
// another, with a raised, sunken, plain or flat rim.

#include <cstdint>
#include <functional>

#include "framework/Bitmaps.h"
#include "framework/GraphicControl.h"

enum TBorder : std::uint8_t { brDefault, brRaised, brLowered };

enum TLedType : std::uint8_t {
  ltDiamond,
  ltEllipsHrz,
  ltEllipsVrt,
  ltMoonLeft,
  ltMoonRight,
  ltParallelBck,
  ltParallelFwd,
  ltPentagon,
  ltRound,
  ltRectangleHrz,
  ltRectangleVrt,
  ltSquare,
  ltTriangleDwn,
  ltTriangleLeft,
  ltTriangleRight,
  ltTriangleUp
};

// LedOn is the new state, NumSwitch the number of changes so far, this one included.
using TLedStateChanged = std::function<void(TObject* Sender, bool LedOn, std::int32_t NumSwitch)>;

class TZLAdvLed : public TGraphicControl {
public:
  explicit TZLAdvLed(TComponent* AOwner);
  // Outside a designer the lamp is 13 x 13, whatever size its description gave.
  void Loaded() override;

  // Any rim sets Ctl3D; only brDefault goes with a flat lamp.
  TBorder BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorder Value);
  TColor ColorOff() const { return FColorOff; }
  void SetColorOff(TColor Value);
  TColor ColorOn() const { return FColorOn; }
  void SetColorOn(TColor Value);
  // False makes the lamp flat and takes its rim away.
  bool Ctl3D() const { return FCtl3D; }
  void SetCtl3D(bool Value);
  bool LedOn() const { return FLedOn; }
  void SetLedOn(bool Value);
  TLedType LedType() const { return FLedType; }
  void SetLedType(TLedType Value);
  TLedStateChanged OnLedStateChanged() const { return FOnLedStateChanged; }
  void SetOnLedStateChanged(TLedStateChanged Value) { FOnLedStateChanged = std::move(Value); }

protected:
  void Paint() override;
  void ParentColorChanged() override;

private:
  // Loads the picture of the current shape and rim, then repaints.
  void LoadLedBitmap();
  TBitmap FLedBitmap;
  TBitmap FWorkBitmap;
  std::int32_t FNumSwitch = 0;
  TBorder FBorderStyle = brRaised;
  TLedType FLedType = ltRound;
  TColor FColorOff = clGreen;
  TColor FColorOn = clLime;
  bool FCtl3D = true;
  bool FLedOn = false;
  TLedStateChanged FOnLedStateChanged;
};

void RegisterZLAdvLed();
