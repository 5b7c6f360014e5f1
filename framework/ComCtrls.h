#pragma once
// The common controls: the plain-text rich edit control and the status bar.

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "framework/Controls.h"
#include "framework/TextFile.h"
#include "framework/TextSearch.h"

class QLabel;
class QObject;
class QToolButton;
class TMenuItem;
class QPlainTextEdit;
class QString;
class TIniHighlighter;

// Scrolls the caret of a rich edit control into view.
constexpr UINT EM_SCROLLCARET = 0x00B7;

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// A rich edit control that holds plain text only. Positions and lengths are character
// offsets into the whole text, counted from 0; a line break counts one (a character outside
// the Basic Multilingual Plane counts two).
class TRichEdit : public TWinControl {
public:
  explicit TRichEdit(TComponent* AOwner);
  ~TRichEdit() override;

  // The text line by line; a line break at the very end starts no further line.
  TStrings* Lines() const { return FLines.get(); }
  // The whole text, lines separated by "\n".
  String Text() const;
  // Replaces the whole text as an edit, which can be undone and modifies the text; the caret
  // goes to its start.
  void SetText(const String& Value);
  int GetTextLen() const;

  int SelStart() const;
  // Puts the caret there with nothing selected.
  void SetSelStart(int Value);
  int SelLength() const;
  // Selects Value characters from SelStart; the caret goes to the end of the selection.
  void SetSelLength(int Value);
  String SelText() const;
  // Replaces the selection; the caret follows the new text.
  void SetSelText(const String& Value);
  void SelectAll();

  void CutToClipboard();
  void CopyToClipboard();
  // Replaces the selection with the clipboard's plain text.
  void PasteFromClipboard();

  // The position of the first occurrence of SearchStr lying wholly within
  // [StartPos, StartPos + Length), case ignored, also inside words; -1 when there is none.
  int FindText(const String& SearchStr, int StartPos, int Length) const;
  // The same with Options: the case of letters matched (stMatchCase), whole words only
  // (stWholeWord).
  int FindText(const String& SearchStr, int StartPos, int Length, const TSearchTypes& Options) const;
  // The last such occurrence lying wholly within the range; -1 when there is none.
  int FindLastText(const String& SearchStr, int StartPos, int Length, const TSearchTypes& Options) const;
  // Replaces each range (start, length; in the order of the text, none overlapping, none
  // holding a line break) with Text, all of it one step of undo. The lines keep their own
  // breaks. The caret goes to the end of the last replacement.
  void ReplaceRanges(const std::vector<std::pair<int, int>>& Ranges, const String& Text);
  // The number of positions Text takes in the control.
  static int LengthOf(const String& Text);
  // Also done for the message EM_SCROLLCARET.
  void ScrollCaret();

  // The format SaveToFile writes: the file's as loaded, or the encoding set since.
  const TTextFormat& Format() const { return FFormat; }
  void SetEncoding(TTextEncoding Value) { FFormat.Encoding = Value; }
  // True when the format's encoding can store every character of the text.
  bool CanEncode() const;
  // True while some line ends with another break than most lines do.
  bool MixedBreaks() const { return !OwnBreaks().empty(); }
  // The caret's line and column, counted from 1.
  int CaretLine() const;
  int CaretColumn() const;
  // The position where line Line (from 1) starts; the text's length past its last line.
  int LineStart(int Line) const;

  // Reads the whole file (raising EFOpenError when it cannot) and keeps its encoding and line
  // breaks for SaveToFile.
  void LoadFromFile(const String& FileName);
  // Writes the whole text in the format of the file last loaded (UTF-8 with CR LF when none
  // was): each line keeps the break it had in the file, also when it was edited; a new line
  // ends with the break most of the file's lines have. Former: the file as
  // last seen, whose permission bits and owner it gets back should it have gone since (see
  // WriteWholeFile).
  void SaveToFile(const String& FileName, const TFileState* Former = nullptr);
  // What a save would change of the bytes of the file last loaded, as the end of a sentence;
  // empty when it writes them back as they were, and again after a save.
  const String& SaveLoss() const { return FSaveLoss; }
  // Prints the whole text in the control's font on the current printer, over each page's whole
  // printable area; Caption titles the job. Without a printer the print dialog offers a PDF
  // file; cancelling it prints nothing. Raises EPrinter when the job fails.
  void Print(const String& Caption);

