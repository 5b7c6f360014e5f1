#pragma once
// Bitmaps, and the canvases that draw on bitmaps and on controls while they paint.

#include "framework/Graphics.h"
#include "platform/Resources.h"

class QPainter;
class TBitmap;

using TRect = RECT;
inline TRect Rect(int ALeft, int ATop, int ARight, int ABottom) { return TRect{ALeft, ATop, ARight, ABottom}; }

class TBrush : public TPersistent {
public:
  TColor Color() const { return FColor; }
  void SetColor(TColor Value) { FColor = Value; }

private:
  TColor FColor = clWhite;
};

// A drawing surface: the picture of a bitmap, or a control's pixels while it paints.
class TCanvas : public TPersistent {
public:
  // The canvas of a bitmap's picture; without one it draws only while bound to a painter.
  explicit TCanvas(TBitmap* Bitmap = nullptr) : FBitmap(Bitmap) {}

  TBrush* Brush() { return &FBrush; }
  // The colour of a pixel of a bitmap's picture; -1 outside it and on a control's canvas.
  TColor Pixels(int X, int Y) const;
  // Copies rectangle Source of Bitmap onto rectangle Dest, drawing every pixel whose colour is
  // exactly Color (resolved to RGB) in the brush colour and every other pixel unchanged.
  void BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color);

  // Binds the canvas to a painter for the length of a paint; nullptr unbinds it.
  void SetPainter(QPainter* Painter) { FPainter = Painter; }

private:
  TBitmap* FBitmap;
  QPainter* FPainter = nullptr;
  TBrush FBrush;
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

  TCanvas* Canvas() { return &FCanvas; }

private:
  void SetSize(int AWidth, int AHeight);
  HBITMAP FHandle = nullptr;
  int FWidth = 0;
  int FHeight = 0;
  TCanvas FCanvas{this};
};
