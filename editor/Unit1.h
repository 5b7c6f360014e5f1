#pragma once
// The editor window: one file shown as plain text, with its changes marked, saved and printed,
// a find command and a menu of the file's section headers.

#include <functional>
#include <vector>

#include "editor/ChildWin.h"
#include "framework/ComCtrls.h"
#include "framework/Dialogs.h"
#include "framework/Menus.h"

// A section header found by the section scan: where its name begins (just after the "[") and
// how long the name is, in the positions of the text's search.
struct TSectionHeader {
  int Start;
  int Length;
  bool operator==(const TSectionHeader&) const = default;
};

// A search of a text as TRichEdit::FindText searches: the position of the first occurrence of
// SearchStr lying within [StartPos, StartPos + Length), or -1.
using TTextSearch = std::function<int(const String& SearchStr, int StartPos, int Length)>;

// The section scan of the Find menu over a text of TextLength positions: every "[" with the
// next "]" after it, in the order of the text; a "[" without a "]" after it ends the scan.
std::vector<TSectionHeader> ScanSections(int TextLength, const TTextSearch& Find);

class TEditForm : public TMDIChild {
public:
  explicit TEditForm(TComponent* AOwner);

  TRichEdit* RE1 = nullptr;
  TStatusBar* ESB1 = nullptr;
  TMainMenu* MainMenu1 = nullptr;
  TFindDialog* FTD = nullptr;
  TReplaceDialog* RD = nullptr;
  TMenuItem* File1 = nullptr;
  TMenuItem* Close1 = nullptr;
  TMenuItem* Save1 = nullptr;
  TMenuItem* SaveAs1 = nullptr;
  TMenuItem* N1 = nullptr;
  TMenuItem* Print1 = nullptr;
  TMenuItem* Find = nullptr;
  TMenuItem* Text1 = nullptr;
  TMenuItem* FindNext1 = nullptr;
  TMenuItem* FindPrevious1 = nullptr;
  TMenuItem* Replace1 = nullptr;
  TMenuItem* N2 = nullptr;

  void LoadFile(const String& Path);
  void SetFileName(const String& Name);
  String GetFileName() const;
  void SetModified(bool Value);
  bool GetModified() const { return FModified; }
  // Raises EAbort when the user chooses not to overwrite a file changed by someone else.
  void SaveFile();
  // Asks "Save changes to <path>?" in a box owned by Owner; returns the button chosen.
  int AskToSave(HWND Owner) const;

  void RE1Change(TObject* Sender);
  void Save1Click(TObject* Sender);
  void Close1Click(TObject* Sender);
  // Every way of closing a modified window asks first (Ctrl+W, the window menu, the close
  // box, File > Close); Cancel keeps it open, and a failed save of Yes keeps it too.
  bool CloseQuery() override;
  // Closes the window without asking again: the save question has just been answered.
  void CloseAnswered();
  // The editor's own Save As: the main window's command hides while an editor is active.
  void SaveAs1Click(TObject* Sender);
  void Print1Click(TObject* Sender);

  void Text1Click(TObject* Sender);
  // Shows the find dialog with Text to find, or brings it to the front.
  void ShowFindDialog(const String& Text);
  // Selects the next occurrence of the find dialog's text in the active editor window, with
  // the dialog's options and in its direction (see FindAndSelect).
  void FTDFind(TObject* Sender);
  // Find Next and Find Previous: the text and options of the last search of any editor
  // window, down or up from the caret; the find dialog when there was none.
  void FindNext1Click(TObject* Sender);
  void FindPrevious1Click(TObject* Sender);
  // Shows the replace dialog, or brings it to the front.
  void Replace1Click(TObject* Sender);
  // The replace dialog's Find Next.
  void RDFind(TObject* Sender);
  // Replace: the selection, when it is an occurrence, is replaced and the next one selected.
  // Replace All: every occurrence, in one step of undo; a message says how many.
  void RDReplace(TObject* Sender);
  // Adds an entry to the Find menu for each "[name]" in the text, in the order they come.
  void FindSectionsClick();
  // Puts the caret at the first occurrence of the entry's caption; beeps when there is none.
  void SectionItemClick(TObject* Sender);

private:
  // Selects the first occurrence after the selection (Down) or the last one before it; past
  // the end (the start) the search goes on once from the other end, which the status line
  // notes. When there is none, a message names the text. True when one was found.
  bool FindAndSelect(const String& Text, const TFindOptions& Options, bool Down);
  // The window a find dialog's command acts on: the active editor window, which may be
  // another than the one whose dialog it is.
  TEditForm* SearchTarget();
  String FFileName;
  bool FModified = false;
  // True while the window holds no text of its file because reading it failed.
  bool FLoadFailed = false;
  // The file as it was when loaded or last saved; a save asks before it overwrites another
  // version, and gives a file that has gone its permission bits and owner back.
  TFileState FSeen;
  // True while the window closes after its save question was answered elsewhere.
  bool FCloseAnswered = false;
};

void RegisterEditFormClasses();
