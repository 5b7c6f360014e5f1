#include "about/AboutBox.h"

#include "framework/TypInfo.h"

TAboutBox::TAboutBox(TComponent* AOwner) : TForm(AOwner, TNoDescription{}) { ReadDescription("TAboutBox"); }

void RegisterAboutBoxClasses() {
  static const bool done = [] {
    RegisterFormsClasses();
    RegisterExtCtrlsClasses();
    RegisterStdCtrlsClasses();
    TClassRegistration<TAboutBox>("TAboutBox", "TForm")
        .Field(PUBLISHED(TAboutBox, Panel1))
        .Field(PUBLISHED(TAboutBox, ProgramIcon))
        .Field(PUBLISHED(TAboutBox, ProductName))
        .Field(PUBLISHED(TAboutBox, Version))
        .Field(PUBLISHED(TAboutBox, Copyright))
        .Field(PUBLISHED(TAboutBox, Comment))
        .Field(PUBLISHED(TAboutBox, OKButton));
    return true;
  }();
  (void)done;
}
