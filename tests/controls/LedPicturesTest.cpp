#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <cstdint>
#include <vector>

#include "framework/Bitmaps.h"

namespace {

const std::vector<String> BaseNames = {"ZLDMDLED",      "ZLLPSLEDHRZ",  "ZLLPSLEDVRT",   "ZLMONLEDLEFT",
                                       "ZLMONLEDRIGHT", "ZLPRLLEDBCK",  "ZLPRLLEDFWT",   "ZLPNTLED",
                                       "ZLRNDLED",      "ZLRCTLEDHRZ",  "ZLRCTLEDVRT",   "ZLSQRLED",
                                       "ZLTRILEDDWN",   "ZLTRILEDLEFT", "ZLTRILEDRIGHT", "ZLTRILEDUP"};

// The letters of the drawings: '-' olive, 'S' silver, 'G' grey, 'W' white; '?' for any other colour.
char Letter(int PaletteIndex) {
  switch (PaletteIndex) {
  case 3: return '-';
  case 7: return 'S';
  case 8: return 'G';
  case 15: return 'W';
  default: return '?';
  }
}

// The pixels of a resource as stored: 13 rows of 8 bytes, bottom row first, high nibble first.
std::vector<String> StoredRows(const QByteArray& Data) {
  std::vector<String> rows(13);
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 13; ++x) {
      auto byte = static_cast<unsigned char>(Data[104 + 8 * (12 - y) + x / 2]);
      rows[static_cast<std::size_t>(y)] += Letter(x % 2 ? byte & 0x0F : byte >> 4);
    }
  return rows;
}

std::vector<String> LoadedRows(const char* Name) {
  HBITMAP bitmap = LoadBitmapA(HInstance, Name);
  std::vector<String> rows;
  const QImage* image = BitmapImage(bitmap);
  for (int y = 0; image && y < image->height(); ++y) {
    rows.emplace_back();
    for (int x = 0; x < image->width(); ++x) {
      const QRgb c = image->pixel(x, y) & RGB_MASK;
      rows.back() += c == 0x808000 ? '-' : c == 0xC0C0C0 ? 'S' : c == 0x808080 ? 'G' : c == 0xFFFFFF ? 'W' : '?';
    }
  }
  DeleteObject(bitmap);
  return rows;
}

TEST(LedPicturesTest, EveryPictureIsA13By13SixteenColourBitmapInItsFourColours) {
  QByteArray header;
  auto put = [&](std::uint32_t Value, int Bytes) {
    for (int i = 0; i < Bytes; ++i)
      header += static_cast<char>(Value >> (8 * i) & 0xFF);
  };
  for (std::uint32_t v : {40u, 13u, 13u})
    put(v, 4);
  put(1, 2);
  put(4, 2);
  for (std::uint32_t v : {0u, 104u, 0u, 0u, 0u, 0u})
    put(v, 4);
  for (std::uint32_t rgb : {0x000000u, 0x800000u, 0x008000u, 0x808000u, 0x000080u, 0x800080u, 0x008080u, 0xC0C0C0u,
                            0x808080u, 0xFF0000u, 0x00FF00u, 0xFFFF00u, 0x0000FFu, 0xFF00FFu, 0x00FFFFu, 0xFFFFFFu})
    put(rgb, 4);

  for (const String& base : BaseNames) {
    std::vector<String> outline;
    for (const char* style : {"", "3DUP", "3DDWN", "FLAT"}) {
      const String name = base + style;
      QFile file(QString::fromStdString(":/leds/" + name + ".bmp"));
      ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
      const QByteArray data = file.readAll();
      ASSERT_EQ(data.size(), 208) << name;
      EXPECT_EQ(data.left(104), header) << name;
      const std::vector<String> rows = StoredRows(data);
      String all;
      for (std::size_t y = 0; y < 13; ++y) {
        all += rows[y];
        for (std::size_t x = 0; x < 13; ++x)
          if (rows[y][x] == 'S') {
            // Silver and grey alternate: no two silver pixels touch.
            EXPECT_FALSE(x < 12 && rows[y][x + 1] == 'S') << name << " at " << x << "," << y;
            EXPECT_FALSE(y < 12 && rows[y + 1][x] == 'S') << name << " at " << x << "," << y;
          }
      }
      EXPECT_EQ(all.find('?'), String::npos) << name;
      EXPECT_NE(all.find('S'), String::npos) << name << " has a lamp surface";
      EXPECT_EQ(all.find('W') == String::npos, String(style) == "FLAT") << name;

      // The four pictures of a shape cover the same pixels and differ in grey and white only.
      std::vector<String> shape = rows;
      for (String& row : shape)
        for (char& c : row)
          c = c == '-' ? '-' : '#';
      if (outline.empty()) outline = shape;
      EXPECT_EQ(shape, outline) << name;
      // A raised rim is white where the lamp starts at the top left and grey where it ends at
      // the bottom right; a sunken one the other way round; the others are grey at both.
      const char first = all[all.find_first_not_of('-')], last = all[all.find_last_not_of('-')];
      EXPECT_EQ(first, String(style) == "3DUP" ? 'W' : 'G') << name;
      EXPECT_EQ(last, String(style) == "3DDWN" ? 'W' : 'G') << name;
    }
  }
}

