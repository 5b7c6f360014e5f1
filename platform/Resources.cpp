#include "platform/Resources.h"

#include <QFile>
#include <QImage>
#include <array>
#include <cctype>
#include <cstdint>

struct HINSTANCE__ {};

struct HBITMAP__ {
  QImage Image;
};

namespace {

HINSTANCE__ ProgramModule;

std::uint32_t U32(const QByteArray& Data, int At) {
  auto b = [&](int i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(Data[At + i])); };
  return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
}

std::uint16_t U16(const QByteArray& Data, int At) { return static_cast<std::uint16_t>(U32(Data, At) & 0xFFFF); }

// A 16-colour uncompressed device-independent bitmap, bottom row first, as a picture; a null
// picture for anything else or for data too short for what its header claims.
QImage FromDib(const QByteArray& Data) {
  constexpr int InfoHeaderSize = 40, MaxSide = 4096;
  if (Data.size() < InfoHeaderSize) return {};
  const std::uint32_t headerSize = U32(Data, 0);
  const auto width = static_cast<std::int32_t>(U32(Data, 4));
  const auto height = static_cast<std::int32_t>(U32(Data, 8));
  const std::uint32_t colours = U32(Data, 32) ? U32(Data, 32) : 16;
  if (headerSize < InfoHeaderSize || U16(Data, 12) != 1 || U16(Data, 14) != 4 || U32(Data, 16) != 0) return {};
  if (width <= 0 || height <= 0 || width > MaxSide || height > MaxSide || colours > 16) return {};
  const qsizetype stride = (width * 4 + 31) / 32 * 4;
  const qsizetype pixelsAt = static_cast<qsizetype>(headerSize) + 4 * static_cast<qsizetype>(colours);
  if (pixelsAt + stride * height > Data.size()) return {};

  std::array<QRgb, 16> palette;
  palette.fill(qRgb(0, 0, 0));
  for (std::uint32_t i = 0; i < colours; ++i) {
    const auto at = static_cast<int>(headerSize + 4 * i);
    palette[i] = qRgb(static_cast<unsigned char>(Data[at + 2]), static_cast<unsigned char>(Data[at + 1]),
                      static_cast<unsigned char>(Data[at]));
  }
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    const char* row = Data.constData() + pixelsAt + stride * (height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const auto byte = static_cast<unsigned char>(row[x / 2]);
      image.setPixel(x, y, palette[x % 2 ? byte & 0x0F : byte >> 4]);
    }
  }
  return image;
}

} // namespace

const HINSTANCE HInstance = &ProgramModule;

HBITMAP LoadBitmapA(HINSTANCE hInstance, const char* lpBitmapName) {
  if (hInstance != HInstance || !lpBitmapName || !*lpBitmapName) return nullptr;
  // The program's BITMAP resources are the pictures embedded under leds/, one file per name.
  QString name;
  for (const char* c = lpBitmapName; *c; ++c) {
    const auto ch = static_cast<unsigned char>(*c);
    if (!std::isalnum(ch) && ch != '_') return nullptr;
    name += QChar(std::toupper(ch));
  }
  QFile file(":/leds/" + name + ".bmp");
  if (!file.open(QIODevice::ReadOnly)) return nullptr;
  const QByteArray data = file.readAll();
  return BitmapFromResource(data.constData(), static_cast<std::size_t>(data.size()));
}

HBITMAP BitmapFromResource(const char* Data, std::size_t Size) {
  QImage image = FromDib(QByteArray::fromRawData(Data, static_cast<qsizetype>(Size)));
  return image.isNull() ? nullptr : new HBITMAP__{std::move(image)};
}

BOOL DeleteObject(HBITMAP ho) {
  if (!ho) return FALSE;
  delete ho;
  return TRUE;
}

HBITMAP CreateBitmapHandle(int Width, int Height) {
  if (Width <= 0 || Height <= 0) return nullptr;
  QImage image(Width, Height, QImage::Format_RGB32);
  if (image.isNull()) return nullptr;
  image.fill(Qt::white);
  return new HBITMAP__{std::move(image)};
}

QImage* BitmapImage(HBITMAP Bitmap) { return Bitmap ? &Bitmap->Image : nullptr; }
