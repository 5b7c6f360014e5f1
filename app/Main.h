#pragma once
// The program's main window: the MDI frame with its tool panel, file list and status line.

#include "framework/Forms.h"

class TMainForm : public TForm {
public:
  explicit TMainForm(TComponent* AOwner);
};

extern TMainForm* MainForm;

// Registers the main window's class and every class its description uses.
void RegisterMainFormClasses();
