#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <filesystem>
#include <fstream>

#include "framework/ExtCtrls.h"
#include "framework/FormReader.h"
#include "framework/Registration.h"
#include "framework/StdCtrls.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

QImage Grab(TControl& Control) { return Control.Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

class LabelImageTest : public testing::Test {
protected:
  void SetUp() override {
    RegisterFrameworkClasses();
    Dir = TestDirectory();
    fs::remove_all(Dir);
    fs::create_directories(Dir);
    Panel.SetBounds(0, 0, 200, 100);
    Panel.SetColor(clWhite);
    Panel.SetBevelOuter(bvNone);
  }
  void TearDown() override { fs::remove_all(Dir); }

  // A 256-colour bitmap file: a red left half and a blue right half.
  String WriteBitmap(int Width, int Height) {
    QImage image(Width, Height, QImage::Format_Indexed8);
    image.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
    for (int y = 0; y < Height; ++y)
      for (int x = 0; x < Width; ++x)
        image.setPixel(x, y, x < Width / 2 ? 0 : 1);
    String path = (Dir / "picture.bmp").string();
    EXPECT_TRUE(image.save(QString::fromStdString(path), "BMP"));
    return path;
  }

  fs::path Dir;
  TPanel Panel{nullptr};
};

} // namespace

TEST_F(LabelImageTest, AnAutoSizedLabelFitsItsTextAndAFixedOneKeepsItsPlace) {
  TLabel label(nullptr);
  label.SetParent(&Panel);
  label.SetBounds(100, 10, 5, 5);
  label.SetCaption("A short caption");
  const int shortWidth = label.Width();
  label.SetCaption("A much longer caption than that");
  EXPECT_GT(label.Width(), shortWidth);
  EXPECT_GT(label.Height(), 5);
  // A right-justified label grows to the left.
  label.SetAlignment(taRightJustify);
  const int right = label.Left() + label.Width();
  label.SetCaption("Short");
  EXPECT_EQ(label.Left() + label.Width(), right);

  label.SetAutoSize(false);
  label.SetBounds(10, 10, 60, 15);
  label.SetCaption("A caption far wider than the sixty pixels it has");
  EXPECT_EQ(label.Widget()->geometry(), QRect(10, 10, 60, 15));
}

TEST_F(LabelImageTest, AWrappingLabelKeepsItsWidthAndGrowsDown) {
  TLabel label(nullptr);
  label.SetParent(&Panel);
  label.SetWordWrap(true);
  label.SetBounds(0, 0, 80, 10);
  label.SetCaption("Several words that cannot all fit on one line of eighty pixels");
  EXPECT_EQ(label.Width(), 80);
  EXPECT_GT(label.Height(), 2 * label.Widget()->fontMetrics().height());
}

TEST_F(LabelImageTest, ACaptionIsShownAsWrittenNeverAsMarkup) {
  TLabel plain(nullptr), marked(nullptr);
  plain.SetCaption("bold");
  marked.SetCaption("<b>bold</b>");
  EXPECT_GT(marked.Width(), plain.Width());
  // Every character of the markup is shown: read as rich text it would be one bold word.
  EXPECT_GE(marked.Width(), QFontMetrics(marked.Widget()->font()).horizontalAdvance("<b>bold</b>"));
}

TEST_F(LabelImageTest, ALabelReadFromADescriptionSizesItselfOnceRead) {
  TLabel* label = nullptr;
  ReadFormDescription(&Panel, R"(object Panel: TPanel
  object Title: TLabel
    Left = 4
    Top = 4
    Width = 300
    Height = 40
    Alignment = taCenter
    AutoSize = False
    Caption = 'Title'
    Font.Height = -19
    Font.Style = [fsBold]
    ParentFont = False
  end
  object Note: TLabel
    Left = 4
    Top = 50
    Caption = 'Note'
  end
end)",
                      "Panel.form");
  label = dynamic_cast<TLabel*>(Panel.FindComponent("Title"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->Widget()->geometry(), QRect(4, 4, 300, 40));
  EXPECT_EQ(label->Alignment(), taCenter);
  EXPECT_EQ(label->Widget()->font().pixelSize(), 19);
  auto* note = dynamic_cast<TLabel*>(Panel.FindComponent("Note"));
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->Widget()->size(), note->Widget()->sizeHint());
}

