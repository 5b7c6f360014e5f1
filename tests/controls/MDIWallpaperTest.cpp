#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "controls/MDIWallpaper.h"
#include "framework/ExtCtrls.h"
#include "framework/FormReader.h"
#include "framework/Registration.h"
#include "platform/QtWindow.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WindowHook.h"

namespace {

constexpr int AreaWidth = 300, AreaHeight = 100;
const QRgb Red = qRgb(255, 0, 0);

// Counts the paints of a widget.
class TPaintCounter : public QObject {
public:
  explicit TPaintCounter(QWidget* Widget) { Widget->installEventFilter(this); }
  int Paints = 0;

protected:
  bool eventFilter(QObject*, QEvent* Event) override {
    if (Event->type() == QEvent::Paint) ++Paints;
    return false;
  }
};

// A picture whose every pixel tells where in it it is; none is the form's red.
std::unique_ptr<TBitmap> Picture(int Width, int Height) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetWidth(Width);
  bitmap->SetHeight(Height);
  QImage* image = BitmapImage(bitmap->Handle());
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x)
      image->setPixel(x, y, qRgb(x % 256, y % 256, 32 + 64 * (x / 256)));
  return bitmap;
}

QRgb PixelOf(TBitmap& Bitmap, int X, int Y) { return BitmapImage(Bitmap.Handle())->pixel(X, Y); }

// The area as it should look: Pixel gives each point.
QImage Expected(const std::function<QRgb(int, int)>& Pixel) {
  QImage image(AreaWidth, AreaHeight, QImage::Format_RGB32);
  for (int y = 0; y < AreaHeight; ++y)
    for (int x = 0; x < AreaWidth; ++x)
      image.setPixel(x, y, Pixel(x, y));
  return image;
}

String MessageOf(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(nothing raised)";
}

// A red MDI frame on the screen whose client area is 300 x 100.
class MDIWallpaperTest : public testing::Test {
protected:
  void SetUp() override {
    RegisterMDIWallpaper();
    Form = new TForm(nullptr);
    Form->SetFormStyle(fsMDIForm);
    Form->SetColor(clRed);
    Form->SetClientWidth(AreaWidth);
    Form->SetClientHeight(AreaHeight);
    Form->Show();
    Settle();
    Area = reinterpret_cast<WNDPROC>(GetWindowLongA(Client(), GWL_WNDPROC));
    Without = Painted();
  }
  void TearDown() override { Form->Free(); }

