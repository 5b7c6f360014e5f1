#pragma once
// The program's main window: the MDI frame with its tool panel, file list and status line,
// and the commands that act on the editor windows.

#include <deque>
#include <vector>

#include "about/OrvelAbout.h"
#include "controls/MDIWallp.h"
#include "controls/ZLAdvLed.h"
#include "controls/longlist.h"
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/FileCtrl.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "scan/TreeScan.h"

class TEditForm;

class TMainForm : public TForm {
public:
  explicit TMainForm(TComponent* AOwner);

  TPanel* SpeedPanel = nullptr;
  TSpeedButton* OpenBtn = nullptr;
  TSpeedButton* SaveBtn = nullptr;
  TSpeedButton* CutBtn = nullptr;
  TSpeedButton* CopyBtn = nullptr;
  TSpeedButton* PasteBtn = nullptr;
  TSpeedButton* ExitBtn = nullptr;
  TCheckBox* IncludeINF = nullptr;
  TDriveComboBox* DS1 = nullptr;
  TButton* ScanButton = nullptr;
  TZLAdvLed* ScanLed = nullptr;
  TStatusBar* SB1 = nullptr;
  TLongListbox* LLB1 = nullptr;
  TMainMenu* MainMenu1 = nullptr;
  TMenuItem* File1 = nullptr;
  TMenuItem* FileOpenItem = nullptr;
  TMenuItem* FileCloseItem = nullptr;
  TMenuItem* FileSaveItem = nullptr;
  TMenuItem* FileSaveAsItem = nullptr;
  TMenuItem* N2 = nullptr;
  TMenuItem* FileExitItem = nullptr;
  TMenuItem* Edit1 = nullptr;
  TMenuItem* CutItem = nullptr;
  TMenuItem* CopyItem = nullptr;
  TMenuItem* PasteItem = nullptr;
  TMenuItem* Selectall1 = nullptr;
  TMenuItem* Window1 = nullptr;
  TMenuItem* WindowCascadeItem = nullptr;
  TMenuItem* WindowTileItem = nullptr;
  TMenuItem* WindowArrangeItem = nullptr;
  TMenuItem* WindowMinimizeItem = nullptr;
  TMenuItem* CloseAll1 = nullptr;
  TMenuItem* Help1 = nullptr;
  TMenuItem* HelpAboutItem = nullptr;
  TOpenDialog* OpenDialog = nullptr;
  TSaveDialog* SaveDialog = nullptr;
  TPrinterSetupDialog* PrinterSetupDialog1 = nullptr;
  TTreeScanner* TS1 = nullptr;
  TMDIWallpaper* MDIWallpaper1 = nullptr;
  TOrvelAboutBox* SAB1 = nullptr;

  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void UpdateMenuItems(TObject* Sender);
  void DisplayHint(TObject* Sender);
  void FileOpenItemClick(TObject* Sender);
  void FileCloseItemClick(TObject* Sender);
  void FileSaveItemClick(TObject* Sender);
  void FileSaveAsItemClick(TObject* Sender);
  void FileExitItemClick(TObject* Sender);
  void CutItemClick(TObject* Sender);
  void CopyItemClick(TObject* Sender);
  void PasteItemClick(TObject* Sender);
  void Selectall1Click(TObject* Sender);
  void WindowCascadeItemClick(TObject* Sender);
  void WindowTileItemClick(TObject* Sender);
  void WindowArrangeItemClick(TObject* Sender);
  void WindowMinimizeItemClick(TObject* Sender);
  void CloseAll1Click(TObject* Sender);
  void HelpAboutItemClick(TObject* Sender);
  void LB1DblClick(TObject* Sender);
  void scan1Click(TObject* Sender);
  void TS1FileFound(TObject* Sender);

  // Opens Path in a new editor window, the one way every command opens a file. A file that
  // cannot be opened raises its error and leaves no window behind.
  TEditForm* OpenFile(const String& Path);
  // Opens each path in a window of its own, in order, one a turn of the message loop once
  // the window shows; one that cannot be opened is reported and the others still open.
  void OpenFiles(const std::vector<String>& Paths);

private:
  // The active editor window; none while no child is active.
  TEditForm* ActiveEditor() const;
  // One pass of the scan over the chosen drive with one mask.
  void ScanPass(const String& Mask);
  // True while a scan runs; a second one asked for meanwhile is refused.
  bool FScanning = false;
  // The files waiting to be opened, and whether a turn of the message loop is asked for the first.
  std::deque<String> FFilesToOpen;
  bool FNextFileQueued = false;
  void QueueNextFile();
  // Opens the first of the files waiting, then asks a turn of its own for the next.
  void OpenNextFile();
};

extern TMainForm* MainForm;

// Registers the main window's class and every class its description and its editors use.
void RegisterMainFormClasses();
