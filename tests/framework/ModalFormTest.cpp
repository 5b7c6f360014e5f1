#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "framework/Forms.h"
#include "framework/Registration.h"
#include "framework/StdCtrls.h"
#include "tests/support/TestSupport.h"

namespace {

// A dialog with an OK button (the default, modal result mrOk) and a plain button.
class ModalFormTest : public testing::Test {
protected:
  void SetUp() override {
    RegisterFrameworkClasses();
    Form = new TForm(Application);
    Form->SetBorderStyle(bsDialog);
    Ok = new TButton(Form);
    Ok->SetParent(Form);
    Ok->SetDefault(true);
    Ok->SetModalResult(mrOk);
    Other = new TButton(Form);
    Other->SetParent(Form);
    Other->SetBounds(0, 40, 75, 25);
  }
  void TearDown() override { Form->Free(); }

  // Runs Act once the form's modal run has started.
  static void WhileModal(std::function<void()> Act) { QTimer::singleShot(0, std::move(Act)); }

  static void PressEnter(QWidget* Target) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QCoreApplication::sendEvent(Target, &press);
  }

  static void Click(TButton* Button) { static_cast<QPushButton*>(Button->Widget())->click(); }

  TForm* Form = nullptr;
  TButton* Ok = nullptr;
  TButton* Other = nullptr;
};

} // namespace

TEST_F(ModalFormTest, AButtonWithAModalResultEndsTheRunWithIt) {
  int otherClicks = 0;
  Other->SetOnClick([&](TObject*) { ++otherClicks; });
  bool wasModal = false;
  WhileModal([&] {
    wasModal = QApplication::activeModalWidget() == Form->Widget() && Form->Widget()->isVisible();
    // A button without a modal result leaves the run going.
    Click(Other);
    WhileModal([&] { Click(Ok); });
  });
  EXPECT_EQ(Form->ShowModal(), mrOk);
  EXPECT_TRUE(wasModal);
  EXPECT_EQ(otherClicks, 1);
  EXPECT_FALSE(Form->Widget()->isVisible());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  // The form can run again.
  WhileModal([&] { Click(Ok); });
  EXPECT_EQ(Form->ShowModal(), mrOk);
}

TEST_F(ModalFormTest, TheCloseBoxEndsTheRunWithCancelOnceTheFormAgrees) {
  int asked = 0;
  Form->SetOnCloseQuery([&](TObject*, bool& CanClose) { CanClose = ++asked > 1; });
  WhileModal([&] {
    Form->Widget()->close();
    // Refused: the form is still up and modal.
    WhileModal([&] {
      EXPECT_TRUE(Form->Widget()->isVisible());
      EXPECT_EQ(Form->ModalResult(), mrNone);
      Form->Widget()->close();
    });
  });
  EXPECT_EQ(Form->ShowModal(), mrCancel);
  EXPECT_EQ(asked, 2);
}

TEST_F(ModalFormTest, AFailingCloseHandlerIsShownAndTheFormStays) {
  bool fail = true;
  Form->SetOnClose([&](TObject*, TCloseAction&) {
    if (std::exchange(fail, false)) throw Exception("Not now");
  });
  WhileModal([&] {
    Click(Ok);
    WhileModal([&] { Click(Ok); });
  });
  EXPECT_EQ(Form->ShowModal(), mrOk);
  ASSERT_EQ(Seams::MessageBoxes().size(), 1u);
  EXPECT_EQ(Seams::MessageBoxes()[0].Text, "Not now.");
}

TEST_F(ModalFormTest, EnterPressesTheFocusedButtonElseTheDefaultOne) {
  int otherClicks = 0;
  Other->SetOnClick([&](TObject*) { ++otherClicks; });
  WhileModal([&] {
    Other->Widget()->setFocus();
    PressEnter(Other->Widget());
    EXPECT_EQ(Form->ModalResult(), mrNone);
    Other->Widget()->clearFocus();
    PressEnter(Form->Widget());
  });
  EXPECT_EQ(Form->ShowModal(), mrOk);
  EXPECT_EQ(otherClicks, 1);
}

TEST_F(ModalFormTest, TerminatingTheApplicationEndsTheRunWithCancel) {
  WhileModal([] { Application->Terminate(); });
  EXPECT_EQ(Form->ShowModal(), mrCancel);
}

TEST_F(ModalFormTest, AFormAlreadyShownCannotBeMadeModal) {
  Form->Show();
  EXPECT_THROW(Form->ShowModal(), EInvalidOperation);
  EXPECT_TRUE(Form->Widget()->isVisible());
  EXPECT_EQ(Form->Widget()->windowModality(), Qt::NonModal);
}

TEST_F(ModalFormTest, ADialogsFrameKeepsItsSizeAndTheClientSizeHoldsBeforeItShows) {
  Form->SetClientWidth(361);
  Form->SetClientHeight(185);
  EXPECT_EQ(Form->ClientWidth(), 361);
  EXPECT_EQ(Form->ClientHeight(), 185);
  EXPECT_EQ(Form->Widget()->minimumSize(), QSize(361, 185));
  EXPECT_EQ(Form->Widget()->maximumSize(), QSize(361, 185));
  Form->SetPosition(poScreenCenter);
  Form->Show();
  EXPECT_EQ(Form->ClientWidget()->size(), QSize(361, 185));
  // Back to a sizeable frame, the window may be resized again.
  Form->SetBorderStyle(bsSizeable);
  Form->SetBounds(0, 0, 400, 300);
  EXPECT_EQ(Form->Widget()->size(), QSize(400, 300));
  EXPECT_NE(Form->Widget()->maximumSize(), QSize(400, 300));
}

TEST_F(ModalFormTest, TheClientAreaLeavesOutTheMenuBarBeforeAndAfterTheFormShows) {
  auto* menu = new TMainMenu(Form);
  auto* item = new TMenuItem(Form);
  item->SetCaption("&File");
  menu->Items()->Add(item);
  Form->SetMenu(menu);
  Form->SetClientHeight(185);
  EXPECT_EQ(Form->ClientHeight(), 185);
  EXPECT_GT(Form->Widget()->height(), 185);
  Form->Show();
  EXPECT_EQ(Form->ClientWidget()->height(), 185);
  EXPECT_EQ(Form->ClientHeight(), 185);
}

TEST_F(ModalFormTest, AButtonsModalResultNeedsAForm) {
  TButton loose(nullptr);
  loose.SetModalResult(mrOk);
  int clicks = 0;
  loose.SetOnClick([&](TObject*) { ++clicks; });
  Click(&loose);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(GetParentForm(Ok), Form);
  EXPECT_EQ(GetParentForm(&loose), nullptr);
}
