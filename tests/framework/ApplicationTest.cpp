#include <gtest/gtest.h>

#include <QPushButton>
#include <QTimer>

#include "framework/Forms.h"
#include "framework/Registration.h"
#include "framework/StdCtrls.h"
#include "platform/QtWindow.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WindowHook.h"

TEST(ApplicationTest, HandleExceptionShowsTheMessageWithAFullStopUnderTheTitle) {
  try {
    throw EFOpenError("/tmp/x.ini");
  } catch (...) {
    Application->HandleException(nullptr);
  }
  try {
    throw Exception("Ends with a stop.");
  } catch (...) {
    Application->HandleException(nullptr);
  }
  ASSERT_EQ(Seams::MessageBoxes().size(), 2u);
  EXPECT_EQ(Seams::MessageBoxes()[0].Text, "Cannot open file /tmp/x.ini.");
  EXPECT_EQ(Seams::MessageBoxes()[0].Caption, "Tabrix");
  EXPECT_EQ(Seams::MessageBoxes()[0].Type, MB_OK | MB_ICONSTOP);
  EXPECT_EQ(Seams::MessageBoxes()[1].Text, "Ends with a stop.");
}

TEST(ApplicationTest, AnExceptionFromAQtEntryIsShownAndTheLoopGoesOn) {
  RegisterFrameworkClasses();
  TButton button(nullptr);
  int clicks = 0;
  button.SetOnClick([&](TObject*) {
    ++clicks;
    throw Exception("Refused");
  });
  auto* widget = static_cast<QPushButton*>(button.Widget());
  widget->click();
  widget->click();
  EXPECT_EQ(clicks, 2);
  ASSERT_EQ(Seams::MessageBoxes().size(), 2u);
  EXPECT_EQ(Seams::MessageBoxes()[1].Text, "Refused.");
}

TEST(ApplicationTest, HintChangesAreReportedOnlyWhenTheTextChanges) {
  std::vector<String> seen;
  Application->SetOnHint([&](TObject*) { seen.push_back(Application->Hint()); });
  Application->SetHint("Open a file");
  Application->SetHint("Open a file");
  Application->SetHint("");
  Application->SetHint("");
  Application->SetOnHint(nullptr);
  EXPECT_EQ(seen, (std::vector<String>{"Open a file", ""}));
}

TEST(ApplicationTest, ProcessMessagesNestedInAHandlerDeliversEverythingPending) {
  RegisterFrameworkClasses();
  TListBox box(nullptr);
  std::vector<String> order;
  TWindowHook hook(box.Handle(), [&](TMessage& M) {
    if (M.Msg < WM_USER) return false;
    order.push_back("msg" + std::to_string(M.Msg - WM_USER));
    if (M.Msg == WM_USER + 1) {
      // Inside a handler: the messages posted after this one arrive before it returns.
      PostMessageA(box.Handle(), WM_USER + 3, 0, 0);
      Application->ProcessMessages();
      order.push_back("back in 1");
    }
    return true;
  });
  PostMessageA(box.Handle(), WM_USER + 1, 0, 0);
  PostMessageA(box.Handle(), WM_USER + 2, 0, 0);
  Application->ProcessMessages();
  EXPECT_EQ(order, (std::vector<String>{"msg1", "msg2", "msg3", "back in 1"}));
}

TEST(ApplicationTest, TerminateEndsTheMessageLoopAfterTheNestedWorkReturns) {
  RegisterFrameworkClasses();
  std::vector<String> order;
  QTimer::singleShot(0, [&] {
    order.push_back("handler starts");
    Application->Terminate();
    Application->ProcessMessages();
    order.push_back("handler ends");
  });
  Application->Run();
  order.push_back("loop left");
  EXPECT_TRUE(Application->Terminated());
  EXPECT_EQ(order, (std::vector<String>{"handler starts", "handler ends", "loop left"}));
}

TEST(FormTest, AReleasedFormStaysUntilTheLoopAndGoesOnlyOnceWhenItsOwnerGoesFirst) {
  RegisterFrameworkClasses();
  auto* owner = new TComponent(nullptr);
  auto* form = new TForm(owner);
  form->Release();
  EXPECT_EQ(owner->ComponentCount(), 1);
  delete owner;
  FlushReleasedForms();

  auto* kept = new TComponent(nullptr);
  new TForm(kept);
  static_cast<TForm*>(kept->Components(0))->Release();
  FlushReleasedForms();
  EXPECT_EQ(kept->ComponentCount(), 0);
  delete kept;
}

namespace {

// A form whose destruction handler needs the parts of the form that derive from TForm.
class TRecordingForm : public TForm {
public:
  explicit TRecordingForm(TComponent* AOwner, std::vector<String>& Log) : TForm(AOwner), FLog(Log) {
    SetOnDestroy([this](TObject*) { FLog.push_back(Describe()); });
  }
  virtual String Describe() const { return "whole form " + FName; }

private:
  std::vector<String>& FLog;
  String FName = "recorder";
};

} // namespace

TEST(FormTest, OnDestroyRunsWhileTheWholeFormStillExists) {
  RegisterFrameworkClasses();
  std::vector<String> log;
  auto* owner = new TComponent(nullptr);
  new TRecordingForm(owner, log);
  (new TRecordingForm(owner, log))->Release();
  FlushReleasedForms();
  EXPECT_EQ(log, (std::vector<String>{"whole form recorder"}));
  owner->Free();
  EXPECT_EQ(log, (std::vector<String>{"whole form recorder", "whole form recorder"}));
}

TEST(FormTest, AnMdiChildThatOutlivesItsFrameKeepsItsWindow) {
  RegisterFrameworkClasses();
  ASSERT_EQ(Application->MainForm(), nullptr);
  TForm* frame = nullptr;
  Application->CreateForm(frame);
  frame->SetFormStyle(fsMDIForm);
  auto* keeper = new TComponent(nullptr);
  auto* child = new TForm(keeper);
  child->SetFormStyle(fsMDIChild);
  child->Show();
  ASSERT_EQ(frame->MDIChildCount(), 1);
  frame->Free();
  // The child's window survived its frame, and goes with the child.
  ASSERT_NE(child->Widget(), nullptr);
  EXPECT_EQ(child->Widget()->window()->parentWidget(), nullptr);
  keeper->Free();
}
