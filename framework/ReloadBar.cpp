#include "framework/ReloadBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "framework/QtConvert.h"
#include "platform/QtWindow.h"

TReloadBar::TReloadBar(TComponent* AOwner) : TWinControl(AOwner) {
  auto* bar = new QFrame;
  bar->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
  // The theme's own colours for a tip, readable in a high-contrast theme too.
  bar->setAutoFillBackground(true);
  bar->setBackgroundRole(QPalette::ToolTipBase);
  FLabel = new QLabel;
  FLabel->setTextFormat(Qt::PlainText);
  FLabel->setForegroundRole(QPalette::ToolTipText);
  FLabel->setWordWrap(true);
  FReload = new QPushButton(QStringLiteral("Reload"));
  FKeep = new QPushButton(QStringLiteral("Keep"));
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(6, 2, 2, 2);
  row->addWidget(FLabel, 1);
  row->addWidget(FReload);
  row->addWidget(FKeep);
  SetWidget(bar);
  ConnectGuarded(FReload, &QPushButton::clicked, bar, [this](bool) {
    if (FOnReload) FOnReload(this);
  });
  ConnectGuarded(FKeep, &QPushButton::clicked, bar, [this](bool) {
    if (FOnKeep) FOnKeep(this);
  });
  SetAlign(alTop);
  SetBounds(0, 0, bar->width(), bar->sizeHint().height());
  SetVisible(false);
}

void TReloadBar::SetText(const String& Value) {
  if (FText == Value) return;
  FText = Value;
  FLabel->setText(ToQString(Value));
}

void TReloadBar::SetCanReload(bool Value) {
  if (FCanReload == Value) return;
  FCanReload = Value;
  FReload->setVisible(Value);
}
