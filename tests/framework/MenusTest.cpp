#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <set>

#include "framework/Menus.h"
#include "framework/Registration.h"
#include "tests/support/TestSupport.h"

namespace {

class MenusTest : public testing::Test {
protected:
  void SetUp() override { RegisterFrameworkClasses(); }

  // An item with a command and a separator, like a menu that gets entries at run time.
  static TMenuItem* MenuWithSeparator(TComponent* Owner) {
    auto* menu = new TMenuItem(Owner);
    menu->SetCaption("F&ind");
    for (const char* caption : {"&Text", "-"}) {
      auto* item = new TMenuItem(Owner);
      item->SetCaption(caption);
      menu->Add(item);
    }
    return menu;
  }

  static TMenuItem* AddEntry(TMenuItem* Menu, const String& Caption) {
    auto* entry = new TMenuItem(Menu);
    entry->SetCaption(Caption);
    Menu->Add(entry);
    return entry;
  }
};

} // namespace

TEST_F(MenusTest, RunTimeItemsShowAfterTheSeparatorAndGoWithTheItemThatOwnsThem) {
  TComponent form(nullptr);
  TMenuItem* find = MenuWithSeparator(&form);
  std::vector<TMenuItem*> entries;
  for (const char* caption : {"one", "two", "three"})
    entries.push_back(AddEntry(find, caption));
  QList<QAction*> shown = find->Menu()->actions();
  ASSERT_EQ(shown.size(), 5);
  EXPECT_TRUE(shown[1]->isSeparator());
  EXPECT_EQ(shown[1]->text(), "") << "a line with no \"-\" beside it";
  for (std::size_t i = 0; i < entries.size(); ++i)
    EXPECT_EQ(shown[static_cast<qsizetype>(i) + 2], entries[i]->Action());

  // One that goes leaves its place to the next.
  delete entries[1];
  EXPECT_EQ(find->Count(), 4);
  EXPECT_EQ(find->Items(3), entries[2]);
  EXPECT_EQ(find->Menu()->actions(), (QList<QAction*>{shown[0], shown[1], shown[2], shown[4]}));

  QPointer<QMenu> menu = find->Menu();
  QPointer<QAction> first = entries[0]->Action();
  QPointer<QAction> last = entries[2]->Action();
  delete find;
  EXPECT_TRUE(menu.isNull());
  EXPECT_TRUE(first.isNull());
  EXPECT_TRUE(last.isNull());
  EXPECT_EQ(form.ComponentCount(), 2) << "the command and the separator are the form's";
}

TEST_F(MenusTest, EntriesAddedTogetherWhileTheMenuIsClosedAreInItInTheirOrderWhenItOpens) {
  TComponent form(nullptr);
  TMenuItem* find = MenuWithSeparator(&form);
  const auto Entry = [&](const String& Caption) {
    auto* entry = new TMenuItem(&form);
    entry->SetCaption(Caption);
    return entry;
  };
  std::vector<TMenuItem*> entries{Entry("one"), Entry("two"), Entry("three"), Entry("four")};
  find->Add(entries);
  delete entries[3];
  delete entries[1];
  TMenuItem* middle = Entry("middle");
  find->Insert(3, middle);
  TMenuItem* sub = Entry("sub");
  TMenuItem* last = Entry("last");
  find->Add({sub, last});
  AddEntry(sub, "inner");

  // The menu as the menu bar holds it, opened as a click opens it.
  QMenu* menu = find->MenuAction()->menu<QMenu*>();
  menu->popup(QPoint(0, 0));
  EXPECT_EQ(menu->actions(),
            (QList<QAction*>{find->Items(0)->Action(), find->Items(1)->Action(), entries[0]->Action(), middle->Action(),
                             entries[2]->Action(), sub->MenuAction(), last->Action()}));
  EXPECT_EQ(sub->Menu()->actions(), QList<QAction*>{sub->Items(0)->Action()});
  menu->hide();
}

TEST_F(MenusTest, AMenuTallerThanTheScreenIsOneScrollingColumn) {
  TComponent form(nullptr);
  TMenuItem* find = MenuWithSeparator(&form);
  for (int i = 0; i < 500; ++i)
    AddEntry(find, "Section" + std::to_string(i));
  QMenu* menu = find->Menu();
  menu->popup(QPoint(0, 0));
  QRect screen = menu->screen()->availableGeometry();
  EXPECT_LE(menu->height(), screen.height());
  std::set<int> columns;
  for (QAction* action : menu->actions())
    columns.insert(menu->actionGeometry(action).left());
  EXPECT_EQ(columns.size(), 1u);
  // The keyboard reaches the last entry.
  QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
  QCoreApplication::sendEvent(menu, &end);
  EXPECT_EQ(menu->activeAction(), find->Items(find->Count() - 1)->Action());
  EXPECT_TRUE(menu->rect().intersects(menu->actionGeometry(menu->activeAction())));
  menu->hide();
}

TEST_F(MenusTest, AVeryLongCaptionIsShownCutWithAnEllipsis) {
  TMenuItem item(nullptr);
  String caption(5000, 'x');
  item.SetCaption(caption);
  EXPECT_EQ(item.Caption(), caption);
  QString shown = item.Action()->text();
  EXPECT_EQ(shown, QString(100, QLatin1Char('x')) + QChar(0x2026));
  item.SetCaption("short");
  EXPECT_EQ(item.Action()->text(), "short");
}

TEST_F(MenusTest, AShortCutIsShownBesideTheCaptionAndChoosesTheItemInItsWindow) {
  QWidget window;
  TMenuItem file(nullptr);
  file.SetCaption("&File");
  auto* open = new TMenuItem(&file);
  open->SetCaption("&Open");
  open->SetShortCut("Ctrl+O");
  file.Add(open);
  int clicks = 0, menuOpenings = 0;
  open->SetOnClick([&](TObject*) { ++clicks; });
  file.SetOnClick([&](TObject*) { ++menuOpenings; });
  EXPECT_EQ(open->Action()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
  window.addAction(file.Menu()->menuAction());
  window.show();
  window.activateWindow();
  ASSERT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == &window; }));
  QKeyEvent press(QEvent::KeyPress, Qt::Key_O, Qt::ControlModifier);
  QCoreApplication::sendEvent(&window, &press);
  EXPECT_EQ(clicks, 1);
  // The menu's own item is told as the menu opens, before it shows its items.
  file.Menu()->popup(QPoint(0, 0));
  EXPECT_EQ(menuOpenings, 1);
  file.Menu()->hide();
  open->SetShortCut("");
  QCoreApplication::sendEvent(&window, &press);
  EXPECT_EQ(clicks, 1);
}
