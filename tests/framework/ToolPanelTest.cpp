#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolButton>
#include <filesystem>

#include "framework/Buttons.h"
#include "framework/ExtCtrls.h"
#include "framework/FileCtrl.h"
#include "framework/FormReader.h"
#include "framework/Registration.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

const QRgb Red = qRgb(255, 0, 0), Green = qRgb(0, 255, 0), Blue = qRgb(0, 0, 255), Black = qRgb(0, 0, 0);
const QRgb Magenta = qRgb(255, 0, 255);

class ToolPanelTest : public testing::Test {
protected:
  void SetUp() override {
    RegisterFrameworkClasses();
    char pattern[] = "/tmp/toolpanel-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Dir = pattern;
    // Two 2 x 2 pictures side by side; magenta, the bottom-left pixel's colour, is transparent.
    Glyph = (Dir / "glyph.bmp").string();
    const QRgb pixels[2][4] = {{Red, Magenta, Blue, Blue}, {Magenta, Green, Magenta, Black}};
    QImage image(4, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x)
        image.setPixel(x, y, pixels[y][x]);
    ASSERT_TRUE(image.save(QString::fromStdString(Glyph), "BMP"));
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(Dir, ignored);
  }

  static QImage Picture(TSpeedButton& Button, QIcon::Mode Mode) {
    auto* tool = static_cast<QToolButton*>(Button.Widget());
    return tool->icon().pixmap(tool->iconSize(), Mode).toImage().convertToFormat(QImage::Format_ARGB32);
  }
  static bool Shows(TControl& Control, QRgb Colour) {
    QImage shot = Control.Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x)
        if (shot.pixel(x, y) == Colour) return true;
    return false;
  }

  fs::path Dir;
  String Glyph;
};

std::vector<String> Items(TDriveComboBox& Box) {
  auto* combo = static_cast<QComboBox*>(Box.Widget());
  std::vector<String> items;
  for (int i = 0; i < combo->count(); ++i)
    items.push_back(combo->itemText(i).toStdString());
  return items;
}

bool Contains(const std::vector<String>& List, const String& S) {
  return std::find(List.begin(), List.end(), S) != List.end();
}

} // namespace

TEST_F(ToolPanelTest, ADescriptionBuildsThePanelWithItsButtonsInPlace) {
  TPanel panel(nullptr);
  ReadFormDescription(&panel, R"(object SpeedPanel: TPanel
  Width = 300
  Height = 30
  BevelOuter = bvLowered
  ShowHint = True
  ParentShowHint = False
  object OpenBtn: TSpeedButton
    Left = 7
    Top = 2
    Width = 25
    Height = 25
    Hint = 'Open|'
    Glyph = ')" + Glyph + R"('
    NumGlyphs = 2
  end
  object DS1: TDriveComboBox
    Left = 288
    Top = 5
    Width = 101
    Height = 19
  end
end)",
                      "SpeedPanel.form");
  EXPECT_EQ(panel.BevelOuter(), bvLowered);
  ASSERT_EQ(panel.ControlCount(), 2);
  auto* open = dynamic_cast<TSpeedButton*>(panel.FindComponent("OpenBtn"));
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open->Parent(), &panel);
  EXPECT_EQ(open->Widget()->parentWidget(), panel.Widget());
  EXPECT_EQ(open->Widget()->geometry(), QRect(7, 2, 25, 25));
  // The tooltip is the hint up to the bar, shown while the panel shows hints.
  EXPECT_EQ(open->Widget()->toolTip(), "Open");
  panel.SetShowHint(false);
  EXPECT_EQ(open->Widget()->toolTip(), "");
  // The glyph was read before NumGlyphs, and is still split into its two pictures.
  EXPECT_EQ(Picture(*open, QIcon::Normal).size(), QSize(2, 2));
  auto* drives = dynamic_cast<TDriveComboBox*>(panel.Controls(1));
  ASSERT_NE(drives, nullptr);
  EXPECT_EQ(drives->Widget()->geometry(), QRect(288, 5, 101, 19));
}

