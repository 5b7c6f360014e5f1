#include "framework/Bitmaps.h"

#include <QImage>
#include <QPainter>
#include <algorithm>

namespace {

QRect ToQRect(const TRect& R) { return QRect(R.left, R.top, R.right - R.left, R.bottom - R.top); }

} // namespace

TColor TCanvas::Pixels(int X, int Y) const {
  const QImage* image = FBitmap ? BitmapImage(FBitmap->Handle()) : nullptr;
  if (!image || !image->valid(X, Y)) return static_cast<TColor>(-1);
  const QRgb pixel = image->pixel(X, Y);
  return static_cast<TColor>(qRed(pixel) | qGreen(pixel) << 8 | qBlue(pixel) << 16);
}

void TCanvas::BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color) {
  const QImage* source = Bitmap ? BitmapImage(Bitmap->Handle()) : nullptr;
  if (!source) return;
  // Pixels beyond the source picture come out black, as the copy fills them with 0.
  QImage piece = source->copy(ToQRect(Source)).convertToFormat(QImage::Format_RGB32);
  if (piece.isNull()) return;
  const QRgb match = ToQColor(Color).rgb() & RGB_MASK, brush = ToQColor(FBrush.Color()).rgb();
  for (int y = 0; y < piece.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(piece.scanLine(y));
    for (int x = 0; x < piece.width(); ++x)
      if ((line[x] & RGB_MASK) == match) line[x] = brush;
  }
  if (FPainter) {
    FPainter->drawImage(ToQRect(Dest), piece);
  } else if (QImage* target = FBitmap ? BitmapImage(FBitmap->Handle()) : nullptr) {
    QPainter painter(target);
    painter.drawImage(ToQRect(Dest), piece);
  }
}

TBitmap::~TBitmap() { DeleteObject(FHandle); }

void TBitmap::SetWidth(int Value) { SetSize(Value, FHeight); }

void TBitmap::SetHeight(int Value) { SetSize(FWidth, Value); }

void TBitmap::SetSize(int AWidth, int AHeight) {
  AWidth = std::max(AWidth, 0);
  AHeight = std::max(AHeight, 0);
  if (AWidth == FWidth && AHeight == FHeight) return;
  HBITMAP resized = CreateBitmapHandle(AWidth, AHeight);
  if (resized && FHandle) {
    QPainter painter(BitmapImage(resized));
    painter.drawImage(0, 0, *BitmapImage(FHandle));
  }
  DeleteObject(FHandle);
  FHandle = resized;
  FWidth = AWidth;
  FHeight = AHeight;
}

void TBitmap::SetHandle(HBITMAP Value) {
  if (Value == FHandle) return;
  DeleteObject(FHandle);
  FHandle = Value;
  const QImage* image = BitmapImage(Value);
  FWidth = image ? image->width() : 0;
  FHeight = image ? image->height() : 0;
}