TEST(LedPicturesTest, TheRaisedSquareAndDiscLoadAsDrawnAndTheSquareHasNoSurroundings) {
  EXPECT_EQ(LoadedRows("ZLSQRLED3DUP"),
            (std::vector<String>{"WWWWWWWWWWWWW", "WGSGSGSGSGSGG", "WSWWWWGSGSGSG", "WGWWWGSGSGSGG", "WSWWGSGSGSGSG",
                                 "WGWGSGSGSGSGG", "WSGSGSGSGSGSG", "WGSGSGSGSGSGG", "WSGSGSGSGSGSG", "WGSGSGSGSGSGG",
                                 "WSGSGSGSGSGSG", "WGSGSGSGSGSGG", "GGGGGGGGGGGGG"}));
  EXPECT_EQ(LoadedRows("ZLRNDLED3DUP"),
            (std::vector<String>{"----WWWWW----", "--WWGSGSGWW--", "-WSGSGSGSGSG-", "-WGSWWWSGSGG-", "WGSWWWSGSGSGG",
                                 "WSGWWSGSGSGSG", "WGSWSGSGSGSGG", "WSGSGSGSGSGSG", "WGSGSGSGSGSGG", "-WGSGSGSGSGG-",
                                 "-GSGSGSGSGSG-", "--GGGSGSGGG--", "----GGGGGG---"}));
  for (const char* name : {"ZLSQRLED", "ZLSQRLED3DDWN", "ZLSQRLEDFLAT"})
    for (const String& row : LoadedRows(name))
      EXPECT_EQ(row.find('-'), String::npos) << name;
}

TEST(LedPicturesTest, LoadBitmapFindsOnlyTheProgramsOwnResourcesByName) {
  EXPECT_EQ(LoadedRows("zlpntled3ddwn").size(), 13u) << "resource names ignore case";
  EXPECT_EQ(LoadBitmapA(HInstance, "ZLPRLLEDFWD"), nullptr);
  EXPECT_EQ(LoadBitmapA(nullptr, "ZLRNDLED"), nullptr);
  EXPECT_EQ(LoadBitmapA(HInstance, "../leds/ZLRNDLED"), nullptr) << "a name is not a path";
  EXPECT_EQ(DeleteObject(nullptr), FALSE);
}

TEST(BitmapTest, ABitmapTakesItsPicturesSizeAndABrushCopyRepaintsExactlyOneColour) {
  TBitmap source, target;
  source.SetWidth(4);
  EXPECT_TRUE(source.Empty()) << "no picture while the height is 0";
  source.SetHeight(1);
  QImage* pixels = BitmapImage(source.Handle());
  pixels->setPixel(0, 0, qRgb(128, 128, 0));
  pixels->setPixel(1, 0, qRgb(129, 128, 0));
  pixels->setPixel(2, 0, qRgb(192, 192, 192));
  pixels->setPixel(3, 0, ToQColor(clBtnFace).rgb());
  source.SetHeight(2);
  EXPECT_EQ(source.Canvas()->Pixels(2, 0), clSilver) << "a new size keeps the top left";
  EXPECT_EQ(source.Canvas()->Pixels(2, 1), clWhite);
  EXPECT_EQ(source.Canvas()->Pixels(4, 0), static_cast<TColor>(-1));

  target.SetHandle(LoadBitmapA(HInstance, "ZLRCTLEDHRZ"));
  EXPECT_EQ(target.Width(), 13);
  EXPECT_EQ(target.Height(), 13);
  target.Canvas()->Brush()->SetColor(clRed);
  target.Canvas()->BrushCopy(Rect(2, 1, 6, 2), &source, Rect(0, 0, 4, 1), clOlive);
  EXPECT_EQ(target.Canvas()->Pixels(2, 1), clRed);
  EXPECT_EQ(target.Canvas()->Pixels(3, 1), static_cast<TColor>(0x008081)) << "a near match stays";
  EXPECT_EQ(target.Canvas()->Pixels(4, 1), clSilver);
  EXPECT_EQ(target.Canvas()->Pixels(1, 1), clOlive) << "nothing outside the destination";
  // System colours are resolved before they are compared or drawn.
  target.Canvas()->Brush()->SetColor(clWindowText);
  target.Canvas()->BrushCopy(Rect(0, 0, 4, 1), &source, Rect(0, 0, 4, 1), clBtnFace);
  EXPECT_EQ(target.Canvas()->Pixels(3, 0), static_cast<TColor>(ColorToRGB(clWindowText)));
  EXPECT_EQ(target.Canvas()->Pixels(0, 0), clOlive);

  target.SetHandle(nullptr);
  EXPECT_TRUE(target.Empty());
  EXPECT_EQ(target.Width(), 0);
}

} // namespace
