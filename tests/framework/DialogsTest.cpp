#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <map>

#include "framework/Dialogs.h"
#include "framework/FormReader.h"
#include "framework/Registration.h"
#include "tests/support/TestSupport.h"

namespace {

class DialogsTest : public testing::Test {
protected:
  void SetUp() override { RegisterFrameworkClasses(); }
};

// The shown find dialog's window, or nullptr.
QDialog* ShownFindWindow() {
  QDialog* found = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible() && d->windowTitle() == "Find") {
      EXPECT_EQ(found, nullptr) << "one find window only";
      found = d;
    }
  return found;
}

QPushButton* Button(QDialog* Dialog, const QString& Text) {
  for (QPushButton* b : Dialog->findChildren<QPushButton*>())
    if (b->text() == Text) return b;
  return nullptr;
}

} // namespace

TEST_F(DialogsTest, FileDialogsTakeTheQueuedResults) {
  TOpenDialog open(nullptr);
  TSaveDialog save(nullptr);
  open.SetFileName("/old.ini");

  Seams::QueueDialogResult(true, "/etc/a.ini");
  Seams::QueueDialogResult(false, "/etc/ignored.ini");
  Seams::QueueDialogResult(true, "/tmp/b.ini");
  EXPECT_TRUE(open.Execute());
  EXPECT_EQ(open.FileName(), "/etc/a.ini");
  EXPECT_FALSE(open.Execute());
  EXPECT_EQ(open.FileName(), "/etc/a.ini") << "cancel keeps the file name";
  EXPECT_TRUE(save.Execute());
  EXPECT_EQ(save.FileName(), "/tmp/b.ini");

  EXPECT_FALSE(open.Execute()) << "nothing queued: cancelled";
  EXPECT_FALSE(save.Execute());
  EXPECT_EQ(open.FileName(), "/etc/a.ini");
  EXPECT_EQ(save.FileName(), "/tmp/b.ini");
}

TEST_F(DialogsTest, FilterPairsBecomeNameFilters) {
  EXPECT_EQ(FilterToNameFilters("All files (*.*)|*.*"), std::vector<String>{"All files (*.*) (*)"});
  EXPECT_EQ(FilterToNameFilters("Settings|*.ini; *.inf|Text files|*.txt"),
            (std::vector<String>{"Settings (*.ini *.inf)", "Text files (*.txt)"}));
  EXPECT_EQ(FilterToNameFilters("Empty|;|INI|*.ini|Dangling"), std::vector<String>{"INI (*.ini)"});
}

TEST_F(DialogsTest, FindDialogFiresOnFindWithItsText) {
  TFindDialog find(nullptr);
  std::vector<String> found;
  find.SetOnFind([&](TObject* Sender) {
    EXPECT_EQ(Sender, &find);
    found.push_back(static_cast<TFindDialog*>(Sender)->FindText());
  });
  find.SetFindText("mini");
  find.FindNext();
  EXPECT_EQ(found, std::vector<String>{"mini"});

  ASSERT_TRUE(find.Execute());
  QDialog* window = ShownFindWindow();
  ASSERT_NE(window, nullptr);
  auto* edit = window->findChild<QLineEdit*>();
  EXPECT_EQ(edit->text(), "mini");
  edit->setText("Section");
  QPushButton* next = Button(window, "&Find Next");
  ASSERT_NE(next, nullptr);
  next->click();
  next->click();
  EXPECT_EQ(found, (std::vector<String>{"mini", "Section", "Section"}));
  EXPECT_EQ(find.FindText(), "Section");

  edit->clear();
  EXPECT_FALSE(next->isEnabled()) << "nothing to find";

  // A second Execute brings back the same window with the text set meanwhile.
  find.CloseDialog();
  EXPECT_EQ(ShownFindWindow(), nullptr);
  find.SetFindText("again");
  find.Execute();
  EXPECT_EQ(ShownFindWindow(), window);
  EXPECT_EQ(edit->text(), "again");
  find.CloseDialog();

  String umlauts;
  for (int i = 0; i < 300; ++i)
    umlauts += "\u00e4";
  find.SetFindText(umlauts);
  EXPECT_EQ(find.FindText(), umlauts.substr(0, 255 * 2)) << "at most 255 characters, not bytes";
}

