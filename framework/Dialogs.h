#pragma once
// The common dialogs: open, save, printer setup and find.

#include <set>
#include <vector>

#include "framework/Classes.h"

class QDialog;

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

class TPrinterSetupDialog : public TComponent {
public:
  using TComponent::TComponent;
  // Shows the settings of the current printer modally; true when they were accepted.
  // Raises EPrinter when there is no printer.
  bool Execute();
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

// A modeless dialog holding a text to find and a find-next button.
class TFindDialog : public TComponent {
public:
  using TComponent::TComponent;
  ~TFindDialog() override;

  // At most 255 characters; a longer text is cut.
  const String& FindText() const { return FFindText; }
  void SetFindText(const String& Value);
  // Kept for form descriptions; the dialog offers no options.
  const TFindOptions& Options() const { return FOptions; }
  void SetOptions(const TFindOptions& Value) { FOptions = Value; }
  // Fired each time find-next is pressed.
  TNotifyEvent OnFind() const { return FOnFind; }
  void SetOnFind(TNotifyEvent Value) { FOnFind = std::move(Value); }

  // Shows the dialog, or brings it to the front when it is shown already; returns true.
  bool Execute();
  void CloseDialog();
  // What the find-next button does.
  void FindNext();

private:
  String FFindText;
  TFindOptions FOptions;
  TNotifyEvent FOnFind;
  QDialog* FDialog = nullptr;
};

// The file dialog's name filters for a Filter, one for each pair, as "description (masks)".
// "*.*" matches every file, as it does for the users of this notation.
std::vector<String> FilterToNameFilters(const String& Filter);

void RegisterDialogsClasses();
