#include "framework/GraphicControl.h"

#include <QPainter>
#include <QWidget>

#include "framework/TypInfo.h"
#include "platform/QtWindow.h"

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) { SetWidget(new QWidget); }

void TGraphicControl::PaintWith(QPainter& Painter) {
  struct TUnbind {
    TCanvas& Canvas;
    ~TUnbind() { Canvas.SetPainter(nullptr); }
  } unbind{FCanvas};
  FCanvas.SetPainter(&Painter);
  Paint();
}

void TGraphicControl::SetParent(TWinControl* Value) {
  TControl::SetParent(Value);
  FollowParentColor();
}

void TGraphicControl::Repaint() {
  if (Visible() && Parent() && Parent()->Handle()) Widget()->repaint();
}

void TGraphicControl::SetOpaque(bool Value) { Widget()->setAttribute(Qt::WA_OpaquePaintEvent, Value); }

void TGraphicControl::ParentColorChanged() { FollowParentColor(); }

void TGraphicControl::FollowParentColor() {
  if (Parent()) SetColor(Parent()->Color());
}

// The control paints its colour itself; the widget's palette plays no part.
void TGraphicControl::ColorChanged() { Widget()->update(); }

void TGraphicControl::WndProc(TMessage& Message) {
  TControl::WndProc(Message);
  // Each paint of the window is the control's Paint.
  if (Message.Msg == WM_PAINT)
    if (QPainter* painter = DCPainter(reinterpret_cast<HDC>(Message.WParam))) PaintWith(*painter);
  const TShiftState shift = ShiftStateOf(Message.WParam);
  const int x = GET_X_LPARAM(Message.LParam), y = GET_Y_LPARAM(Message.LParam);
  switch (Message.Msg) {
  case WM_LBUTTONDOWN:
    FClicking = true;
    MouseDown(mbLeft, shift, x, y);
    break;
  case WM_RBUTTONDOWN: MouseDown(mbRight, shift, x, y); break;
  case WM_LBUTTONUP: {
    // A click is a press and a release of the left button both on the control.
    const bool clicked = FClicking && x >= 0 && y >= 0 && x < Width() && y < Height();
    FClicking = false;
    if (clicked) Click();
    MouseUp(mbLeft, shift, x, y);
    break;
  }
  case WM_RBUTTONUP: MouseUp(mbRight, shift, x, y); break;
  default: break;
  }
}

void TGraphicControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (FOnMouseDown) FOnMouseDown(this, Button, Shift, X, Y);
}

void TGraphicControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (FOnMouseUp) FOnMouseUp(this, Button, Shift, X, Y);
}

void RegisterGraphicControlClasses() {
  static const bool done = [] {
    RegisterControlsClasses();
    // Published: the place and the hint; colour, font and the rest stay unpublished.
    TClassRegistration<TGraphicControl>("TGraphicControl", "TComponent")
        .Property("Left", &TControl::Left, &TControl::SetLeft)
        .Property("Top", &TControl::Top, &TControl::SetTop)
        .Property("Width", &TControl::Width, &TControl::SetWidth)
        .Property("Height", &TControl::Height, &TControl::SetHeight)
        .Property("Hint", &TControl::Hint, &TControl::SetHint);
    return true;
  }();
  (void)done;
}
