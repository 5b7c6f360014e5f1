#pragma once
// Bitmaps, and the canvases that draw on bitmaps, on controls while they paint and on device
// contexts.

#include <cstdint>
#include <functional>
#include <vector>

#include "framework/Graphics.h"
#include "platform/Resources.h"

class QPainter;
class TBitmap;

using TRect = RECT;
using TSize = SIZE;
inline TRect Rect(int ALeft, int ATop, int ARight, int ABottom) { return TRect{ALeft, ATop, ARight, ABottom}; }

class TBrush : public TPersistent {
public:
  TColor Color() const { return FColor; }
  void SetColor(TColor Value) { FColor = Value; }

private:
  TColor FColor = clWhite;
};

// A drawing surface: the picture of a bitmap, a control's pixels while it paints, or a device
// context it is bound to.
class TCanvas : public TPersistent {
public:
  // The canvas of a bitmap's picture; without one it draws only while bound to a painter.
  explicit TCanvas(TBitmap* Bitmap = nullptr) : FBitmap(Bitmap) {}

  TBrush* Brush() { return &FBrush; }
  // The font text is measured in.
  TFont* Font() { return &FFont; }
  // The width and height of Text in the canvas's font, measured on its device context; both
  // 0 where it cannot be measured.
  TSize TextExtent(const String& Text);
  int TextWidth(const String& Text) { return TextExtent(Text).cx; }
  int TextHeight(const String& Text) { return TextExtent(Text).cy; }
  // The colour of a pixel of a bitmap's picture; -1 outside it and on a control's canvas.
  TColor Pixels(int X, int Y) const;
  // Copies rectangle Source of Bitmap onto rectangle Dest, drawing every pixel whose colour is
  // exactly Color (resolved to RGB) in the brush colour and every other pixel unchanged.
  void BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color);
  // Fills the rectangle, right and bottom edges excluded, with the brush; an empty or
  // inside-out rectangle fills nothing.
  void FillRect(const TRect& R);
  // Draws the bitmap unscaled with its top left corner at (X, Y).
  void Draw(int X, int Y, TBitmap* Graphic);

  // Binds the canvas to a painter for the length of a paint; nullptr unbinds it.
  void SetPainter(QPainter* Painter) { FPainter = Painter; }
  // The device context the canvas draws on; binding it to 0 unbinds the canvas.
  HDC Handle() const { return FHandle; }
  void SetHandle(HDC Value);

private:
  // Runs Paint with the painter the canvas draws with now, if it has one.
  void Paint(const std::function<void(QPainter&)>& Paint);
  TBitmap* FBitmap;
  QPainter* FPainter = nullptr;
  HDC FHandle = nullptr;
  TBrush FBrush;
  TFont FFont;
};

// A picture in memory with a canvas to draw on it; it owns its bitmap handle.
class TBitmap : public TPersistent {
public:
  TBitmap() = default;
  ~TBitmap() override;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // A new size keeps the picture's top left part; new pixels are white.
  void SetWidth(int Value);
  void SetHeight(int Value);
  bool Empty() const { return !FHandle; }

  HBITMAP Handle() const { return FHandle; }
  // Takes the handle over, releasing the previous picture, and takes its size; 0 empties it.
  void SetHandle(HBITMAP Value);
  // Makes the picture a copy of Source's; an empty or missing source empties it.
  void Assign(const TBitmap* Source);
  // Reads the picture as a form description holds it ("Bitmap.Data"): a 4-byte
  // little-endian length, then a BMP file of that length. Bad data raises EReadError and
  // leaves the picture as it was.
  void ReadData(const std::vector<std::uint8_t>& Data);

  TCanvas* Canvas() { return &FCanvas; }

private:
  void SetSize(int AWidth, int AHeight);
  HBITMAP FHandle = nullptr;
  int FWidth = 0;
  int FHeight = 0;
  TCanvas FCanvas{this};
};

void RegisterBitmapsClasses();
