#include "framework/Graphics.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QPalette>
#include <algorithm>
#include <cstdlib>

#include "framework/QtConvert.h"
#include "framework/TypInfo.h"

std::int32_t ColorToRGB(TColor Color) {
  auto value = static_cast<std::uint32_t>(Color);
  if ((value & 0xFF000000u) != 0x80000000u) return static_cast<std::int32_t>(value & 0xFFFFFF);
  QPalette::ColorRole role;
  switch (value & 0xFF) {
  case 5: role = QPalette::Base; break;
  case 8: role = QPalette::WindowText; break;
  case 10: role = QPalette::Midlight; break;
  case 15: role = QPalette::Button; break;
  default: role = QPalette::Window;
  }
  QColor c = QApplication::palette().color(QPalette::Active, role);
  return c.red() | (c.green() << 8) | (c.blue() << 16);
}

QColor ToQColor(TColor Color) {
  std::int32_t rgb = ColorToRGB(Color);
  return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

void TFont::SetName(const String& Value) {
  if (FName == Value) return;
  FName = Value;
  Changed();
}

void TFont::SetHeight(std::int32_t Value) {
  if (FHeight == Value) return;
  FHeight = Value;
  Changed();
}

void TFont::SetColor(TColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  Changed();
}

void TFont::SetStyle(const TFontStyles& Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  Changed();
}

void TFont::Assign(const TFont& Source) {
  FName = Source.FName;
  FHeight = Source.FHeight;
  FColor = Source.FColor;
  FStyle = Source.FStyle;
  FCharset = Source.FCharset;
  Changed();
}

void TFont::Changed() {
  if (FOnChange) FOnChange(this);
}

namespace {

// The tallest font drawn: taller ones are drawn this tall. Far above any screen's height, and
// within what the font engines measure in their fixed-point units without overflow.
constexpr std::int64_t MaxFontPixels = 32767;

} // namespace

QFont TFont::ToQFont() const {
  QFont font;
  // The classic face names stand for the fonts this desktop has in their place; the narrow
  // dialog face takes Arial's metric twin, so that captions fit the widths they were laid out in.
  if (FName == "Arial" || FName == "MS Sans Serif")
    font.setFamily("Liberation Sans");
  else if (FName == "System")
    font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  else
    font.setFamily(ToQString(FName));
  // A height of -N or N is N pixels, at most MaxFontPixels: a description may hold any int.
  const std::int64_t pixels = FHeight == 0 ? 13 : std::abs(std::int64_t{FHeight});
  font.setPixelSize(static_cast<int>(std::min<std::int64_t>(pixels, MaxFontPixels)));
  font.setBold(FStyle.count(fsBold) != 0);
  font.setItalic(FStyle.count(fsItalic) != 0);
  font.setUnderline(FStyle.count(fsUnderline) != 0);
  font.setStrikeOut(FStyle.count(fsStrikeOut) != 0);
  return font;
}

void RegisterGraphicsClasses() {
  static const bool done = [] {
    RegisterIdents(typeid(TColor), {{"clBlack", clBlack},
                                    {"clMaroon", clMaroon},
                                    {"clGreen", clGreen},
                                    {"clOlive", clOlive},
                                    {"clNavy", clNavy},
                                    {"clPurple", clPurple},
                                    {"clTeal", clTeal},
                                    {"clGray", clGray},
                                    {"clSilver", clSilver},
                                    {"clRed", clRed},
                                    {"clLime", clLime},
                                    {"clYellow", clYellow},
                                    {"clBlue", clBlue},
                                    {"clFuchsia", clFuchsia},
                                    {"clAqua", clAqua},
                                    {"clWhite", clWhite},
                                    {"clWindow", clWindow},
                                    {"clWindowText", clWindowText},
                                    {"clActiveBorder", clActiveBorder},
                                    {"clBtnFace", clBtnFace}});
    RegisterEnumNames(typeid(TFontStyle), {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
    RegisterIdents(typeid(TFontCharset), {{"ANSI_CHARSET", ANSI_CHARSET}, {"DEFAULT_CHARSET", DEFAULT_CHARSET}});
    RegisterComponentClasses();
    TClassRegistration<TFont>("TFont", "TPersistent")
        .Property("Charset", &TFont::Charset, &TFont::SetCharset)
        .Property("Color", &TFont::Color, &TFont::SetColor)
        .Property("Height", &TFont::Height, &TFont::SetHeight)
        .Property("Name", &TFont::Name, &TFont::SetName)
        .Property("Style", &TFont::Style, &TFont::SetStyle);
    return true;
  }();
  (void)done;
}
