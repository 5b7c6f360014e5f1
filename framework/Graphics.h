#pragma once
// Colours and fonts.

#include <cstdint>
#include <set>

#include "framework/Classes.h"

class QFont;
class QColor;

// 0x00BBGGRR, or a system colour: high byte 0x80 and a palette index in the low byte.
enum TColor : std::int32_t {
  clBlack = 0x000000,
  clMaroon = 0x000080,
  clGreen = 0x008000,
  clOlive = 0x008080,
  clNavy = 0x800000,
  clPurple = 0x800080,
  clTeal = 0x808000,
  clGray = 0x808080,
  clSilver = 0xC0C0C0,
  clRed = 0x0000FF,
  clLime = 0x00FF00,
  clYellow = 0x00FFFF,
  clBlue = 0xFF0000,
  clFuchsia = 0xFF00FF,
  clAqua = 0xFFFF00,
  clWhite = 0xFFFFFF,
  clWindow = static_cast<std::int32_t>(0x80000005u),
  clWindowText = static_cast<std::int32_t>(0x80000008u),
  clActiveBorder = static_cast<std::int32_t>(0x8000000Au),
  clBtnFace = static_cast<std::int32_t>(0x8000000Fu),
};

// The RGB value of a colour, system colours resolved through the desktop's palette.
std::int32_t ColorToRGB(TColor Color);
QColor ToQColor(TColor Color);

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = std::set<TFontStyle>;
enum TFontCharset : std::int32_t { ANSI_CHARSET = 0, DEFAULT_CHARSET = 1 };

class TFont : public TPersistent {
public:
  const String& Name() const { return FName; }
  void SetName(const String& Value);
  // Negative: the height of the characters in pixels; positive: of the whole cell.
  std::int32_t Height() const { return FHeight; }
  void SetHeight(std::int32_t Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  const TFontStyles& Style() const { return FStyle; }
  void SetStyle(const TFontStyles& Value);
  TFontCharset Charset() const { return FCharset; }
  void SetCharset(TFontCharset Value) { FCharset = Value; }
  void Assign(const TFont& Source);

  // Fired after every change, so that the control using the font shows it.
  TNotifyEvent OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }

  QFont ToQFont() const;

private:
  void Changed();
  String FName = "MS Sans Serif";
  std::int32_t FHeight = -11;
  TColor FColor = clWindowText;
  TFontStyles FStyle;
  TFontCharset FCharset = DEFAULT_CHARSET;
  TNotifyEvent FOnChange;
};

void RegisterGraphicsClasses();
