#pragma once
// The editor window: one file shown as plain text, with its changes marked, saved and printed,
// a find command and a menu of the file's section headers.

#include <optional>
#include <vector>

#include "editor/MDIChild.h"
#include "framework/ComCtrls.h"
#include "framework/Dialogs.h"
#include "framework/FileWatcher.h"
#include "framework/Menus.h"
#include "framework/ReloadBar.h"

// A section header found by the section scan: where its name begins (just after the "["), how
// long the name is, in the rich edit control's positions, and the name.
struct TSectionHeader {
  int Start;
  int Length;
  String Name;
  bool operator==(const TSectionHeader&) const = default;
};

// The section headers of a text, in their order: each line whose first character other than a
// blank is "[" and that has a "]" later on the same line; the name is what lies between that
// "[" and the first "]" after it, and a name of blanks only is none. Positions count as the
// rich edit control counts them.
std::vector<TSectionHeader> ScanSections(const String& Text);

// A line that looks wrong: a section header or a key that repeats an earlier one (keys within
// the same section), or a line that is neither header, key=value, comment nor blank.
struct TSuspectLine {
  enum TKind { skSection, skKey, skOdd };
  TKind Kind;
  int Line;    // from 0
  int Earlier; // the line it repeats, for a section or a key
  String Name; // the section's or the key's name as written
  bool operator==(const TSuspectLine&) const = default;
};

// The lines of Text that look wrong, in their order; names compare with the case of letters
// ignored. An INF file (Inf) legitimately repeats keys and has lines of its own kinds: only
// its repeated section headers are pointed out.
std::vector<TSuspectLine> FindSuspectLines(const String& Text, bool Inf);

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
  TMenuItem* SaveEncoding1 = nullptr;
  TMenuItem* EncodingUtf81 = nullptr;
  TMenuItem* EncodingUtf8Bom1 = nullptr;
  TMenuItem* EncodingUtf16LE1 = nullptr;
  TMenuItem* EncodingUtf16BE1 = nullptr;
  TMenuItem* EncodingWindows12521 = nullptr;
  TMenuItem* N1 = nullptr;
  TMenuItem* Print1 = nullptr;
  TMenuItem* Find = nullptr;
  TMenuItem* Text1 = nullptr;
  TMenuItem* FindNext1 = nullptr;
  TMenuItem* FindPrevious1 = nullptr;
  TMenuItem* Replace1 = nullptr;
  TMenuItem* N2 = nullptr;
  // Says that the file has changed on disk, with "Reload" and "Keep".
  TReloadBar* FileBar = nullptr;

  void LoadFile(const String& Path);
  void SetFileName(const String& Name);
  String GetFileName() const;
  void SetModified(bool Value);
  bool GetModified() const { return FModified; }
  // Raises EAbort when the user chooses not to overwrite a file changed by someone else.
  void SaveFile();
  // Fired after each save that wrote the file, Save As's too, under the name it has then.
  TNotifyEvent OnSaved() const { return FOnSaved; }
  void SetOnSaved(TNotifyEvent Value) { FOnSaved = std::move(Value); }
  // Asks "Save changes to <path>?" in a box owned by Owner; returns the button chosen.
  int AskToSave(HWND Owner) const;

  void RE1Change(TObject* Sender);
  // Shows the caret's line and column in the status line.
  void RE1SelectionChange(TObject* Sender);
  void Save1Click(TObject* Sender);
  void Close1Click(TObject* Sender);
  // Every way of closing a modified window asks first (Ctrl+W, the window menu, the close
  // box, File > Close); Cancel keeps it open, and a failed save of Yes keeps it too.
  bool CloseQuery() override;
  // Closes the window without asking again: the save question has just been answered.
  void CloseAnswered();
  // Saves the text under Name and makes it the window's file; a save that fails leaves the
  // window with the file name, caption and state it had.
  void SaveAs(const String& Name);
  // Saves the file in Encoding; a save that fails or is refused keeps the encoding it had.
  void SaveWithEncoding(TTextEncoding Encoding);
  // An entry of File > Save with Encoding, also shown by the encoding in the status line.
  void EncodingItemClick(TObject* Sender);
  // The editor's own Save As: the main window's command hides while an editor is active.
  void SaveAs1Click(TObject* Sender);
  void Print1Click(TObject* Sender);

  // The watcher's news: shows the bar when the file is no longer the version last seen here.
  void FileChanged(TObject* Sender);
  // Reads the file again, the caret staying on its line; clears Modified.
  void ReloadClick(TObject* Sender);
  // Keeps the window's text; a save still asks before it overwrites the other version.
  void KeepClick(TObject* Sender);

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
  // Adds an entry to the Find menu for each section header of the text, in the order they come.
  void FindSectionsClick();
  // Puts the caret on the header of the entry: the n-th entry of a name goes to the n-th header
  // of that name in the text as it is now; beeps when there is none.
  void SectionItemClick(TObject* Sender);

private:
  // Shows whether the window holds unsaved changes.
  void ShowModified(bool Value);
  // Shows the file's encoding and line breaks in the status line.
  void ShowFormat();
  // Underlines the lines that look wrong, counts them in the status line and names the first.
  void CheckLines();

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
  // Watches FFileName for changes by other programs.
  TFileWatcher* FWatcher = nullptr;
  // The version of the file the bar last told of, since the file was last read or saved here.
  std::optional<TFileState> FToldOf;
  // True while the window closes after its save question was answered elsewhere.
  bool FCloseAnswered = false;
  TNotifyEvent FOnSaved;
};

void RegisterEditFormClasses();
