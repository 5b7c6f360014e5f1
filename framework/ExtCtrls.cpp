#include "framework/ExtCtrls.h"

#include <QLabel>

#include "framework/TypInfo.h"

// A label is a frame that already centres its text; the child controls sit on it.
TPanel::TPanel(TComponent* AOwner) : TWinControl(AOwner) {
  auto* frame = new QLabel;
  frame->setAlignment(Qt::AlignCenter);
  SetWidget(frame);
  SetColor(clBtnFace);
  UpdateBevel();
}

void TPanel::SetCaption(const String& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  static_cast<QLabel*>(Widget())->setText(QString::fromStdString(Value));
}

void TPanel::SetBevelInner(TPanelBevel Value) {
  if (FBevelInner == Value) return;
  FBevelInner = Value;
  UpdateBevel();
}

void TPanel::SetBevelOuter(TPanelBevel Value) {
  if (FBevelOuter == Value) return;
  FBevelOuter = Value;
  UpdateBevel();
}

// One pixel of edge per bevel; the outer bevel, where there is one, decides raised or lowered.
void TPanel::UpdateBevel() {
  auto* frame = static_cast<QLabel*>(Widget());
  int bevels = (FBevelInner != bvNone) + (FBevelOuter != bvNone);
  if (bevels == 0) {
    frame->setFrameStyle(QFrame::NoFrame);
    return;
  }
  TPanelBevel look = FBevelOuter != bvNone ? FBevelOuter : FBevelInner;
  frame->setFrameStyle(QFrame::Panel | (look == bvRaised ? QFrame::Raised : QFrame::Sunken));
  frame->setLineWidth(bevels);
}

void RegisterExtCtrlsClasses() {
  static const bool done = [] {
    RegisterControlsClasses();
    RegisterEnumNames(typeid(TPanelBevel), {"bvNone", "bvLowered", "bvRaised"});
    TClassRegistration<TPanel>("TPanel", "TWinControl")
        .Property("Caption", &TPanel::Caption, &TPanel::SetCaption, String())
        .Property("BevelInner", &TPanel::BevelInner, &TPanel::SetBevelInner, bvNone)
        .Property("BevelOuter", &TPanel::BevelOuter, &TPanel::SetBevelOuter, bvRaised);
    return true;
  }();
  (void)done;
}
