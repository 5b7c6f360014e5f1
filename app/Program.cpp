#include "app/MainForm.h"
#include "framework/Forms.h"

int main(int argc, char** argv) {
  const TCommandLine line = ReadCommandLine(argc, argv, TABRIX_VERSION);
  if (line.ExitCode >= 0) return line.ExitCode;
  // The command line is the program's own: the toolkit is given only the program's name.
  int toolkitArgc = 1;
  TApplication application(toolkitArgc, argv);
  // A program runs already: it takes the files, and this start ends.
  if (!line.NewWindow)
    if (const int status = Application->JoinRunningProgram(line.Files); status >= 0) return status;
  Application->Initialize();
  Application->SetTitle("Tabrix");
  RegisterMainFormClasses();
  Application->CreateForm(MainForm);
  if (MainForm) MainForm->OpenFiles(line.Files);
  Application->Run();
  return Application->MainForm() ? 0 : 1;
}