  static void Settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
  HWND Client() const { return Form->ClientHandle(); }
  QWidget* Viewport() const { return WindowClient(Client()); }
  // The area painted afresh.
  QImage Painted() const { return Viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  // The area as the screen shows it now, without painting anything.
  QImage OnScreen() const {
    const QPoint at = Viewport()->mapTo(Viewport()->window(), QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(Viewport()->window()->winId(), at.x(), at.y(), AreaWidth, AreaHeight)
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  }

  TForm* Form = nullptr;
  // The client window's procedure before any wallpaper, and the area as it paints itself.
  WNDPROC Area = nullptr;
  QImage Without;
};

} // namespace

TEST_F(MDIWallpaperTest, OnlyOneWallpaperOnAnMDIFrameCanBeMade) {
  EXPECT_EQ(MessageOf([] { new TMDIWallpaper(nullptr); }), "not (TMDIWallpaper.Owner is TForm)!");
  TComponent notAForm(nullptr);
  EXPECT_EQ(MessageOf([&] { new TMDIWallpaper(&notAForm); }), "not (TMDIWallpaper.Owner is TForm)!");
  EXPECT_EQ(notAForm.ComponentCount(), 0);

  TForm plain(nullptr);
  EXPECT_EQ(MessageOf([&] { new TMDIWallpaper(&plain); }), "This is no MDI frame window!");
  EXPECT_EQ(plain.ComponentCount(), 0);

  auto* first = new TMDIWallpaper(Form);
  const LONG_PTR hooked = GetWindowLongA(Client(), GWL_WNDPROC);
  EXPECT_NE(hooked, reinterpret_cast<LONG_PTR>(Area));
  EXPECT_THROW(new TMDIWallpaper(Form), EMDIWallpaper);
  EXPECT_EQ(MessageOf([&] { new TMDIWallpaper(Form); }), "Only one instance of TMDIWallpaper allowed");
  EXPECT_EQ(Form->ComponentCount(), 1);
  EXPECT_EQ(GetWindowLongA(Client(), GWL_WNDPROC), hooked);

  // The first goes on painting.
  auto picture = Picture(128, 64);
  first->SetBitmap(picture.get());
  EXPECT_EQ(OnScreen(), Expected([&](int x, int y) { return PixelOf(*picture, x % 128, y % 64); }));
}

TEST_F(MDIWallpaperTest, AnEmptyBitmapLeavesTheAreaAsItWas) {
  auto* wallpaper = new TMDIWallpaper(Form);
  EXPECT_EQ(Painted(), Without);
  wallpaper->SetMode(wpCenter); // repaints through the area's own erasing
  EXPECT_EQ(OnScreen(), Without);
  auto empty = std::make_unique<TBitmap>();
  empty->SetWidth(40); // no height: still empty
  wallpaper->SetBitmap(empty.get());
  EXPECT_EQ(OnScreen(), Without);
}

TEST_F(MDIWallpaperTest, TheHookTakesOnlyTheErasingOfAPicture) {
  std::vector<UINT> seen;
  TWindowHook spy(Client(), [&](TMessage& M) {
    seen.push_back(M.Msg);
    return false;
  });
  auto* wallpaper = new TMDIWallpaper(Form);

  SendMessageA(Client(), WM_USER + 7, 1, 2);
  EXPECT_EQ(seen, std::vector<UINT>{WM_USER + 7});
  seen.clear();
  Painted();
  EXPECT_EQ(seen, (std::vector<UINT>{WM_ERASEBKGND, WM_PAINT})); // nothing to paint: passed on

  auto picture = Picture(128, 64);
  wallpaper->SetBitmap(picture.get());
  seen.clear();
  Painted();
  EXPECT_EQ(seen, std::vector<UINT>{WM_PAINT}); // the erasing is the hook's, the paint passed on

  wallpaper->Free();
  EXPECT_EQ(GetWindowLongA(Client(), GWL_WNDPROC), reinterpret_cast<LONG_PTR>(spy.Procedure()));
  EXPECT_TRUE(Seams::MessageBoxes().empty());
}

TEST_F(MDIWallpaperTest, TilesFromTheTopLeftCorner) {
  auto* wallpaper = new TMDIWallpaper(Form);
  RECT r;
  ASSERT_TRUE(GetClientRect(Client(), &r));
  ASSERT_EQ(r.right - r.left, AreaWidth);
  ASSERT_EQ(r.bottom - r.top, AreaHeight);
  auto picture = Picture(128, 64);
  wallpaper->SetBitmap(picture.get());
  // Three columns at x 0, 128, 256 of two rows at y 0, 64, the last ones cut off.
  const QImage tiled = Expected([&](int x, int y) { return PixelOf(*picture, x % 128, y % 64); });
  EXPECT_EQ(OnScreen(), tiled);
  EXPECT_EQ(Painted(), tiled);
  // A picture larger than the area shows its top left part.
  auto large = Picture(400, 150);
  wallpaper->SetBitmap(large.get());
  EXPECT_EQ(OnScreen(), Expected([&](int x, int y) { return PixelOf(*large, x, y); }));
}

TEST_F(MDIWallpaperTest, CentresThePictureOnTheFormsColour) {
  auto* wallpaper = new TMDIWallpaper(Form);
  wallpaper->SetMode(wpCenter);
  // Larger both ways: X = -50, Y = -25, and no fill reaches the area.
  auto large = Picture(400, 150);
  wallpaper->SetBitmap(large.get());
  EXPECT_EQ(OnScreen(), Expected([&](int x, int y) { return PixelOf(*large, x + 50, y + 25); }));
  // W - bw = -25 gives X = -12; the picture is 40 high, so Y = 30 with red above and below.
  auto wide = Picture(325, 40);
  wallpaper->SetBitmap(wide.get());
  EXPECT_EQ(OnScreen(),
            Expected([&](int x, int y) { return y < 30 || y >= 70 ? Red : PixelOf(*wide, x + 12, y - 30); }));
  // Smaller both ways: red all round.
  auto small = Picture(100, 40);
  wallpaper->SetBitmap(small.get());
  EXPECT_EQ(Painted(), Expected([&](int x, int y) {
              return x >= 100 && x < 200 && y >= 30 && y < 70 ? PixelOf(*small, x - 100, y - 30) : Red;
            }));
}

TEST_F(MDIWallpaperTest, PutsThePictureAtTheTopLeftOnTheFormsColour) {
  auto* wallpaper = new TMDIWallpaper(Form);
  wallpaper->SetMode(wpTopLeft);
  // Wider than the area: nothing to its right, red below it.
  auto wide = Picture(350, 40);
  wallpaper->SetBitmap(wide.get());
  EXPECT_EQ(OnScreen(), Expected([&](int x, int y) { return y < 40 ? PixelOf(*wide, x, y) : Red; }));
  auto small = Picture(100, 40);
  wallpaper->SetBitmap(small.get());
  EXPECT_EQ(Painted(), Expected([&](int x, int y) { return x < 100 && y < 40 ? PixelOf(*small, x, y) : Red; }));
}

TEST_F(MDIWallpaperTest, WritingTheBitmapRepaintsWritingTheSameModeDoesNot) {
  auto* wallpaper = new TMDIWallpaper(Form);
  auto picture = Picture(128, 64);
  wallpaper->SetBitmap(picture.get());
  TPaintCounter counter(Viewport());
  wallpaper->SetMode(wpTile);
  EXPECT_EQ(counter.Paints, 0);

  // A change inside the component's picture shows only once the property is written.
  BitmapImage(wallpaper->Bitmap()->Handle())->fill(qRgb(0, 0, 255));
  EXPECT_EQ(OnScreen().pixel(5, 5), PixelOf(*picture, 5, 5));
  wallpaper->SetBitmap(wallpaper->Bitmap());
  EXPECT_EQ(counter.Paints, 1);
  EXPECT_EQ(OnScreen(), Expected([](int, int) { return qRgb(0, 0, 255); }));

  // An equal picture repaints too; a new mode repaints once.
  auto blue = std::make_unique<TBitmap>();
  blue->Assign(wallpaper->Bitmap());
  wallpaper->SetBitmap(blue.get());
  EXPECT_EQ(counter.Paints, 2);
  wallpaper->SetMode(wpTopLeft);
  EXPECT_EQ(counter.Paints, 3);
}

TEST_F(MDIWallpaperTest, ADescriptionLoadsThePictureWithoutRepainting) {
  QImage source(128, 64, QImage::Format_RGB32);
  source.fill(qRgb(10, 200, 30));
  QBuffer file;
  file.open(QIODevice::WriteOnly);
  ASSERT_TRUE(source.save(&file, "BMP"));
  QByteArray data = file.data();
  const auto length = static_cast<quint32>(data.size());
  data.prepend(QByteArray(1, char(length >> 24)))
      .prepend(QByteArray(1, char(length >> 16)))
      .prepend(QByteArray(1, char(length >> 8)))
      .prepend(QByteArray(1, char(length)));
  const String description = "object Frame: TForm\n  FormStyle = fsMDIForm\n  object MDIWallpaper1: TMDIWallpaper\n"
                             "    Bitmap.Data = {\n      " +
                             data.toHex().toUpper().toStdString() + "}\n    Mode = wpTile\n  end\nend\n";
  TPaintCounter counter(Viewport());
  ReadFormDescription(Form, description, "Frame.form");
  EXPECT_EQ(counter.Paints, 0);
  ASSERT_EQ(Form->ComponentCount(), 1);
  auto* wallpaper = dynamic_cast<TMDIWallpaper*>(Form->Components(0));
  ASSERT_NE(wallpaper, nullptr);
  EXPECT_EQ(wallpaper->Bitmap()->Width(), 128);
  EXPECT_EQ(wallpaper->Bitmap()->Height(), 64);
  EXPECT_EQ(Painted(), Expected([](int, int) { return qRgb(10, 200, 30); }));
}

TEST_F(MDIWallpaperTest, BadPictureDataIsRefusedAndKeepsThePicture) {
  auto picture = Picture(20, 10);
  auto readData = [&](const std::vector<std::uint8_t>& Data) { return MessageOf([&] { picture->ReadData(Data); }); };
  EXPECT_EQ(readData({7, 0}), "Bitmap data is too short");
  EXPECT_EQ(readData({5, 0, 0, 0, 'B', 'M'}), "Bitmap data holds 2 bytes after its length, not 5");
  EXPECT_EQ(readData({4, 0, 0, 0, 'B', 'M', 1, 2}), "Bitmap data is not a BMP picture");
  EXPECT_EQ(picture->Width(), 20);
  EXPECT_EQ(PixelOf(*picture, 19, 9), qRgb(19, 9, 32));

  // In a description, the error names the place.
  const String description = "object Frame: TForm\n  object MDIWallpaper1: TMDIWallpaper\n"
                             "    Bitmap.Data = { 05000000 424D }\n  end\nend\n";
  EXPECT_EQ(MessageOf([&] { ReadFormDescription(Form, description, "Frame.form"); }),
            "Frame.form, line 3: Bitmap data holds 2 bytes after its length, not 5 for 'Bitmap.Data'");
}

TEST_F(MDIWallpaperTest, ReplacingTheWallpapersProcedureIsReportedWhenItGoes) {
  auto* wallpaper = new TMDIWallpaper(Form);
  auto picture = Picture(128, 64);
  wallpaper->SetBitmap(picture.get());
  const LONG_PTR own = GetWindowLongA(Client(), GWL_WNDPROC);
  {
    TWindowHook intruder(Client(), [](TMessage&) { return false; });
    wallpaper->Free();
    ASSERT_EQ(Seams::MessageBoxes().size(), 1u);
    EXPECT_EQ(Seams::MessageBoxes()[0].Text, "Internal Error in TMDIWallpaper.Destroy.");
    EXPECT_EQ(Seams::MessageBoxes()[0].Caption, "Tabrix");
    EXPECT_EQ(Seams::MessageBoxes()[0].Type, MB_OK | MB_ICONSTOP);
    EXPECT_EQ(Form->ComponentCount(), 0);
    // The procedure from before the wallpaper is back.
    EXPECT_EQ(GetWindowLongA(Client(), GWL_WNDPROC), reinterpret_cast<LONG_PTR>(Area));
    EXPECT_EQ(Painted(), Without);
  }
  // The intruder, unhooking in turn, puts back the wallpaper's procedure: it passes every
  // message on, and the area erases as it does without a wallpaper.
  EXPECT_EQ(GetWindowLongA(Client(), GWL_WNDPROC), own);
  EXPECT_EQ(Painted(), Without);
  SetWindowLongA(Client(), GWL_WNDPROC, reinterpret_cast<LONG_PTR>(Area));
}

TEST_F(MDIWallpaperTest, OnADesignedFormTheClientWindowIsLeftAlone) {
  Form->SetDesigning(true);
  auto* wallpaper = new TMDIWallpaper(Form);
  EXPECT_EQ(GetWindowLongA(Client(), GWL_WNDPROC), reinterpret_cast<LONG_PTR>(Area));
  TPaintCounter counter(Viewport());
  auto picture = Picture(128, 64);
  wallpaper->SetBitmap(picture.get());
  EXPECT_EQ(counter.Paints, 0);
  EXPECT_EQ(Painted(), Without);
  wallpaper->Free();
  EXPECT_EQ(GetWindowLongA(Client(), GWL_WNDPROC), reinterpret_cast<LONG_PTR>(Area));
}

TEST_F(MDIWallpaperTest, DrawingThroughGetDCShowsAtOnceUntilTheNextPaint) {
  const QRgb green = qRgb(0, 255, 0);
  TPaintCounter counter(Viewport());
  HDC dc = GetDC(Client());
  ASSERT_NE(dc, nullptr);
  DCPainter(dc)->fillRect(10, 20, 30, 40, green);
  EXPECT_EQ(counter.Paints, 0);
  EXPECT_EQ(ReleaseDC(Client(), dc), 1);
  EXPECT_EQ(counter.Paints, 1);
  EXPECT_EQ(OnScreen(), Expected([&](int x, int y) {
              return x >= 10 && x < 40 && y >= 20 && y < 60 ? green : Without.pixel(x, y);
            }));
  Viewport()->repaint();
  EXPECT_EQ(OnScreen(), Without);

  // A context nobody drew on repaints nothing; one is released once, by its own window.
  dc = GetDC(Client());
  EXPECT_EQ(ReleaseDC(Form->Handle(), dc), 0);
  EXPECT_EQ(ReleaseDC(Client(), dc), 1);
  EXPECT_EQ(ReleaseDC(Client(), dc), 0);
  EXPECT_EQ(counter.Paints, 2);
  EXPECT_EQ(GetDC(nullptr), nullptr);
  RECT r;
  EXPECT_FALSE(GetClientRect(nullptr, &r));
}

TEST_F(MDIWallpaperTest, DrawingThroughGetDCGoesOverWhatQtPaints) {
  RegisterFrameworkClasses();
  TPanel panel(nullptr);
  panel.SetBounds(0, 0, 60, 30);
  panel.SetColor(clNavy);
  panel.Widget()->show();
  Settle();
  HDC dc = GetDC(panel.Handle());
  DCPainter(dc)->fillRect(0, 0, 10, 30, Qt::green);
  ReleaseDC(panel.Handle(), dc);
  const QImage screen = QGuiApplication::primaryScreen()->grabWindow(panel.Widget()->winId(), 0, 0, 60, 30).toImage();
  EXPECT_EQ(screen.pixel(5, 15), qRgb(0, 255, 0));
  EXPECT_EQ(screen.pixel(35, 15), qRgb(0, 0, 128));
}

// The main window's picture: 128 x 64 in the 16 greys, whose stones go on across the edges,
// so that tiles placed side by side join without a seam.
TEST(WallpaperPictureTest, TheMainWindowsWallpaperIsASeamlessTileOfStones) {
  QFile file(":/forms/TMainForm.form");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const TDescObject form = ParseDescription(file.readAll().toStdString(), "TMainForm.form");
  const TDescObject* wallpaper = nullptr;
  for (const TDescObject& child : form.Children)
    if (child.Name == "MDIWallpaper1") wallpaper = &child;
  ASSERT_NE(wallpaper, nullptr);
  EXPECT_EQ(wallpaper->ClassName, "TMDIWallpaper");
  TBitmap bitmap;
  String mode;
  for (const TDescProperty& p : wallpaper->Properties) {
    if (p.Path == "Bitmap.Data") bitmap.ReadData(p.Value.Bytes);
    if (p.Path == "Mode") mode = p.Value.Str;
  }
  EXPECT_EQ(mode, "wpTile");
  const int w = bitmap.Width(), h = bitmap.Height();
  ASSERT_EQ(w, 128);
  ASSERT_EQ(h, 64);

  const std::set<int> greys{0, 12, 53, 106, 136, 148, 156, 165, 173, 181, 189, 202, 214, 222, 235, 251};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const QRgb c = PixelOf(bitmap, x, y);
      ASSERT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c) && greys.count(qRed(c))) << x << "," << y;
    }

  // The stones are the faces between the dark joints. Counted with the edges joined, the
  // stones that cross an edge are whole again: eight stones of one shape, so of one size.
  // Counted within the tile, those are cut in pieces.
  auto face = [&](int x, int y) { return qRed(PixelOf(bitmap, x, y)) > 53; };
  constexpr int Steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  auto stones = [&](bool Wrap) {
    std::vector<int> sizes;
    std::vector<bool> seen(static_cast<std::size_t>(w * h));
    for (int start = 0; start < w * h; ++start) {
      if (seen[static_cast<std::size_t>(start)] || !face(start % w, start / w)) continue;
      std::vector<int> todo{start};
      seen[static_cast<std::size_t>(start)] = true;
      int size = 0;
      while (!todo.empty()) {
        const int at = todo.back();
        todo.pop_back();
        ++size;
        for (const auto& step : Steps) {
          int x = at % w + step[0], y = at / w + step[1];
          if (Wrap) {
            x = (x + w) % w;
            y = (y + h) % h;
          } else if (x < 0 || y < 0 || x >= w || y >= h) {
            continue;
          }
          const auto next = static_cast<std::size_t>(y * w + x);
          if (!seen[next] && face(x, y)) {
            seen[next] = true;
            todo.push_back(static_cast<int>(next));
          }
        }
      }
      sizes.push_back(size);
    }
    return sizes;
  };
  const std::vector<int> joined = stones(true);
  ASSERT_EQ(joined.size(), 8u);
  for (int size : joined)
    EXPECT_NEAR(size, joined[0], joined[0] / 50);
  EXPECT_GT(stones(false).size(), 8u);
}
