#include "editor/MDIChild.h"

#include "framework/TypInfo.h"

TMDIChild::TMDIChild(TComponent* AOwner) : TForm(AOwner, TNoDescription{}) { ReadDescription("TMDIChild"); }

TMDIChild::TMDIChild(TComponent* AOwner, TNoDescription) : TForm(AOwner, TNoDescription{}) {}

void TMDIChild::FormClose(TObject*, TCloseAction& Action) { Action = caFree; }

void RegisterMDIChildClasses() {
  static const bool done = [] {
    RegisterFormsClasses();
    TClassRegistration<TMDIChild>("TMDIChild", "TForm").Handler(PUBLISHED(TMDIChild, FormClose));
    return true;
  }();
  (void)done;
}
