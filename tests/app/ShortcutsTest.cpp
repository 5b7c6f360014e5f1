#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <map>
#include <set>

#include "tests/app/MainFormTestSupport.h"

namespace {

// The letter after the caption's "&", or 0.
QChar Mnemonic(const QString& Caption) {
  for (qsizetype i = 0; i + 1 < Caption.size(); ++i)
    if (Caption[i] == QLatin1Char('&')) {
      if (Caption[i + 1] != QLatin1Char('&')) return Caption[i + 1].toLower();
      ++i;
    }
  return QChar();
}

// Checks the menu bar as it stands: each entry of the bar and each item of each of its menus
// has a mnemonic no other in its menu has, and no two items share a key. The window list's
// entries, numbered, are not the program's items. Returns the keys and their items.
std::map<QString, QString> CheckMenuBar() {
  std::map<QString, QString> keys;
  std::set<QChar> entries;
  for (QAction* top : MainForm->Widget()->findChild<QMenuBar*>()->actions()) {
    if (!top->isVisible()) continue;
    EXPECT_TRUE(entries.insert(Mnemonic(top->text())).second) << top->text().toStdString();
    std::set<QChar> letters;
    for (QAction* a : top->menu()->actions()) {
      if (a->isSeparator() || a->parent() == top->menu() || !a->isVisible()) continue;
      const QChar letter = Mnemonic(a->text());
      EXPECT_FALSE(letter.isNull()) << a->text().toStdString() << " has no mnemonic";
      EXPECT_TRUE(letters.insert(letter).second) << a->text().toStdString() << " shares its mnemonic";
      if (a->shortcut().isEmpty()) continue;
      const QString key = a->shortcut().toString(QKeySequence::PortableText);
      EXPECT_TRUE(keys.emplace(key, a->text()).second) << key.toStdString() << " twice";
    }
  }
  return keys;
}

void Press(int Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
  QWidget* to = QApplication::focusWidget() ? QApplication::focusWidget() : MainForm->Widget();
  QKeyEvent press(QEvent::KeyPress, Key, Modifiers);
  QCoreApplication::sendEvent(to, &press);
}

} // namespace

TEST_F(MainFormTest, EveryItemHasAMnemonicOfItsOwnAndTheExpectedKeysNoneOfThemTwice) {
  std::map<QString, QString> alone = CheckMenuBar();
  EXPECT_EQ(alone["Ctrl+O"], "&Open");
  EXPECT_EQ(alone["Ctrl+Q"], "E&xit");
  EXPECT_EQ(alone["Ctrl+A"], "&Select all");
  EXPECT_EQ(alone["Ctrl+S"], "&Save");
  EXPECT_EQ(alone["Ctrl+Shift+S"], "Save &As...");
  // An editor window merges its menus in; the window list then has an entry too.
  Open(WriteFile("a.ini", "key=1\r\n"));
  Open(WriteFile("b.ini", "key=2\r\n"));
  std::map<QString, QString> merged = CheckMenuBar();
  const std::map<QString, QString> expected = {
      {"Ctrl+S", "&Save"},  {"Ctrl+Shift+S", "Save &As"},   {"Ctrl+P", "&Print"},      {"Ctrl+F", "&Text"},
      {"F3", "Find &Next"}, {"Shift+F3", "Find &Previous"}, {"Ctrl+H", "&Replace..."}, {"Ctrl+A", "&Select all"}};
  for (const auto& [key, item] : expected)
    EXPECT_EQ(merged[key], item) << key.toStdString();
  EXPECT_EQ(MainForm->CloseAll1->Caption(), "C&lose All");
}

TEST_F(MainFormTest, TheKeysChooseTheirCommandsInTheActiveWindow) {
  MainForm->Widget()->activateWindow();
  ASSERT_TRUE(WaitUntil([] { return QApplication::activeWindow() == MainForm->Widget(); }));
  String path = WriteFile("keys.ini", "key=1\r\nkey=2\r\n");
  Seams::QueueDialogResult(true, path);
  Press(Qt::Key_O, Qt::ControlModifier);
  auto* editor = dynamic_cast<TEditForm*>(MainForm->ActiveMDIChild());
  ASSERT_NE(editor, nullptr) << "Ctrl+O opened the file";
  editor->RE1->SetFocus();
  Settle();
  editor->FTD->SetFindText("KEY");
  editor->FTD->FindNext();
  Press(Qt::Key_F3);
  EXPECT_EQ(editor->RE1->SelStart(), 6);
  Press(Qt::Key_F3, Qt::ShiftModifier);
  EXPECT_EQ(editor->RE1->SelStart(), 0);
  editor->RE1->SetSelText("changed");
  Press(Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(ReadFile(path), "changed=1\r\nkey=2\r\n");
  EXPECT_FALSE(editor->GetModified());
  Press(Qt::Key_H, Qt::ControlModifier);
  bool replaceShown = false;
  for (QWidget* w : QApplication::topLevelWidgets())
    replaceShown |= w->isVisible() && w->windowTitle() == "Replace";
  EXPECT_TRUE(replaceShown);
}