  // True: long lines wrap at the control's width.
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  // The text is always plain; the property is kept for form descriptions.
  bool PlainText() const { return FPlainText; }
  void SetPlainText(bool Value) { FPlainText = Value; }
  // The most characters typing and pasting may leave in the control; 0: no limit.
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int Value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  // True: section headers, keys, values and comments are drawn in colours of their own.
  bool Highlight() const { return FHighlighter != nullptr; }
  void SetHighlight(bool Value);
  // The lines, numbered from 0 in ascending order, that a highlighted text underlines as
  // looking wrong.
  void SetMarkedLines(std::vector<int> Lines);

  // True while the text differs from the one last marked unmodified (loading marks it): undoing
  // and redoing back to that text makes it false again. Read it in OnChange.
  bool Modified() const;
  void SetModified(bool Value);

  // Fired after every change of the text, not for a change of the selection only.
  TNotifyEvent OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }
  // Fired when the caret moves.
  TNotifyEvent OnSelectionChange() const { return FOnSelectionChange; }
  void SetOnSelectionChange(TNotifyEvent Value) { FOnSelectionChange = std::move(Value); }

  void WndProc(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

private:
  QPlainTextEdit* Edit() const;
  // Where a selection begins and where its caret is.
  struct TSelection {
    int Anchor;
    int Caret;
  };
  // The selection as the program set it last. The widget takes a new selection when it next
  // handles an event, or sooner when it needs it: taking one lays out the text around it, too
  // costly for each of thousands of moves in a row.
  TSelection Selection() const;
  void SetSelection(TSelection Value);
  void ApplySelection();
  // The document's text as it stores it, one character per position; kept until it changes.
  const QString& RawText() const;

  // Lines whose break differs from FFormat's carry it as their block's user state, also when
  // they are edited; FOwnBreaks says whether any may.
  void KeepOwnBreaks(int Position, int Removed, int Added);
  TOwnBreaks OwnBreaks() const;

  std::unique_ptr<TStrings> FLines;
  TTextFormat FFormat;
  bool FOwnBreaks = false;
  // The lines' own breaks when the text was last marked unmodified: an undo can give the text
  // back without them.
  TOwnBreaks FUnmodifiedBreaks;
  String FSaveLoss;
  bool FWordWrap = true;
  TScrollStyle FScrollBars = ssNone;
  bool FPlainText = false;
  int FMaxLength = 0;
  bool FReadOnly = false;
  TIniHighlighter* FHighlighter = nullptr;
  TNotifyEvent FOnChange;
  TNotifyEvent FOnSelectionChange;
  mutable std::unique_ptr<QString> FRawText;
  mutable bool FRawTextValid = false;
  std::optional<TSelection> FPendingSelection;
  // The context of the control's Qt connections; declared last so that it goes first.
  std::unique_ptr<QObject> FConnections;
};

// A status bar; here one text area across the whole bar, written only by the program.
class TStatusBar : public TWinControl {
public:
  explicit TStatusBar(TComponent* AOwner);

  // True: the bar shows SimpleText across its whole width.
  bool SimplePanel() const { return FSimplePanel; }
  void SetSimplePanel(bool Value);
  const String& SimpleText() const { return FSimpleText; }
  void SetSimpleText(const String& Value);

  // Texts at the bar's right, after the simple text, in the order of their indexes; a panel
  // without text is hidden, and one given a menu shows it when clicked.
  String PanelText(int Index) const;
  void SetPanelText(int Index, const String& Value);
  void SetPanelMenu(int Index, TMenuItem* Menu);
  // The tip shown when the mouse rests on the panel.
  void SetPanelHint(int Index, const String& Value);

private:
  QLabel* Label() const;
  void ShowText();
  QToolButton* Panel(int Index);

  bool FSimplePanel = false;
  String FSimpleText;
  std::vector<QToolButton*> FPanels;
};

void RegisterComCtrlsClasses();
