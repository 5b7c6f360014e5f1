#include "about/About.h"

#include "framework/TypInfo.h"

TAboutBox::TAboutBox(TComponent* AOwner) : TForm(AOwner, TNoDescription{}) { ReadDescription("TAboutBox"); }

void RegisterAboutBoxClasses() {
  static const bool done = [] {
    RegisterFormsClasses();
    RegisterExtCtrlsClasses();
    RegisterStdCtrlsClasses();
    TClassRegistration<TAboutBox>("TAboutBox", "TForm")
        .Field("Panel1", &TAboutBox::Panel1)
        .Field("ProgramIcon", &TAboutBox::ProgramIcon)
        .Field("ProductName", &TAboutBox::ProductName)
        .Field("Version", &TAboutBox::Version)
        .Field("Copyright", &TAboutBox::Copyright)
        .Field("Comment", &TAboutBox::Comment)
        .Field("OKButton", &TAboutBox::OKButton);
    return true;
  }();
  (void)done;
}
