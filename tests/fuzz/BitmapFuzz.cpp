// Reads any bytes as each kind of picture the program reads: an LED resource (a 16-colour
// device-independent bitmap without file header), a description's Bitmap.Data (a length, then
// a BMP file), a BMP file through TPicture, and a tool button's glyph file. Each gives a
// picture or refuses it (0, EReadError, EFOpenError). Where the resource reader takes the
// bytes, Qt's own BMP reader, given them behind a file header, must see the same pixels.
#include <QByteArray>
#include <QImage>
#include <QtGlobal>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/Buttons.h"
#include "framework/Forms.h"
#include "framework/Picture.h"
#include "platform/Resources.h"
#include "platform/Seams.h"

namespace {

// The file the picture readers are given, in memory; its path names it by descriptor.
int PictureFile = -1;
String PicturePath;

std::uint32_t U32(const std::uint8_t* Data) {
  return Data[0] | Data[1] << 8 | Data[2] << 16 | static_cast<std::uint32_t>(Data[3]) << 24;
}

void AppendU32(QByteArray& Out, std::uint32_t Value) {
  for (int i = 0; i < 4; ++i)
    Out.append(static_cast<char>(Value >> (8 * i) & 0xFF));
}

// The resource reader took the bytes: Qt reads them as a BMP file to the same pixels, or not at all.
void CompareWithQt(const std::uint8_t* Data, std::size_t Size, const QImage& Read) {
  const std::uint32_t headerSize = U32(Data), colours = U32(Data + 32) ? U32(Data + 32) : 16;
  QByteArray file("BM");
  AppendU32(file, static_cast<std::uint32_t>(14 + Size));
  AppendU32(file, 0);
  AppendU32(file, 14 + headerSize + 4 * colours);
  file.append(reinterpret_cast<const char*>(Data), static_cast<qsizetype>(Size));
  QImage qt;
  if (!qt.loadFromData(file, "BMP")) return;
  if (qt.size() != Read.size()) {
    std::fprintf(stderr, "Qt reads %dx%d, the resource reader %dx%d\n", qt.width(), qt.height(), Read.width(),
                 Read.height());
    std::abort();
  }
  for (int y = 0; y < Read.height(); ++y)
    for (int x = 0; x < Read.width(); ++x)
      if ((qt.pixel(x, y) & RGB_MASK) != (Read.pixel(x, y) & RGB_MASK)) {
        std::fprintf(stderr, "pixel %d,%d: Qt %08x, the resource reader %08x\n", x, y, qt.pixel(x, y),
                     Read.pixel(x, y));
        std::abort();
      }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // Qt's warnings about bad pictures would only slow the run down.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  new TApplication(*argc, *argv);
  Seams::Enable();
  PictureFile = memfd_create("picture.bmp", 0);
  if (PictureFile < 0) std::abort();
  PicturePath = "/proc/self/fd/" + std::to_string(PictureFile);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (HBITMAP led = BitmapFromResource(reinterpret_cast<const char*>(Data), Size)) {
    CompareWithQt(Data, Size, *BitmapImage(led));
    DeleteObject(led);
  }

  // Bitmap.Data, once as the bytes stand and once behind their right length.
  std::vector<std::uint8_t> data(Data, Data + Size);
  TBitmap bitmap;
  for (int pass = 0; pass < 2; ++pass) {
    try {
      bitmap.ReadData(data);
      if (bitmap.Empty() || bitmap.Width() <= 0 || bitmap.Height() <= 0) std::abort();
    } catch (const EReadError&) {
    }
    const auto length = static_cast<std::uint32_t>(Size);
    data.insert(data.begin(), {static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
                               static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 24)});
  }

  if (ftruncate(PictureFile, 0) != 0 || pwrite(PictureFile, Data, Size, 0) != static_cast<ssize_t>(Size)) std::abort();
  TPicture picture;
  try {
    picture.LoadFromFile(PicturePath);
  } catch (const EFOpenError&) {
  }
  // A glyph file holds one to four pictures side by side.
  TSpeedButton button(nullptr);
  button.SetNumGlyphs(1 + static_cast<int>(Size % 4));
  try {
    button.SetGlyph(PicturePath);
  } catch (const EFOpenError&) {
  }
  return 0;
}