TEST_F(ToolPanelTest, AGlyphShowsItsFirstPictureEnabledAndItsSecondDisabled) {
  TSpeedButton button(nullptr);
  button.SetBounds(0, 0, 25, 25);
  button.SetNumGlyphs(2);
  button.SetGlyph(Glyph);
  EXPECT_EQ(static_cast<QToolButton*>(button.Widget())->iconSize(), QSize(2, 2));

  QImage normal = Picture(button, QIcon::Normal), disabled = Picture(button, QIcon::Disabled);
  EXPECT_EQ(normal.pixel(0, 0), Red);
  EXPECT_EQ(normal.pixel(1, 1), Green);
  EXPECT_EQ(qAlpha(normal.pixel(1, 0)), 0);
  EXPECT_EQ(qAlpha(normal.pixel(0, 1)), 0);
  EXPECT_EQ(disabled.pixel(0, 0), Blue);
  EXPECT_EQ(disabled.pixel(1, 0), Blue);
  EXPECT_EQ(disabled.pixel(1, 1), Black);
  EXPECT_EQ(qAlpha(disabled.pixel(0, 1)), 0);

  // The button on screen shows the picture of its state.
  EXPECT_TRUE(Shows(button, Red));
  EXPECT_FALSE(Shows(button, Blue));
  EXPECT_FALSE(Shows(button, Magenta));
  button.SetEnabled(false);
  EXPECT_TRUE(Shows(button, Blue));
  EXPECT_FALSE(Shows(button, Red));

  // One picture: the whole bitmap.
  button.SetNumGlyphs(1);
  EXPECT_EQ(Picture(button, QIcon::Normal).size(), QSize(4, 2));
}

TEST_F(ToolPanelTest, AGlyphThatCannotBeReadRaisesAndKeepsTheOldOne) {
  TSpeedButton button(nullptr);
  button.SetGlyph(Glyph);
  EXPECT_THROW(button.SetGlyph((Dir / "missing.bmp").string()), EFOpenError);
  EXPECT_EQ(button.Glyph(), Glyph);
  EXPECT_EQ(Picture(button, QIcon::Normal).pixel(0, 0), Red);
  button.SetGlyph("");
  EXPECT_TRUE(static_cast<QToolButton*>(button.Widget())->icon().isNull());
}

TEST_F(ToolPanelTest, AClickFiresOnClickOnlyWhileEnabled) {
  TSpeedButton button(nullptr);
  button.SetBounds(0, 0, 25, 25);
  button.Widget()->show();
  int clicks = 0;
  button.SetOnClick([&](TObject* Sender) {
    EXPECT_EQ(Sender, &button);
    ++clicks;
  });
  auto click = [&] {
    SendMessageA(button.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 12));
    SendMessageA(button.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(12, 12));
  };
  click();
  EXPECT_EQ(clicks, 1);
  button.SetEnabled(false);
  click();
  EXPECT_EQ(clicks, 1);

  // A failing handler is reported, not thrown through the toolkit.
  button.SetEnabled(true);
  button.SetOnClick([](TObject*) { throw Exception("No file"); });
  click();
  ASSERT_EQ(Seams::MessageBoxes().size(), 1u);
  EXPECT_EQ(Seams::MessageBoxes()[0].Text, "No file.");
}

TEST_F(ToolPanelTest, TheDriveBoxListsRealVolumesAndChoosesTheOneOfAPath) {
  TDriveComboBox box(nullptr);
  std::vector<String> items = Items(box);
  ASSERT_TRUE(Contains(items, "/"));
  for (const String& item : items)
    EXPECT_FALSE(item.starts_with("/proc") || item.starts_with("/sys") || item.starts_with("/dev")) << item;
  EXPECT_EQ(box.Drive(), VolumeRootOf(items, fs::current_path().string()));

  box.SetDrive("/proc/self");
  EXPECT_EQ(box.Drive(), "/");
  EXPECT_EQ(static_cast<QComboBox*>(box.Widget())->currentText(), "/");
  box.SetDrive("not/absolute");
  EXPECT_EQ(box.Drive(), "/");
}

