#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QWidget>
#include <memory>
#include <ostream>
#include <vector>

#include "controls/ZLAdvLed.h"
#include "framework/ExtCtrls.h"
#include "framework/FormReader.h"
#include "framework/Registration.h"
#include "tests/support/TestSupport.h"

// Failures show pictures as rows of colours.
static void PrintTo(const QImage& Image, std::ostream* Out) {
  for (int y = 0; y < Image.height(); ++y) {
    *Out << "\n";
    for (int x = 0; x < Image.width(); ++x)
      *Out << QString::number(Image.pixel(x, y) & RGB_MASK, 16).rightJustified(6, '0').toStdString() << " ";
  }
}

namespace {

// An LED that counts how often it paints.
class TCountingLed : public TZLAdvLed {
public:
  using TZLAdvLed::TZLAdvLed;
  int Paints = 0;

protected:
  void Paint() override {
    ++Paints;
    TZLAdvLed::Paint();
  }
};

QRgb Rgb(TColor Color) { return ToQColor(Color).rgb(); }

// A lamp showing the named picture: silver in the lamp's colour, olive in the background's.
QImage Expected(const String& Name, TColor Lamp, TColor Background) {
  HBITMAP bitmap = LoadBitmapA(HInstance, Name.c_str());
  EXPECT_NE(bitmap, nullptr) << Name;
  if (!bitmap) return {};
  QImage image = BitmapImage(bitmap)->convertToFormat(QImage::Format_RGB32);
  DeleteObject(bitmap);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y) & RGB_MASK;
      if (c == 0xC0C0C0 || c == 0x808000) image.setPixel(x, y, Rgb(c == 0xC0C0C0 ? Lamp : Background));
    }
  return image;
}

// A lamp on a navy panel that is on the screen.
class ZLAdvLedTest : public testing::Test {
protected:
  void SetUp() override {
    RegisterZLAdvLed();
    RegisterFrameworkClasses();
    Panel = std::make_unique<TPanel>(nullptr);
    Panel->SetBounds(0, 0, 60, 30);
    Panel->SetColor(clNavy);
    Led = new TCountingLed(Panel.get());
    Led->SetParent(Panel.get());
    Led->SetBounds(20, 8, 13, 13);
    Panel->Widget()->show();
    Settle();
    Led->Paints = 0;
  }

  // The lamp painted afresh.
  QImage Painted() { return Led->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  // The lamp as the window shows it now, without painting anything.
  QImage OnScreen() {
    return QGuiApplication::primaryScreen()
        ->grabWindow(Panel->Widget()->winId(), 20, 8, 13, 13)
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  }

  std::unique_ptr<TPanel> Panel;
  TCountingLed* Led = nullptr;
};

TEST_F(ZLAdvLedTest, ANewLampIsAnUnlitGreenRaisedDiscOnItsParentsColour) {
  TZLAdvLed led(nullptr);
  EXPECT_EQ((std::vector<int>{led.Left(), led.Top(), led.Width(), led.Height()}), (std::vector<int>{0, 0, 13, 13}));
  EXPECT_EQ(Led->Color(), clNavy);
  EXPECT_EQ(Painted(), Expected("ZLRNDLED3DUP", clGreen, clNavy));
  Led->SetLedOn(true);
  const QImage lit = Painted();
  EXPECT_EQ(lit, Expected("ZLRNDLED3DUP", clLime, clNavy));
  EXPECT_EQ((std::vector<QRgb>{lit.pixel(0, 0), lit.pixel(4, 0), lit.pixel(4, 1), lit.pixel(5, 1)}),
            (std::vector<QRgb>{Rgb(clNavy), Rgb(clWhite), Rgb(clGray), Rgb(clLime)}));
}

TEST_F(ZLAdvLedTest, EachSwitchIsCountedAndReportedAndShownBeforeTheWriteReturns) {
  struct TCall {
    TObject* Sender;
    bool LedOn;
    std::int32_t NumSwitch;
    int PaintsBefore;
  };
  std::vector<TCall> calls;
  Led->SetOnLedStateChanged([&](TObject* Sender, bool LedOn, std::int32_t NumSwitch) {
    calls.push_back({Sender, LedOn, NumSwitch, Led->Paints});
  });

  Led->SetLedOn(false);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(Led->Paints, 0) << "the current state changes nothing";
  Led->SetLedOn(true);
  EXPECT_EQ(OnScreen(), Expected("ZLRNDLED3DUP", clLime, clNavy));
  Led->SetLedOn(true);
  Led->SetLedOn(false);
  EXPECT_EQ(OnScreen(), Expected("ZLRNDLED3DUP", clGreen, clNavy));
  Led->SetLedOn(true);
  ASSERT_EQ(calls.size(), 3u);
  for (std::size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].Sender, Led);
    EXPECT_EQ(calls[i].LedOn, i != 1);
    EXPECT_EQ(calls[i].NumSwitch, static_cast<std::int32_t>(i + 1));
    EXPECT_EQ(calls[i].PaintsBefore, static_cast<int>(i)) << "the handler runs before the repaint";
  }
  EXPECT_EQ(Led->Paints, 3);
}

TEST_F(ZLAdvLedTest, ColourWritesAlwaysRepaintButUnchangedShapesAndRimsDoNot) {
  Led->SetColorOff(clGreen);
  Led->SetColorOn(clLime);
  EXPECT_EQ(Led->Paints, 2);
  Led->SetColorOff(clRed);
  EXPECT_EQ(OnScreen(), Expected("ZLRNDLED3DUP", clRed, clNavy));
  Led->SetBorderStyle(brRaised);
  Led->SetCtl3D(true);
  Led->SetLedType(ltRound);
  EXPECT_EQ(Led->Paints, 3);
  Led->SetLedType(ltSquare);
  EXPECT_EQ(OnScreen(), Expected("ZLSQRLED3DUP", clRed, clNavy));
}

