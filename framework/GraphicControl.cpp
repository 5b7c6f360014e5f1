#include "framework/GraphicControl.h"

#include <QPainter>
#include <QWidget>

#include "framework/TypInfo.h"
#include "platform/QtWindow.h"

namespace {

// The control's pixels; each paint of the widget is the control's Paint.
class TGraphicWidget : public QWidget {
public:
  explicit TGraphicWidget(std::function<void(QPainter&)> Paint) : FPaint(std::move(Paint)) {}

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    CallGuarded([&] { FPaint(painter); });
  }

private:
  std::function<void(QPainter&)> FPaint;
};

} // namespace

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {
  SetWidget(new TGraphicWidget([this](QPainter& Painter) { PaintWith(Painter); }));
}

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
