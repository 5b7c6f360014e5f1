#include "framework/Bitmaps.h"

#include <QImage>
#include <QPainter>
#include <algorithm>

#include "framework/QtConvert.h"
#include "framework/TypInfo.h"
#include "platform/QtWindow.h"

namespace {} // namespace

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
  Paint([&](QPainter& Painter) { Painter.drawImage(ToQRect(Dest), piece); });
}

void TCanvas::FillRect(const TRect& R) {
  if (R.right <= R.left || R.bottom <= R.top) return;
  Paint([&](QPainter& Painter) { Painter.fillRect(ToQRect(R), ToQColor(FBrush.Color())); });
}

void TCanvas::Draw(int X, int Y, TBitmap* Graphic) {
  const QImage* image = Graphic ? BitmapImage(Graphic->Handle()) : nullptr;
  if (!image) return;
  Paint([&](QPainter& Painter) { Painter.drawImage(X, Y, *image); });
}

void TCanvas::SetHandle(HDC Value) {
  FHandle = Value;
  FPainter = nullptr;
}

TSize TCanvas::TextExtent(const String& Text) {
  SIZE size;
  SetDCFont(FHandle, FFont.ToQFont());
  if (!GetTextExtentPointA(FHandle, Text.data(), static_cast<int>(Text.size()), &size)) return TSize{};
  return size;
}

void TCanvas::Paint(const std::function<void(QPainter&)>& Paint) {
  // A context is drawn on through its painter, started at the first drawing.
  if (!FPainter && FHandle) FPainter = DCPainter(FHandle);
  if (FPainter) {
    Paint(*FPainter);
  } else if (QImage* target = FBitmap ? BitmapImage(FBitmap->Handle()) : nullptr) {
    QPainter painter(target);
    Paint(painter);
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

void TBitmap::Assign(const TBitmap* Source) {
  if (Source == this) return;
  const QImage* image = Source ? BitmapImage(Source->Handle()) : nullptr;
  HBITMAP copy = image ? CreateBitmapHandle(image->width(), image->height()) : nullptr;
  if (copy) *BitmapImage(copy) = *image;
  SetHandle(copy);
}

void TBitmap::ReadData(const std::vector<std::uint8_t>& Data) {
  if (Data.size() < 4) throw EReadError("Bitmap data is too short");
  const std::size_t length = Data[0] | Data[1] << 8 | Data[2] << 16 | static_cast<std::size_t>(Data[3]) << 24;
  if (length != Data.size() - 4)
    throw EReadError("Bitmap data holds " + std::to_string(Data.size() - 4) + " bytes after its length, not " +
                     std::to_string(length));
  QImage image;
  if (!image.loadFromData(Data.data() + 4, static_cast<int>(length), "BMP"))
    throw EReadError("Bitmap data is not a BMP picture");
  HBITMAP picture = CreateBitmapHandle(image.width(), image.height());
  if (!picture) throw EReadError("Bitmap data is not a BMP picture");
  *BitmapImage(picture) = image.convertToFormat(QImage::Format_RGB32);
  SetHandle(picture);
}

void TBitmap::SetHandle(HBITMAP Value) {
  if (Value == FHandle) return;
  DeleteObject(FHandle);
  FHandle = Value;
  const QImage* image = BitmapImage(Value);
  FWidth = image ? image->width() : 0;
  FHeight = image ? image->height() : 0;
}

void RegisterBitmapsClasses() {
  static const bool done = [] {
    RegisterGraphicsClasses();
    TClassRegistration<TBitmap>("TBitmap", "TPersistent").Data("Data", [](TBitmap& B, const TDescValue& V) {
      if (V.Kind != TDescValue::vaBinary) typinfo_detail::BadValue("binary data", V);
      B.ReadData(V.Bytes);
    });
    return true;
  }();
  (void)done;
}
