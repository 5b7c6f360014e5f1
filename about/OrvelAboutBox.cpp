#include "about/OrvelAboutBox.h"

#include "about/AboutBox.h"
#include "framework/TypInfo.h"

bool TOrvelAboutBox::Execute() {
  auto* box = new TAboutBox(Application);
  bool result = false;
  try {
    if (FProductName.empty()) FProductName = Application->Title();
    box->ProductName->SetCaption(FProductName);
    box->Version->SetCaption(" Version " + FVersion);
    box->Copyright->SetCaption(FCopyright);
    box->Comment->SetCaption(FComments);
    box->SetCaption("About " + FProductName);
    result = box->ShowModal() == mrOk;
  } catch (...) {
    // An about box that cannot be shown is not worth a message.
    result = false;
  }
  box->Free();
  return result;
}

void RegisterOrvelAboutBox() {
  static const bool done = [] {
    RegisterAboutBoxClasses();
    TClassRegistration<TOrvelAboutBox>("TOrvelAboutBox", "TComponent")
        .Property("ProductName", &TOrvelAboutBox::ProductName, &TOrvelAboutBox::SetProductName)
        .Property("Version", &TOrvelAboutBox::Version, &TOrvelAboutBox::SetVersion)
        .Property("Copyright", &TOrvelAboutBox::Copyright, &TOrvelAboutBox::SetCopyright)
        .Property("Comments", &TOrvelAboutBox::Comments, &TOrvelAboutBox::SetComments);
    return true;
  }();
  (void)done;
}
