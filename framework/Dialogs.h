#pragma once
// The common dialogs: open, save, find and replace, the question of a search of many files,
// and the printer setup dialog a description may name.

#include <set>
#include <vector>

#include "framework/Classes.h"

class QCheckBox;
class QDialog;
class QLineEdit;
class QRadioButton;

// How the file name is entered; the dialogs here look the same for both.
enum TFileEditStyle { fsEdit, fsComboBox };

class TOpenDialog : public TComponent {
public:
  using TComponent::TComponent;

  // "description|pattern" pairs joined with "|"; a pattern may hold several masks joined
  // with ";" ("INI files|*.ini;*.inf|All files (*.*)|*.*").
  const String& Filter() const { return FFilter; }
  void SetFilter(const String& Value) { FFilter = Value; }
  const String& FileName() const { return FFileName; }
  void SetFileName(const String& Value) { FFileName = Value; }
  // The dialog's caption; empty for the usual one.
  const String& Title() const { return FTitle; }
  void SetTitle(const String& Value) { FTitle = Value; }
  TFileEditStyle FileEditStyle() const { return FFileEditStyle; }
  void SetFileEditStyle(TFileEditStyle Value) { FFileEditStyle = Value; }

  // Shows the dialog modally. True when the user chose a file, which FileName then holds;
  // false when cancelled, FileName unchanged.
  virtual bool Execute();

protected:
  bool ExecuteFileDialog(bool Save);

private:
  String FFilter;
  String FFileName;
  String FTitle;
  TFileEditStyle FFileEditStyle = fsEdit;
};

// The same for a file to write; choosing an existing file asks before it is overwritten.
class TSaveDialog : public TOpenDialog {
public:
  using TOpenDialog::TOpenDialog;
  bool Execute() override;
};

// The printer setup dialog of a form's description. Nothing in the program opens it: printing
// goes to the default printer, and without one the print dialog offers a PDF file.
class TPrinterSetupDialog : public TComponent {
public:
  using TComponent::TComponent;
};

enum TFindOption {
  frDown,
  frFindNext,
  frHideMatchCase,
  frHideWholeWord,
  frHideUpDown,
  frMatchCase,
  frDisableMatchCase,
  frDisableUpDown,
  frDisableWholeWord,
  frReplace,
  frReplaceAll,
  frWholeWord,
  frShowHelp
};
using TFindOptions = std::set<TFindOption>;

// A modeless dialog holding a text to find, the options Match case, Whole word and the
// direction (Up, Down), and a find-next button.
class TFindDialog : public TComponent {
public:
  using TComponent::TComponent;
  ~TFindDialog() override;

  // At most 255 characters; a longer text is cut.
  const String& FindText() const { return FFindText; }
  void SetFindText(const String& Value);
  // frMatchCase, frWholeWord and frDown (set: down, the first state) are what the user sets in
  // the dialog; frHideMatchCase, frHideWholeWord and frHideUpDown leave those controls out.
  // A replace dialog sets frReplace or frReplaceAll as it fires OnReplace.
  const TFindOptions& Options() const { return FOptions; }
  void SetOptions(const TFindOptions& Value);
  // Fired each time find-next is pressed.
  TNotifyEvent OnFind() const { return FOnFind; }
  void SetOnFind(TNotifyEvent Value) { FOnFind = std::move(Value); }

  // Shows the dialog, or brings it to the front when it is shown already; returns true.
  bool Execute();
  void CloseDialog();
  // What the find-next button does.
  void FindNext();

protected:
  // The dialog's window, built on first use; a replace dialog adds its own part.
  virtual void BuildDialog();
  void SetOption(TFindOption Option, bool Value);
  QDialog* FDialog = nullptr;
  QLineEdit* FFindEdit = nullptr;

private:
  String FFindText;
  TFindOptions FOptions{frDown};
  TNotifyEvent FOnFind;
  QCheckBox* FMatchCase = nullptr;
  QCheckBox* FWholeWord = nullptr;
  QRadioButton* FDown = nullptr;
  QRadioButton* FUp = nullptr;
};

// The find dialog with a text to put in place of the found one, and Replace and Replace All.
class TReplaceDialog : public TFindDialog {
public:
  explicit TReplaceDialog(TComponent* AOwner);
  // The dialog goes while this object is whole: its destruction still reaches this object's slots.
  ~TReplaceDialog() override;

  const String& ReplaceText() const { return FReplaceText; }
  void SetReplaceText(const String& Value);
  // Fired by Replace (Options hold frReplace) and Replace All (frReplaceAll).
  TNotifyEvent OnReplace() const { return FOnReplace; }
  void SetOnReplace(TNotifyEvent Value) { FOnReplace = std::move(Value); }
  // What the Replace and Replace All buttons do.
  void Replace();
  void ReplaceAll();

protected:
  void BuildDialog() override;

private:
  void FireReplace(TFindOption Which);
  String FReplaceText;
  TNotifyEvent FOnReplace;
  QLineEdit* FReplaceEdit = nullptr;
};

// The modal question of a search of many files: the text to find, Match case and Whole word
// (both off at first), and Find, which stays disabled while there is no text.
class TFindFilesDialog : public TComponent {
public:
  using TComponent::TComponent;

  const String& Title() const { return FTitle; }
  void SetTitle(const String& Value) { FTitle = Value; }
  // At most 255 characters, as the find dialog's.
  const String& FindText() const { return FFindText; }
  void SetFindText(const String& Value);
  // frMatchCase and frWholeWord.
  const TFindOptions& Options() const { return FOptions; }
  void SetOptions(const TFindOptions& Value) { FOptions = Value; }
  // True when the user pressed Find. Under the test seams the queued dialog result answers,
  // its file name standing for the text entered.
  bool Execute();

private:
  String FTitle;
  String FFindText;
  TFindOptions FOptions;
};

// The file dialog's name filters for a Filter, one for each pair, as "description (masks)".
// "*.*" matches every file, as it does for the users of this notation.
std::vector<String> FilterToNameFilters(const String& Filter);

void RegisterDialogsClasses();