TEST_F(DialogsTest, DescriptionsSetTheDialogsProperties) {
  TComponent root(nullptr);
  ReadFormDescription(&root,
                      "object Root: TComponent\n"
                      "  object OpenDialog: TOpenDialog\n"
                      "    FileEditStyle = fsEdit\n"
                      "    Filter = 'All files (*.*)|*.*'\n"
                      "  end\n"
                      "  object SaveDialog: TSaveDialog\n"
                      "    FileEditStyle = fsComboBox\n"
                      "  end\n"
                      "  object PrinterSetupDialog1: TPrinterSetupDialog\n"
                      "  end\n"
                      "  object FTD: TFindDialog\n"
                      "    Options = []\n"
                      "  end\n"
                      "end\n",
                      "Test.form");
  auto* open = dynamic_cast<TOpenDialog*>(root.FindComponent("OpenDialog"));
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open->Filter(), "All files (*.*)|*.*");
  auto* save = dynamic_cast<TSaveDialog*>(root.FindComponent("SaveDialog"));
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(save->FileEditStyle(), fsComboBox);
  EXPECT_NE(dynamic_cast<TPrinterSetupDialog*>(root.FindComponent("PrinterSetupDialog1")), nullptr);
  auto* find = dynamic_cast<TFindDialog*>(root.FindComponent("FTD"));
  ASSERT_NE(find, nullptr);
  EXPECT_TRUE(find->Options().empty());
}

TEST_F(DialogsTest, FindTextIsCutBetweenCharactersNotInsideOne) {
  TFindDialog find(nullptr);
  // 254 letters and a character that takes two of the 255 places, the second past the limit.
  String text = String(254, 'a') + "\xF0\x9D\x84\x9E";
  find.SetFindText(text);
  EXPECT_EQ(find.FindText(), String(254, 'a'));
  find.SetFindText(String(253, 'a') + "\xF0\x9D\x84\x9E");
  EXPECT_EQ(find.FindText(), String(253, 'a') + "\xF0\x9D\x84\x9E");
}

TEST_F(DialogsTest, TheFindDialogsOptionsAreTheBoxesTheUserTicks) {
  TFindDialog find(nullptr);
  EXPECT_EQ(find.Options(), TFindOptions{frDown}) << "down at first";
  find.SetOptions({frMatchCase});
  find.Execute();
  QDialog* window = ShownFindWindow();
  ASSERT_NE(window, nullptr);
  std::map<QString, QAbstractButton*> boxes;
  for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
    boxes[b->text()] = b;
  ASSERT_TRUE(boxes.count("Match &case") && boxes.count("&Whole word") && boxes.count("&Up") && boxes.count("&Down"));
  EXPECT_TRUE(boxes["Match &case"]->isChecked());
  EXPECT_TRUE(boxes["&Up"]->isChecked());
  boxes["Match &case"]->click();
  boxes["&Whole word"]->click();
  boxes["&Down"]->click();
  TFindOptions seen;
  find.SetOnFind([&](TObject*) { seen = find.Options(); });
  find.SetFindText("x");
  Button(window, "&Find Next")->click();
  EXPECT_EQ(seen, (TFindOptions{frDown, frFindNext, frWholeWord}));
  find.CloseDialog();
}

TEST_F(DialogsTest, TheReplaceDialogSaysWhichOfItsButtonsWasPressed) {
  TReplaceDialog replace(nullptr);
  std::vector<std::pair<String, TFindOptions>> fired;
  replace.SetOnFind([&](TObject*) { fired.emplace_back("find", replace.Options()); });
  replace.SetOnReplace([&](TObject*) { fired.emplace_back(replace.ReplaceText(), replace.Options()); });
  replace.Execute();
  QDialog* window = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible() && d->windowTitle() == "Replace") window = d;
  ASSERT_NE(window, nullptr);
  QList<QLineEdit*> edits = window->findChildren<QLineEdit*>();
  ASSERT_EQ(edits.size(), 2);
  for (const char* name : {"&Find Next", "&Replace", "Replace &All"})
    EXPECT_FALSE(Button(window, name)->isEnabled()) << name << " with nothing to find";
  EXPECT_NE(Button(window, "Close"), nullptr);
  edits[0]->setText("old");
  edits[1]->setText("new");
  Button(window, "&Replace")->click();
  Button(window, "Replace &All")->click();
  Button(window, "&Find Next")->click();
  ASSERT_EQ(fired.size(), 3u);
  EXPECT_EQ(fired[0], std::make_pair(String("new"), TFindOptions{frDown, frHideUpDown, frReplace}));
  EXPECT_EQ(fired[1], std::make_pair(String("new"), TFindOptions{frDown, frHideUpDown, frReplaceAll}));
  EXPECT_EQ(fired[2], std::make_pair(String("find"), TFindOptions{frDown, frHideUpDown, frFindNext}));
  EXPECT_EQ(replace.FindText(), "old");
  replace.CloseDialog();
}
