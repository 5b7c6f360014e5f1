#pragma once
// The speed button: a flat tool button that shows a picture.

#include "framework/Controls.h"

class TSpeedButton : public TControl {
public:
  explicit TSpeedButton(TComponent* AOwner);

  // The bitmap holding NumGlyphs pictures side by side: a resource (":/glyphs/open.bmp",
  // or "glyphs/open.bmp" from the resource root) or an absolute file path; empty for none.
  // Its bottom-left pixel's colour is transparent. Throws EFOpenError for a bitmap that
  // cannot be read.
  const String& Glyph() const { return FGlyph; }
  void SetGlyph(const String& Value);
  // 1: one picture for every state; 2 or more: the second is shown while the button is
  // disabled (later ones are not used). Values below 1 are ignored.
  int NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int Value);

private:
  // Shows the pictures of a bitmap; throws, changing nothing, when it cannot be read.
  void ShowGlyph(const String& Name, int Count);
  String FGlyph;
  int FNumGlyphs = 1;
};

void RegisterButtonsClasses();
