#include "app/Main.h"
#include "framework/Forms.h"

int main(int argc, char** argv) {
  TApplication application(argc, argv);
  Application->Initialize();
  Application->SetTitle("Tabrix");
  RegisterMainFormClasses();
  Application->CreateForm(MainForm);
  Application->Run();
  return Application->MainForm() ? 0 : 1;
}