// With a mount namespace of its own the test mounts, chooses and unmounts a volume.
TEST_F(ToolPanelTest, TheDriveBoxFollowsVolumesThatComeAndGo) {
  if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    GTEST_SKIP() << "no mount namespace of our own here";
  const fs::path volume = Dir / "vol ume";
  fs::create_directories(volume);
  ASSERT_EQ(mount("tmpfs", volume.c_str(), "tmpfs", 0, "size=1m"), 0);
  fs::create_directories(volume / "inside");
  const fs::path before = fs::current_path();
  fs::current_path(volume / "inside");
  auto* box = new TDriveComboBox(nullptr);
  fs::current_path(before);
  auto* combo = static_cast<QComboBox*>(box->Widget());
  box->SetBounds(0, 0, 200, 20);
  box->Widget()->show();
  int changes = 0;
  box->SetOnChange([&](TObject* Sender) {
    EXPECT_EQ(Sender, box);
    ++changes;
  });

  // The volume of the current directory is chosen at the start.
  EXPECT_EQ(box->Drive(), volume.string());
  EXPECT_EQ(combo->currentText().toStdString(), volume.string());

  // A volume mounted later shows once the list opens.
  const fs::path later = Dir / "later";
  fs::create_directories(later);
  ASSERT_EQ(mount("tmpfs", later.c_str(), "tmpfs", 0, "size=1m"), 0);
  EXPECT_FALSE(Contains(Items(*box), later.string()));
  combo->showPopup();
  combo->hidePopup();
  EXPECT_TRUE(Contains(Items(*box), later.string()));
  EXPECT_EQ(box->Drive(), volume.string());
  EXPECT_EQ(changes, 0);

  // The user picks another drive from the keyboard; picking the same one again is no change.
  QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier);
  QCoreApplication::sendEvent(combo, &home);
  EXPECT_EQ(box->Drive(), "/");
  EXPECT_EQ(changes, 1);
  emit combo->activated(0);
  EXPECT_EQ(changes, 1);

  // A chosen volume that goes away stays the choice.
  box->SetDrive((later / "x").string());
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(umount2(later.c_str(), MNT_DETACH), 0);
  box->BuildList();
  EXPECT_EQ(box->Drive(), later.string());
  EXPECT_TRUE(Contains(Items(*box), later.string()));
  box->SetDrive("/");
  box->BuildList();
  EXPECT_FALSE(Contains(Items(*box), later.string()));

  delete box;
  umount2(volume.c_str(), MNT_DETACH);
}

TEST_F(ToolPanelTest, ADoubleClickOnTheDriveBoxFiresOnDblClickWithoutOpeningTheList) {
  TDriveComboBox box(nullptr);
  box.SetBounds(0, 0, 150, 20);
  box.Widget()->show();
  int doubles = 0;
  box.SetOnDblClick([&](TObject* Sender) {
    EXPECT_EQ(Sender, &box);
    ++doubles;
  });
  SendMessageA(box.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
  EXPECT_EQ(doubles, 1);

  QPointF at(10, 10);
  QMouseEvent event(QEvent::MouseButtonDblClick, at, box.Widget()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(box.Widget(), &event);
  EXPECT_EQ(doubles, 2);
  auto* combo = static_cast<QComboBox*>(box.Widget());
  EXPECT_FALSE(combo->view()->isVisible());

  // With a real mouse the first press opens the list; the second press lands on the list over
  // the box, closes it and is the double-click. Which presses are soon enough is told by the
  // times the events carry, as Qt tells a double-click.
  auto press = [&](QWidget* On, quint64 Time) {
    QPointF global = combo->mapToGlobal(QPointF(10, 10));
    QMouseEvent pressed(QEvent::MouseButtonPress, On->mapFromGlobal(global), global, Qt::LeftButton, Qt::LeftButton,
                        Qt::NoModifier);
    pressed.setTimestamp(Time);
    QCoreApplication::sendEvent(On, &pressed);
  };
  const auto interval = static_cast<quint64>(QApplication::doubleClickInterval());
  press(combo, 1000);
  ASSERT_TRUE(combo->view()->isVisible());
  press(combo->view()->viewport(), 1000 + interval);
  EXPECT_FALSE(combo->view()->isVisible());
  Application->ProcessMessages(); // the double-click arrives once the list has closed
  EXPECT_EQ(doubles, 3);
  // A press on the list later than that after it opened is an ordinary choice.
  press(combo, 5000);
  ASSERT_TRUE(combo->view()->isVisible());
  press(combo->view()->viewport(), 5000 + interval + 1);
  Application->ProcessMessages();
  EXPECT_EQ(doubles, 3);
  combo->hidePopup();
}
