#pragma once
// The program's main window: the MDI frame with its tool panel, file list and status line,
// and the commands that act on the editor windows.

#include <deque>
#include <memory>
#include <vector>

#include "about/OrvelAboutBox.h"
#include "app/FindResultsForm.h"
#include "controls/LongListbox.h"
#include "controls/MDIWallpaper.h"
#include "controls/ZLAdvLed.h"
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/FileCtrl.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/RecentFiles.h"
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
  TSpeedButton* StopBtn = nullptr;
  TZLAdvLed* ScanLed = nullptr;
  TStatusBar* SB1 = nullptr;
  TLongListbox* LLB1 = nullptr;
  TMainMenu* MainMenu1 = nullptr;
  TMenuItem* File1 = nullptr;
  TMenuItem* FileOpenItem = nullptr;
  TMenuItem* FileReopenItem = nullptr;
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
  TMenuItem* N3 = nullptr;
  TMenuItem* FindInFilesItem = nullptr;
  TMenuItem* Window1 = nullptr;
  TMenuItem* WindowCascadeItem = nullptr;
  TMenuItem* WindowTileItem = nullptr;
  TMenuItem* WindowArrangeItem = nullptr;
  TMenuItem* WindowMinimizeItem = nullptr;
  TMenuItem* CloseAll1 = nullptr;
  TMenuItem* Help1 = nullptr;
  TMenuItem* HelpAboutItem = nullptr;
  TFindFilesDialog* FindFilesDialog = nullptr;
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
  // An entry of File > Reopen: opens its file; one that has gone since leaves the menu.
  void ReopenItemClick(TObject* Sender);
  void FileCloseItemClick(TObject* Sender);
  void FileSaveItemClick(TObject* Sender);
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
  // The Edit menu, as it opens: Find in Listed Files is there for a list with entries.
  void Edit1Click(TObject* Sender);
  // Asks for a text and searches every listed file for it; the matches show in the results
  // window, which a new search or scan replaces.
  void FindInFilesItemClick(TObject* Sender);
  void scan1Click(TObject* Sender);
  void TS1FileFound(TObject* Sender);
  // The end of a pass of the scan, however it ended: the next pass, or the scan's end.
  void TS1SearchDone(TObject* Sender);
  // Ends the running scan and the search of the listed files, keeping what they found; does
  // nothing when neither runs.
  void StopClick(TObject* Sender);
  // Esc in the main window stops them too.
  void WndProc(TMessage& Message) override;

  // Opens Path in a new editor window, the one way every command opens a file. A file that
  // cannot be opened raises its error and leaves no window behind.
  TEditForm* OpenFile(const String& Path);
  // Opens each path in a window of its own, in order, one a turn of the message loop once
  // the window shows; one that cannot be opened is reported and the others still open.
  void OpenFiles(const std::vector<String>& Paths);
  // The files a later start of the program hands over: opened as above, and the window
  // comes to the front.
  void OpenHandedFiles(const std::vector<String>& Paths);

private:
  // A file opened or saved goes first in File > Reopen.
  void AddRecentFile(const String& Path);
  // Shows the recent files in File > Reopen, which is disabled while there are none.
  void UpdateReopenItems();
  // The window of the last search's results; none when it has been closed.
  TFindResultsForm* FindResults() const;
  bool FindingInFiles() const;
  void UpdateFindInFilesItem();
  // Stop is enabled while a scan or a search of the listed files runs.
  void UpdateStopBtn();
  // Shows a match: its file's window (opened as the list opens a file, or the open one
  // activated) with the occurrence selected.
  void OpenMatch(const String& Path, const TFileMatch& Match);
  // The active editor window; none while no child is active.
  TEditForm* ActiveEditor() const;
  // Lists the INF files held back, from the From-th on, a share at each turn of the message
  // loop, then ends the scan; a call for an earlier scan does nothing.
  void ListInfFiles(int Scan, std::size_t From);
  // Has the next turn of the message loop list them from the From-th on.
  void QueueInfFiles(std::size_t From);
  // The scan's end: the status line says how, and the lamp goes off.
  void EndScan(bool Stopped);
  // True while a scan runs; a second one asked for meanwhile is refused.
  bool FScanning = false;
  // Whether the running scan lists INF files too, what it found of them so far, and its
  // number among the scans.
  bool FScanInf = false;
  std::vector<String> FInfFound;
  int FScanNumber = 0;
  // Gone with the window: a call queued for a later turn looks at it first.
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
  // Set by Stop during the scan.
  bool FScanStopped = false;
  // The files last opened or saved, which File > Reopen offers.
  std::unique_ptr<TRecentFiles> FRecentFiles = std::make_unique<TRecentFiles>();
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
