#include "framework/Registration.h"

#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/FileCtrl.h"
#include "framework/Forms.h"
#include "framework/GraphicControl.h"
#include "framework/Outline.h"
#include "framework/StdCtrls.h"

void RegisterFrameworkClasses() {
  RegisterFormsClasses();
  RegisterStdCtrlsClasses();
  RegisterExtCtrlsClasses();
  RegisterButtonsClasses();
  RegisterFileCtrlClasses();
  RegisterComCtrlsClasses();
  RegisterDialogsClasses();
  RegisterGraphicControlClasses();
  RegisterOutlineClasses();
}
