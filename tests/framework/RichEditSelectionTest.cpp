#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextCursor>

#include "framework/ComCtrls.h"
#include "framework/Registration.h"
#include "tests/support/TestSupport.h"

namespace {

class RichEditSelectionTest : public testing::Test {
protected:
  void SetUp() override {
    RegisterFrameworkClasses();
    Edit = std::make_unique<TRichEdit>(nullptr);
  }
  QPlainTextEdit* Widget() const { return static_cast<QPlainTextEdit*>(Edit->Widget()); }
  void Select(int Start, int Length) {
    Edit->SetSelStart(Start);
    Edit->SetSelLength(Length);
  }

  std::unique_ptr<TRichEdit> Edit;
};

} // namespace

TEST_F(RichEditSelectionTest, TheSelectionSetIsReadBackAtOnceAndShownByTheWidget) {
  Edit->SetText("alpha\nbeta\n");
  Select(3, 4);
  EXPECT_EQ(Edit->SelStart(), 3);
  EXPECT_EQ(Edit->SelLength(), 4);
  EXPECT_EQ(Edit->SelText(), "ha\nb");
  Application->ProcessMessages();
  QTextCursor shown = Widget()->textCursor();
  EXPECT_EQ(shown.selectionStart(), 3);
  EXPECT_EQ(shown.selectionEnd(), 7);
  EXPECT_EQ(shown.position(), 7) << "the caret at the end of the selection";

  // A negative length selects backwards from the start.
  Select(3, -2);
  EXPECT_EQ(Edit->SelStart(), 1);
  EXPECT_EQ(Edit->SelLength(), 2);
  // What the user selects from a caret just set is read back as well.
  Edit->SetSelStart(6);
  for (int i = 0; i < 4; ++i) {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Right, Qt::ShiftModifier);
    QCoreApplication::sendEvent(Widget(), &key);
  }
  EXPECT_EQ(Edit->SelText(), "beta");
}

TEST_F(RichEditSelectionTest, InputAndClipboardCommandsActOnTheSelectionJustSet) {
  Edit->SetText("abcdef");
  Select(2, 2);
  QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "X");
  QCoreApplication::sendEvent(Widget(), &key);
  EXPECT_EQ(Edit->Text(), "abXef");

  Select(0, 2);
  Edit->CutToClipboard();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "ab");
  EXPECT_EQ(Edit->Text(), "Xef");
  Select(1, 1);
  Edit->SetSelText("123");
  EXPECT_EQ(Edit->Text(), "X123f");
  EXPECT_EQ(Edit->SelStart(), 4);
  Edit->SelectAll();
  EXPECT_EQ(Edit->SelLength(), 5);
}

TEST_F(RichEditSelectionTest, EditingTheLinesKeepsTheSelectionOnItsText) {
  Edit->SetText("one\ntwo\n");
  Select(4, 3);
  Edit->Lines()->Insert(0, "zero");
  EXPECT_EQ(Edit->SelText(), "two");
  EXPECT_EQ(Edit->SelStart(), 9);

  Select(2, 0);
  Edit->SetText("new text");
  EXPECT_EQ(Edit->SelStart(), 0) << "a new text starts with the caret at its start";
  Application->ProcessMessages();
  EXPECT_EQ(Widget()->textCursor().position(), 0);
}

TEST_F(RichEditSelectionTest, PositionsAndLengthsCountCharactersAsTheControlDoes) {
  // A letter of two bytes and one outside the Basic Multilingual Plane, which counts two.
  Edit->SetText("\xC3\xA9\xF0\x9D\x84\x9E"
                "b\nc");
  EXPECT_EQ(Edit->GetTextLen(), 6);
  EXPECT_EQ(TRichEdit::LengthOf("\xC3\xA9\xF0\x9D\x84\x9E"), 3);
  EXPECT_EQ(TRichEdit::LengthOf("a\nb"), 3);
  EXPECT_EQ(Edit->FindText("B", 0, Edit->GetTextLen()), 3);
  EXPECT_EQ(Edit->FindText("b\nC", 0, Edit->GetTextLen()), 3);
  Select(1, 2);
  EXPECT_EQ(Edit->SelText(), "\xF0\x9D\x84\x9E");
}

TEST_F(RichEditSelectionTest, AControlMayGoWhileASelectionWaitsForItsWidget) {
  Edit->SetText("abc");
  Select(1, 1);
  Edit.reset();
  Application->ProcessMessages();
}
