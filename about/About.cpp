#include "about/About.h"

#include "framework/TypInfo.h"

TAboutBox::TAboutBox(TComponent* AOwner) : TForm(AOwner, TNoDescription{}) { ReadDescription("TAboutBox"); }

void RegisterAboutBoxClasses() {
  static const bool done = [] {
    RegisterFormsClasses();
    RegisterExtCtrlsClasses();
    RegisterStdCtrlsClasses();
    TClassRegistration<TAboutBox>("TAboutBox", "TForm")
        .FIELD(TAboutBox, Panel1)
        .FIELD(TAboutBox, ProgramIcon)
        .FIELD(TAboutBox, ProductName)
        .FIELD(TAboutBox, Version)
        .FIELD(TAboutBox, Copyright)
        .FIELD(TAboutBox, Comment)
        .FIELD(TAboutBox, OKButton);
    return true;
  }();
  (void)done;
}
