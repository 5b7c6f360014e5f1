// The status bar: one simple panel of text.
#include <QLabel>

#include "framework/Accessible.h"
#include "framework/ComCtrls.h"
#include "framework/QtConvert.h"

TStatusBar::TStatusBar(TComponent* AOwner) : TWinControl(AOwner) {
  auto* label = new QLabel;
  label->setTextFormat(Qt::PlainText);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setIndent(2);
  SetWidget(label);
  SetAccessibleKind(label, TAccessibleKind::StatusBar);
  SetColor(clBtnFace);
  SetAlign(alBottom);
  SetBounds(0, 0, label->width(), 19);
}

QLabel* TStatusBar::Label() const { return static_cast<QLabel*>(Widget()); }

void TStatusBar::SetSimplePanel(bool Value) {
  if (FSimplePanel == Value) return;
  FSimplePanel = Value;
  ShowText();
}

void TStatusBar::SetSimpleText(const String& Value) {
  if (FSimpleText == Value) return;
  FSimpleText = Value;
  ShowText();
}

// Only the simple panel shows text: this bar has no panels of its own.
void TStatusBar::ShowText() { Label()->setText(FSimplePanel ? ToQString(FSimpleText) : QString()); }
