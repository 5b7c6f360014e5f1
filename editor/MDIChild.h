#pragma once
// The plain MDI child window every editor window is made from.

#include "framework/Forms.h"

class TMDIChild : public TForm {
public:
  explicit TMDIChild(TComponent* AOwner);
  // Whenever a child window closes, it is destroyed.
  void FormClose(TObject* Sender, TCloseAction& Action);

protected:
  TMDIChild(TComponent* AOwner, TNoDescription);
};

void RegisterMDIChildClasses();
