#include <gtest/gtest.h>

#include <QPushButton>
#include <QTimer>

#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "platform/QtWindow.h"
#include "tests/support/TestSupport.h"

TEST(ApplicationTest, HandleExceptionShowsTheMessageWithAFullStopUnderTheTitle) {
  Seams::Reset();
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
  Seams::Reset();
  RegisterStdCtrlsClasses();
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
  RegisterStdCtrlsClasses();
  TListBox box(nullptr);
  std::vector<String> order;
  auto proc = MakeWindowProc([&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m >= WM_USER) {
      order.push_back("msg" + std::to_string(m - WM_USER));
      if (m == WM_USER + 1) {
        // Inside a handler: the messages posted after this one arrive before it returns.
        PostMessageA(h, WM_USER + 3, 0, 0);
        Application->ProcessMessages();
        order.push_back("back in 1");
      }
      return 0;
    }
    return DefWindowProcA(h, m, w, l);
  });
  LONG_PTR old = SetWindowLongA(box.Handle(), GWL_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
  PostMessageA(box.Handle(), WM_USER + 1, 0, 0);
  PostMessageA(box.Handle(), WM_USER + 2, 0, 0);
  Application->ProcessMessages();
  EXPECT_EQ(order, (std::vector<String>{"msg1", "msg2", "msg3", "back in 1"}));
  SetWindowLongA(box.Handle(), GWL_WNDPROC, old);
  FreeObjectInstance(proc);
}

TEST(ApplicationTest, TerminateEndsTheMessageLoopAfterTheNestedWorkReturns) {
  RegisterFormsClasses();
  Seams::ClearTerminated();
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
  RegisterFormsClasses();
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