TEST_F(LabelImageTest, AnImageDrawsItsPictureAtItsOwnSizeOrStretched) {
  TImage image(nullptr);
  image.SetParent(&Panel);
  image.SetBounds(0, 0, 40, 20);
  image.Picture()->LoadFromFile(WriteBitmap(20, 10));
  EXPECT_EQ(image.Picture()->Width(), 20);
  EXPECT_EQ(image.Picture()->Height(), 10);
  // At its own size: the picture at the top left, the panel's white beyond it.
  QImage shown = Grab(Panel);
  EXPECT_EQ(shown.pixel(2, 2), qRgb(255, 0, 0));
  EXPECT_EQ(shown.pixel(15, 5), qRgb(0, 0, 255));
  EXPECT_EQ(shown.pixel(30, 5), qRgb(255, 255, 255));
  EXPECT_EQ(shown.pixel(5, 15), qRgb(255, 255, 255));
  image.SetStretch(true);
  shown = Grab(Panel);
  EXPECT_EQ(shown.pixel(15, 15), qRgb(255, 0, 0));
  EXPECT_EQ(shown.pixel(35, 15), qRgb(0, 0, 255));
}

TEST_F(LabelImageTest, APictureThatCannotBeReadIsReportedAndTheOldOneKept) {
  TImage image(nullptr);
  image.Picture()->LoadFromFile(WriteBitmap(20, 10));
  const String text = (Dir / "not-a-bitmap.bmp").string();
  std::ofstream(text) << "[section]\nkey=value\n";
  try {
    image.Picture()->LoadFromFile(text);
    FAIL() << "a text file was read as a bitmap";
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find("not-a-bitmap.bmp"), String::npos) << e.Message();
  }
  EXPECT_THROW(image.Picture()->LoadFromFile((Dir / "missing.bmp").string()), EFOpenError);
  EXPECT_EQ(image.Picture()->Width(), 20);
  // In a description, the message names the line.
  try {
    ReadFormDescription(&Panel, "object Panel: TPanel\n  object Logo: TImage\n    Picture = 'no/such.bmp'\n  end\nend",
                        "Panel.form");
    FAIL() << "a missing picture was read";
  } catch (const EReadError& e) {
    EXPECT_NE(e.Message().find("Panel.form, line 3"), String::npos) << e.Message();
  }
}

TEST_F(LabelImageTest, APanelDrawsItsOuterAndInnerBevels) {
  Panel.SetBevelOuter(bvLowered);
  Panel.SetBevelInner(bvRaised);
  const QImage shown = Grab(Panel);
  const QRgb light = Panel.Widget()->palette().color(QPalette::Light).rgb();
  const QRgb dark = Panel.Widget()->palette().color(QPalette::Dark).rgb();
  ASSERT_NE(light, dark);
  const int r = shown.width() - 1, b = shown.height() - 1;
  // Outer, lowered: dark at the top and left, light at the bottom and right.
  EXPECT_EQ(shown.pixel(0, 50), dark);
  EXPECT_EQ(shown.pixel(100, 0), dark);
  EXPECT_EQ(shown.pixel(r, 50), light);
  EXPECT_EQ(shown.pixel(100, b), light);
  // Inner, raised: the other way round, one pixel in.
  EXPECT_EQ(shown.pixel(1, 50), light);
  EXPECT_EQ(shown.pixel(100, 1), light);
  EXPECT_EQ(shown.pixel(r - 1, 50), dark);
  EXPECT_EQ(shown.pixel(100, b - 1), dark);
  // Inside them, the panel's colour.
  EXPECT_EQ(shown.pixel(2, 50), qRgb(255, 255, 255));
  Panel.SetBevelOuter(bvNone);
  Panel.SetBevelInner(bvNone);
  EXPECT_EQ(Grab(Panel).pixel(0, 50), qRgb(255, 255, 255));
}
