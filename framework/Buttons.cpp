#include "framework/Buttons.h"

#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QToolButton>
#include <algorithm>

#include "framework/QtConvert.h"
#include "framework/SysUtils.h"
#include "framework/TypInfo.h"
#include "platform/QtWindow.h"

TSpeedButton::TSpeedButton(TComponent* AOwner) : TControl(AOwner) {
  auto* button = new QToolButton;
  button->setAutoRaise(true);
  button->setToolButtonStyle(Qt::ToolButtonIconOnly);
  SetWidget(button);
  ConnectGuarded(button, &QToolButton::clicked, [this](bool) { Click(); });
}

void TSpeedButton::SetGlyph(const String& Value) {
  if (FGlyph == Value) return;
  ShowGlyph(Value, FNumGlyphs);
  FGlyph = Value;
}

void TSpeedButton::SetNumGlyphs(int Value) {
  if (FNumGlyphs == Value || Value < 1) return;
  ShowGlyph(FGlyph, Value);
  FNumGlyphs = Value;
}

void TSpeedButton::ShowGlyph(const String& Name, int Count) {
  auto* button = static_cast<QToolButton*>(Widget());
  if (Name.empty()) {
    button->setIcon(QIcon());
    return;
  }
  QString path = ToQString(Name);
  if (!path.startsWith(':') && !path.startsWith('/')) path.prepend(":/");
  // A glyph is a bitmap: the file is read as BMP whatever it holds, and no other image reader
  // of Qt's is given it.
  QImageReader reader(path, "bmp");
  reader.setDecideFormatFromContent(false);
  QImage image = reader.read();
  if (image.isNull()) throw EFOpenError(Name);
  image = image.convertToFormat(QImage::Format_ARGB32);
  const QRgb transparent = image.pixel(0, image.height() - 1);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) == transparent) image.setPixel(x, y, qRgba(0, 0, 0, 0));

  const int width = std::max(1, image.width() / Count);
  QIcon icon;
  icon.addPixmap(QPixmap::fromImage(image.copy(0, 0, width, image.height())), QIcon::Normal);
  if (Count >= 2) icon.addPixmap(QPixmap::fromImage(image.copy(width, 0, width, image.height())), QIcon::Disabled);
  button->setIconSize(QSize(width, image.height()));
  button->setIcon(icon);
}

void RegisterButtonsClasses() {
  static const bool done = [] {
    RegisterControlsClasses();
    TClassRegistration<TSpeedButton>("TSpeedButton", "TControl")
        .Property("Glyph", &TSpeedButton::Glyph, &TSpeedButton::SetGlyph, String())
        .Property("NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs, 1);
    return true;
  }();
  (void)done;
}
