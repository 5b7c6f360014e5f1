#pragma once
// Controls that draw themselves: each paint of the control's small window (WM_PAINT) is its
// Paint, and presses and releases over it are its OnMouseDown and OnMouseUp.

#include <cstdint>
#include <functional>

#include "framework/Bitmaps.h"
#include "framework/Controls.h"

enum TMouseButton { mbLeft, mbRight, mbMiddle };
using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, std::int32_t X, std::int32_t Y)>;

class TGraphicControl : public TControl {
public:
  explicit TGraphicControl(TComponent* AOwner);

  void SetParent(TWinControl* Value) override;
  // Paints the control at once, before returning, when it is visible on a parent.
  void Repaint();
  TRect ClientRect() const { return Rect(0, 0, Width(), Height()); }

  TMouseEvent OnMouseDown() const { return FOnMouseDown; }
  void SetOnMouseDown(TMouseEvent Value) { FOnMouseDown = std::move(Value); }
  TMouseEvent OnMouseUp() const { return FOnMouseUp; }
  void SetOnMouseUp(TMouseEvent Value) { FOnMouseUp = std::move(Value); }

  void WndProc(TMessage& Message) override;

protected:
  // Draws the whole control on Canvas.
  virtual void Paint() = 0;
  TCanvas* Canvas() { return &FCanvas; }
  // An opaque control covers every pixel of its rectangle, so nothing is painted beneath it.
  void SetOpaque(bool Value);
  // The control's colour follows its parent's.
  void ParentColorChanged() override;
  void ColorChanged() override;
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);

private:
  void PaintWith(QPainter& Painter);
  void FollowParentColor();
  TCanvas FCanvas;
  TMouseEvent FOnMouseDown;
  TMouseEvent FOnMouseUp;
  bool FClicking = false;
};

void RegisterGraphicControlClasses();
