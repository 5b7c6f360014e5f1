#pragma once
// The editor window: one file shown as plain text, with its changes marked, saved and printed.

#include "editor/ChildWin.h"
#include "framework/ComCtrls.h"
#include "framework/Dialogs.h"
#include "framework/Menus.h"

class TEditForm : public TMDIChild {
public:
  explicit TEditForm(TComponent* AOwner);

  TRichEdit* RE1 = nullptr;
  TStatusBar* ESB1 = nullptr;
  TMainMenu* MainMenu1 = nullptr;
  TFindDialog* FTD = nullptr;
  TMenuItem* File1 = nullptr;
  TMenuItem* Close1 = nullptr;
  TMenuItem* Save1 = nullptr;
  TMenuItem* SaveAs1 = nullptr;
  TMenuItem* N1 = nullptr;
  TMenuItem* Print1 = nullptr;
  TMenuItem* Find = nullptr;
  TMenuItem* Text1 = nullptr;
  TMenuItem* N2 = nullptr;

  void LoadFile(const String& Path);
  void SetFileName(const String& Name);
  String GetFileName() const;
  void SetModified(bool Value);
  bool GetModified() const { return FModified; }
  void SaveFile();
  // Asks "Save changes to <path>?" in a box owned by Owner; returns the button chosen.
  int AskToSave(HWND Owner) const;

  void RE1Change(TObject* Sender);
  void Save1Click(TObject* Sender);
  void Close1Click(TObject* Sender);
  // The editor's own Save As: the main window's command hides while an editor is active.
  void SaveAs1Click(TObject* Sender);
  void Print1Click(TObject* Sender);

private:
  String FFileName;
  bool FModified = false;
  // True while the window holds no text of its file because reading it failed.
  bool FLoadFailed = false;
};

void RegisterEditFormClasses();
