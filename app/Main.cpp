#include "app/Main.h"

#include "framework/TypInfo.h"

TMainForm* MainForm = nullptr;

TMainForm::TMainForm(TComponent* AOwner) : TForm(AOwner, TNoDescription{}) { ReadDescription("TMainForm"); }

void RegisterMainFormClasses() {
  static const bool done = [] {
    RegisterFormsClasses();
    TClassRegistration<TMainForm>("TMainForm", "TForm");
    return true;
  }();
  (void)done;
}
