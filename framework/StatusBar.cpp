// The status bar: one simple panel of text, and panels at its right.
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

#include "framework/Accessible.h"
#include "framework/ComCtrls.h"
#include "framework/Menus.h"
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

QToolButton* TStatusBar::Panel(int Index) {
  if (!Label()->layout()) {
    auto* row = new QHBoxLayout(Label());
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addStretch(1);
  }
  while (static_cast<int>(FPanels.size()) <= Index) {
    auto* panel = new QToolButton;
    panel->setAutoRaise(true);
    panel->setFocusPolicy(Qt::NoFocus);
    panel->setToolButtonStyle(Qt::ToolButtonTextOnly);
    panel->setPopupMode(QToolButton::InstantPopup);
    Label()->layout()->addWidget(panel);
    FPanels.push_back(panel);
  }
  return FPanels[static_cast<std::size_t>(Index)];
}

String TStatusBar::PanelText(int Index) const {
  return Index >= 0 && Index < static_cast<int>(FPanels.size())
             ? FromQString(FPanels[static_cast<std::size_t>(Index)]->text())
             : String();
}

void TStatusBar::SetPanelText(int Index, const String& Value) {
  QToolButton* panel = Panel(Index);
  if (const QString text = ToQString(Value); panel->text() != text) panel->setText(text);
  panel->setVisible(!Value.empty());
}

void TStatusBar::SetPanelHint(int Index, const String& Value) { Panel(Index)->setToolTip(ToQString(Value)); }

void TStatusBar::SetPanelMenu(int Index, TMenuItem* Menu) { Panel(Index)->setMenu(Menu ? Menu->Menu() : nullptr); }
