#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStyle>

#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/Registration.h"
#include "tests/support/TestSupport.h"

namespace {

// A frame of a given size with children of 429 x 215, the editor window's designed size.
class MDIFrameTest : public testing::Test {
protected:
  void SetUp() override {
    RegisterFrameworkClasses();
    Application->CreateForm(Frame);
    Frame->SetFormStyle(fsMDIForm);
  }
  void TearDown() override {
    Frame->Free();
    FlushReleasedForms();
  }

  void Open(int Width, int Height, int Children) {
    Frame->SetBounds(0, 0, Width, Height);
    Frame->Show();
    for (int i = 0; i < Children; ++i) {
      auto* child = new TForm(Frame);
      child->SetFormStyle(fsMDIChild);
      child->SetPosition(poDefault);
      child->SetBounds(0, 0, 429, 215);
      child->Show();
    }
  }

  QRect Area() const { return Frame->MDIArea()->viewport()->rect(); }
  std::vector<QRect> Frames() const {
    std::vector<QRect> frames;
    for (QMdiSubWindow* w : Frame->MDIArea()->subWindowList(QMdiArea::CreationOrder))
      frames.push_back(w->geometry());
    return frames;
  }

  TForm* Frame = nullptr;
};

} // namespace

TEST_F(MDIFrameTest, ANewChildOpensWhollyInsideASmallArea) {
  Open(400, 400, 1);
  ASSERT_LT(Area().width(), 429);
  EXPECT_TRUE(Area().contains(Frames().front())) << Frames().front().width();
}

TEST_F(MDIFrameTest, ArrangedIconsWrapIntoRowsInsideTheArea) {
  Open(1250, 700, 35);
  for (int i = 0; i < Frame->MDIChildCount(); ++i)
    Frame->MDIChildren(i)->SetWindowState(wsMinimized);
  Frame->ArrangeIcons();
  const std::vector<QRect> frames = Frames();
  for (const QRect& r : frames)
    EXPECT_TRUE(Area().contains(r)) << r.x() << "," << r.y();
  // The first row lies along the bottom, the next above it.
  EXPECT_EQ(frames.front().bottom(), Area().bottom());
  EXPECT_LT(frames.back().bottom(), Area().bottom());
}

TEST_F(MDIFrameTest, ManyWindowsTileInAGridTheirTitlesShowIn) {
  Open(1250, 700, 35);
  Frame->Tile();
  const int title = Frame->MDIArea()->style()->pixelMetric(QStyle::PM_TitleBarHeight);
  for (const QRect& r : Frames()) {
    EXPECT_TRUE(Area().contains(r));
    EXPECT_GT(r.height(), 2 * title);
  }
}

TEST_F(MDIFrameTest, TheWindowListUnderlinesOneDigitEachForTheFirstNineAndShowsTitlesAsTheyAre) {
  auto* windows = new TMenuItem(Frame);
  Frame->SetWindowMenu(windows);
  Open(1250, 700, 11);
  Frame->MDIArea()->subWindowList(QMdiArea::CreationOrder).front()->setWindowTitle("a&b");
  QMenu* menu = windows->Menu();
  emit menu->aboutToShow();
  std::vector<QString> entries;
  for (QAction* a : menu->actions())
    if (!a->isSeparator()) entries.push_back(a->text());
  ASSERT_EQ(entries.size(), 11u);
  EXPECT_EQ(entries[0], "&1 a&&b");
  EXPECT_TRUE(entries[8].startsWith("&9 ")) << entries[8].toStdString();
  EXPECT_TRUE(entries[9].startsWith("10 ")) << entries[9].toStdString();
  EXPECT_TRUE(entries[10].startsWith("11 ")) << entries[10].toStdString();
}
