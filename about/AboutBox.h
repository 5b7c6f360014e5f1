#pragma once
// The about dialog: the product's banner, name, version, copyright line and comment, and
// an OK button.

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

class TAboutBox : public TForm {
public:
  explicit TAboutBox(TComponent* AOwner);

  TPanel* Panel1 = nullptr;
  TImage* ProgramIcon = nullptr;
  TLabel* ProductName = nullptr;
  TLabel* Version = nullptr;
  TLabel* Copyright = nullptr;
  TLabel* Comment = nullptr;
  TButton* OKButton = nullptr;
};

// Registers the dialog's class and the classes of its components.
void RegisterAboutBoxClasses();