TEST_F(ZLAdvLedTest, AFlatLampHasNoRimAndARimMakesItThreeDimensional) {
  Led->SetLedType(ltTriangleLeft);
  Led->SetCtl3D(false);
  EXPECT_EQ(Led->BorderStyle(), brDefault);
  EXPECT_EQ(Painted(), Expected("ZLTRILEDLEFTFLAT", clGreen, clNavy));
  Led->SetBorderStyle(brLowered);
  EXPECT_TRUE(Led->Ctl3D());
  EXPECT_EQ(Painted(), Expected("ZLTRILEDLEFT3DDWN", clGreen, clNavy));
}

TEST_F(ZLAdvLedTest, EveryShapeAndRimShowsItsOwnPicture) {
  const std::vector<String> bases = {"ZLDMDLED",      "ZLLPSLEDHRZ",  "ZLLPSLEDVRT",   "ZLMONLEDLEFT",
                                     "ZLMONLEDRIGHT", "ZLPRLLEDBCK",  "ZLPRLLEDFWT",   "ZLPNTLED",
                                     "ZLRNDLED",      "ZLRCTLEDHRZ",  "ZLRCTLEDVRT",   "ZLSQRLED",
                                     "ZLTRILEDDWN",   "ZLTRILEDLEFT", "ZLTRILEDRIGHT", "ZLTRILEDUP"};
  struct TRim {
    TBorder Border;
    bool Ctl3D;
    const char* Suffix;
  };
  Led->SetLedOn(true);
  for (std::size_t type = 0; type < bases.size(); ++type)
    for (TRim rim : {TRim{brDefault, true, ""}, TRim{brRaised, true, "3DUP"}, TRim{brLowered, true, "3DDWN"},
                     TRim{brDefault, false, "FLAT"}}) {
      Led->SetLedType(static_cast<TLedType>(type));
      Led->SetCtl3D(rim.Ctl3D);
      Led->SetBorderStyle(rim.Border);
      EXPECT_EQ(Painted(), Expected(bases[type] + rim.Suffix, clLime, clNavy)) << bases[type] << rim.Suffix;
    }
  Led->SetLedType(static_cast<TLedType>(200));
  EXPECT_EQ(Painted(), Expected("ZLRNDLEDFLAT", clLime, clNavy)) << "a type beyond the table is a disc";
}

TEST_F(ZLAdvLedTest, AChangeOfTheParentsColourShowsAtOnce) {
  Panel->SetColor(clAqua);
  EXPECT_EQ(Led->Color(), clAqua);
  EXPECT_EQ(OnScreen(), Expected("ZLRNDLED3DUP", clGreen, clAqua));
  // The square covers its whole rectangle: it looks the same on any parent.
  Led->SetLedType(ltSquare);
  const QImage before = OnScreen();
  Panel->SetColor(clYellow);
  EXPECT_EQ(Led->Paints, 3);
  EXPECT_EQ(OnScreen(), before);
}

TEST_F(ZLAdvLedTest, ADescriptionsSizeGivesWayTo13By13OutsideADesigner) {
  TPanel panel(nullptr);
  ReadFormDescription(&panel, R"(object SpeedPanel: TPanel
  object ScanLed: TZLAdvLed
    Left = 475
    Top = 4
    Width = 13
    Height = 16
    ColorOff = clLime
    ColorOn = clFuchsia
    LedType = ltSquare
  end
end)",
                      "SpeedPanel.form");
  auto* led = dynamic_cast<TZLAdvLed*>(panel.FindComponent("ScanLed"));
  ASSERT_NE(led, nullptr);
  EXPECT_EQ(led->Parent(), &panel);
  EXPECT_EQ((std::vector<int>{led->Left(), led->Top(), led->Width(), led->Height()}),
            (std::vector<int>{475, 4, 13, 13}));
  EXPECT_EQ(led->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32),
            Expected("ZLSQRLED3DUP", clLime, clBtnFace));

  TZLAdvLed designed(nullptr);
  designed.SetDesigning(true);
  designed.SetBounds(0, 0, 13, 16);
  designed.Loaded();
  EXPECT_EQ(designed.Height(), 16);
}

TEST_F(ZLAdvLedTest, APressAndReleaseOnTheLampClickItBetweenItsMouseEvents) {
  std::vector<String> events;
  auto note = [&](const char* What) {
    return
        [&events, What, this](TObject* Sender, TMouseButton Button, TShiftState Shift, std::int32_t X, std::int32_t Y) {
          EXPECT_EQ(Sender, Led);
          events.push_back(String(What) + (Button == mbLeft ? " left " : " right ") + std::to_string(X) + "," +
                           std::to_string(Y) + (Shift.count(ssShift) ? " shift" : ""));
        };
  };
  Led->SetOnMouseDown(note("down"));
  Led->SetOnMouseUp(note("up"));
  Led->SetOnClick([&](TObject*) { events.push_back("click"); });
  SendMessageA(Led->Handle(), WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(3, 4));
  SendMessageA(Led->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 6));
  SendMessageA(Led->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 4));
  SendMessageA(Led->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(20, 6));
  SendMessageA(Led->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(1, 1));
  EXPECT_EQ(events, (std::vector<String>{"down left 3,4 shift", "click", "up left 5,6", "down left 3,4", "up left 20,6",
                                         "up right 1,1"}));
}

} // namespace
