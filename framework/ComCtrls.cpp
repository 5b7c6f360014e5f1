#include "framework/ComCtrls.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QScreen>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <utility>

#include "framework/Accessible.h"
#include "framework/IniHighlighter.h"
#include "framework/Printers.h"
#include "framework/QtConvert.h"
#include "framework/TypInfo.h"
#include "platform/QtWindow.h"

namespace {

// Qt's search for a place to wrap a line takes time quadratic in the length of a word that
// is wider than the window: a word of 2 MB took minutes. A text holding a run of more than
// this many characters without a blank wraps anywhere instead.
constexpr std::size_t LongestWrappedWord = 10000;

template <class TText> bool HasUnwrappableWord(const TText& Text) {
  std::size_t run = 0;
  for (const auto C : Text) {
    if (C == ' ' || C == '\t' || C == '\n' || C == QChar::ParagraphSeparator)
      run = 0;
    else if (++run > LongestWrappedWord)
      return true;
  }
  return false;
}

// Text of the document to the program's text: its block separators become "\n".
String ToText(QString S) {
  S.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  return FromQString(S);
}

// The edit widget: keeps pasting within the length limit and copies the program's text.
class TRichEditWidget : public TQtWindow<QPlainTextEdit> {
public:
  void SetMaxLength(int Value) { FMaxLength = Value; }
  // Gives the widget the selection the program set, if it has not taken it yet: its
  // BeforeEvent, so that it runs before the widget handles any event of its own or of its
  // viewport, and before the text is edited.
  void Sync() {
    if (BeforeEvent) BeforeEvent();
  }
  // How many characters may still go in in place of the selection.
  int Room() const {
    if (FMaxLength <= 0) return INT_MAX;
    QTextCursor c = textCursor();
    int kept = document()->characterCount() - 1 - (c.selectionEnd() - c.selectionStart());
    return FMaxLength - kept;
  }
  // Colours the lines it is about to paint that are not coloured yet.
  TIniHighlighter* Highlighter = nullptr;
  // True while it does: the document reports the new colours as a change of its contents,
  // though the text stays as it was.
  bool Colouring = false;

protected:
  void paintEvent(QPaintEvent* Event) override {
    if (Highlighter) {
      Colouring = true;
      const qreal bottom = viewport()->height();
      const QPointF offset = contentOffset();
      for (QTextBlock b = firstVisibleBlock(); b.isValid(); b = b.next()) {
        Highlighter->Reveal(b);
        if (blockBoundingGeometry(b).translated(offset).bottom() >= bottom) break;
      }
      Colouring = false;
    }
    TQtWindow<QPlainTextEdit>::paintEvent(Event);
  }

  void insertFromMimeData(const QMimeData* Source) override {
    if (Source->hasText() && HasUnwrappableWord(Source->text())) setWordWrapMode(QTextOption::WrapAnywhere);
    if (FMaxLength <= 0 || !Source->hasText()) {
      QPlainTextEdit::insertFromMimeData(Source);
      return;
    }
    QString text = Source->text();
    int room = Room();
    if (room <= 0) return;
    if (text.size() > room) {
      text.truncate(room);
      if (text.back().isHighSurrogate()) text.chop(1);
    }
    QMimeData limited;
    limited.setText(text);
    QPlainTextEdit::insertFromMimeData(&limited);
  }

  // The selection as the program's text; Qt's own copy would turn no-break spaces into spaces.
  QMimeData* createMimeDataFromSelection() const override {
    auto* selection = new QMimeData;
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    selection->setText(text);
    return selection;
  }

private:
  int FMaxLength = 0;
};

// The lines of a rich edit control, read from and written into its document. Each line
// written is followed by a line break.
class TRichEditStrings : public TStrings {
public:
  explicit TRichEditStrings(TRichEditWidget* Edit) : FEdit(Edit) {}

  int Count() const override {
    QTextDocument* doc = FEdit->document();
    // An empty last block is the end of the text, not a line.
    return doc->lastBlock().length() == 1 ? doc->blockCount() - 1 : doc->blockCount();
  }
  String Strings(int Index) const override {
    CheckIndex(Index, Count());
    return FromQString(FEdit->document()->findBlockByNumber(Index).text());
  }
  void SetStrings(int Index, const String& S) override {
    CheckIndex(Index, Count());
    FEdit->Sync();
    QTextCursor c(FEdit->document()->findBlockByNumber(Index));
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    c.insertText(ToQString(S));
  }
  void Insert(int Index, const String& S) override {
    CheckIndex(Index, Count() + 1);
    FEdit->Sync();
    QTextDocument* doc = FEdit->document();
    QTextCursor c(doc);
    QString line = ToQString(S) + QLatin1Char('\n');
    if (Index < Count()) {
      c.setPosition(doc->findBlockByNumber(Index).position());
    } else {
      c.movePosition(QTextCursor::End);
      if (doc->lastBlock().length() > 1) line.prepend(QLatin1Char('\n'));
    }
    c.insertText(line);
  }
  void Delete(int Index) override {
    CheckIndex(Index, Count());
    FEdit->Sync();
    QTextBlock block = FEdit->document()->findBlockByNumber(Index);
    QTextCursor c(FEdit->document());
    if (block.next().isValid()) {
      c.setPosition(block.position());
      c.setPosition(block.next().position(), QTextCursor::KeepAnchor);
    } else {
      // The last line has no break after it: the one before it goes instead.
      c.setPosition(std::max(block.position() - 1, 0));
      c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    }
    c.removeSelectedText();
  }
  void Clear() override {
    FEdit->Sync();
    FEdit->clear();
  }

private:
  TRichEditWidget* FEdit;
};

} // namespace

// TRichEdit

TRichEdit::TRichEdit(TComponent* AOwner)
    : TWinControl(AOwner), FRawText(std::make_unique<QString>()), FConnections(std::make_unique<QObject>()) {
  auto* edit = new TRichEditWidget;
  FLines = std::make_unique<TRichEditStrings>(edit);
  SetWidget(edit, edit->viewport());
  SetColor(clWindow);
  // No scroll bars, as ssNone says.
  edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QObject::connect(edit->document(), &QTextDocument::contentsChange, FConnections.get(),
                   [this, edit](int Position, int Removed, int Added) {
                     if (edit->Colouring) return;
                     FRawTextValid = false;
                     KeepOwnBreaks(Position, Removed, Added);
                   });
  ConnectGuarded(edit, &QPlainTextEdit::textChanged, FConnections.get(), [this, edit] {
    if (edit->Colouring) return;
    FRawTextValid = false;
    if (FOnChange) FOnChange(this);
  });
  ConnectGuarded(edit, &QPlainTextEdit::cursorPositionChanged, FConnections.get(), [this] {
    if (FOnSelectionChange) FOnSelectionChange(this);
  });
  edit->BeforeEvent = [this] { ApplySelection(); };
}

TRichEdit::~TRichEdit() {
  static_cast<TRichEditWidget*>(Edit())->BeforeEvent = nullptr;
  BeginDestruction();
}

QPlainTextEdit* TRichEdit::Edit() const { return static_cast<QPlainTextEdit*>(Widget()); }

TRichEdit::TSelection TRichEdit::Selection() const {
  if (FPendingSelection) return *FPendingSelection;
  QTextCursor c = Edit()->textCursor();
  return {c.anchor(), c.position()};
}

void TRichEdit::SetSelection(TSelection Value) {
  if (!FPendingSelection)
    QMetaObject::invokeMethod(
        FConnections.get(), [this] { CallGuarded([this] { ApplySelection(); }); }, Qt::QueuedConnection);
  FPendingSelection = Value;
}

void TRichEdit::ApplySelection() {
  if (!FPendingSelection) return;
  TSelection selection = *FPendingSelection;
  FPendingSelection.reset();
  QTextCursor c(Edit()->document());
  c.setPosition(selection.Anchor);
  c.setPosition(selection.Caret, QTextCursor::KeepAnchor);
  Edit()->setTextCursor(c);
}

const QString& TRichEdit::RawText() const {
  if (!FRawTextValid) {
    *FRawText = Edit()->document()->toRawText();
    FRawTextValid = true;
  }
  return *FRawText;
}

String TRichEdit::Text() const { return ToText(RawText()); }

void TRichEdit::SetText(const String& Value) {
  FPendingSelection.reset();
  QTextCursor all(Edit()->document());
  all.select(QTextCursor::Document);
  all.insertText(ToQString(Value));
  // A new text starts with the caret at its start.
  Edit()->setTextCursor(QTextCursor(Edit()->document()));
}

int TRichEdit::GetTextLen() const { return Edit()->document()->characterCount() - 1; }

int TRichEdit::SelStart() const {
  TSelection s = Selection();
  return std::min(s.Anchor, s.Caret);
}

void TRichEdit::SetSelStart(int Value) {
  int at = std::clamp(Value, 0, GetTextLen());
  SetSelection({at, at});
}

int TRichEdit::SelLength() const {
  TSelection s = Selection();
  return std::abs(s.Caret - s.Anchor);
}

void TRichEdit::SetSelLength(int Value) {
  int start = SelStart();
  long long end = std::clamp<long long>(static_cast<long long>(start) + Value, 0, GetTextLen());
  SetSelection({start, static_cast<int>(end)});
}

String TRichEdit::SelText() const { return ToText(RawText().mid(SelStart(), SelLength())); }

void TRichEdit::SetSelText(const String& Value) {
  ApplySelection();
  QTextCursor c = Edit()->textCursor();
  c.insertText(ToQString(Value));
  Edit()->setTextCursor(c);
}

void TRichEdit::SelectAll() {
  ApplySelection();
  Edit()->selectAll();
}

void TRichEdit::CutToClipboard() {
  ApplySelection();
  Edit()->cut();
}

void TRichEdit::CopyToClipboard() {
  ApplySelection();
  Edit()->copy();
}

void TRichEdit::PasteFromClipboard() {
  ApplySelection();
  Edit()->paste();
}

int TRichEdit::FindText(const String& SearchStr, int StartPos, int Length) const {
  QString needle = ToQString(SearchStr);
  needle.replace(QLatin1Char('\n'), QChar::ParagraphSeparator);
  const QString& text = RawText();
  if (needle.isEmpty() || StartPos < 0 || StartPos >= text.size() || Length <= 0) return -1;
  long long end = std::min<long long>(static_cast<long long>(StartPos) + Length, text.size());
  qsizetype found = text.indexOf(needle, StartPos, Qt::CaseInsensitive);
  if (found < 0 || found + needle.size() > end) return -1;
  return static_cast<int>(found);
}

int TRichEdit::LengthOf(const String& Text) { return static_cast<int>(ToQString(Text).size()); }

void TRichEdit::ScrollCaret() {
  ApplySelection();
  Edit()->ensureCursorVisible();
}

void TRichEdit::DefaultHandler(TMessage& Message) {
  auto* edit = static_cast<TRichEditWidget*>(Edit());
  // Shift+Enter breaks the line as Enter does, instead of putting a separator inside the line.
  if (Message.Msg == WM_KEYDOWN && Message.WParam == VK_RETURN && GetKeyState(VK_SHIFT) < 0 &&
      GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0) {
    QKeyEvent plain(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(edit, &plain);
    Message.Result = 0;
    return;
  }
  // Typing stays within the length limit.
  if (Message.Msg == WM_CHAR && !edit->isReadOnly()) {
    const auto c = static_cast<char32_t>(Message.WParam);
    const int adding = c == U'\r' || c == U'\t' || QChar::isPrint(c) ? (c > 0xFFFF ? 2 : 1) : 0;
    ApplySelection();
    if (adding > 0 && edit->Room() < adding) {
      Message.Result = 0;
      return;
    }
  }
  TWinControl::DefaultHandler(Message);
}

void TRichEdit::WndProc(TMessage& Message) {
  if (Message.Msg == EM_SCROLLCARET) {
    ScrollCaret();
    Message.Result = 0;
    return;
  }
  TWinControl::WndProc(Message);
}

void TRichEdit::LoadFromFile(const String& FileName) {
  TTextContent content = ReadTextFile(FileName);
  // The document takes these characters for breaks between paragraphs: a file holding one
  // would be saved with a line break in its place, so it is not loaded.
  static constexpr std::pair<const char*, const char*> BreakCharacters[] = {
      {"\xE2\x80\xA9", "U+2029"}, {"\xEF\xB7\x90", "U+FDD0"}, {"\xEF\xB7\x91", "U+FDD1"}};
  for (const auto& [utf8, name] : BreakCharacters)
    if (content.Text.find(utf8) != String::npos)
      throw EFOpenError(FileName,
                        String(": it holds the character ") + name + ", which the editor would turn into a line break");
  FOwnBreaks = false;
  Edit()->setWordWrapMode(HasUnwrappableWord(content.Text) ? QTextOption::WrapAnywhere
                                                           : QTextOption::WrapAtWordBoundaryOrAnywhere);
  FPendingSelection.reset();
  if (FHighlighter) FHighlighter->SetDeferred(true);
  // Straight into the document, without undo: the widget's own way sets the character format of
  // every line again afterwards, which took a tenth of the time of a large file's load.
  QTextDocument* doc = Edit()->document();
  doc->setPlainText(ToQString(content.Text));
  if (FHighlighter) FHighlighter->SetDeferred(false);
  doc->setModified(false);
  Edit()->setTextCursor(QTextCursor(doc));
  FFormat = content.Format;
  FSaveLoss = content.Loss;
  for (const TOwnBreak& own : content.OwnBreaks)
    doc->findBlockByNumber(static_cast<int>(own.Line)).setUserState(static_cast<int>(own.Break));
  FOwnBreaks = !content.OwnBreaks.empty();
  FUnmodifiedBreaks = content.OwnBreaks;
}

bool TRichEdit::CanEncode() const {
  try {
    EncodeText(Text(), FFormat);
    return true;
  } catch (const EEncodingError&) {
    return false;
  }
}

int TRichEdit::CaretLine() const { return Edit()->document()->findBlock(Selection().Caret).blockNumber() + 1; }

int TRichEdit::CaretColumn() const {
  const int caret = Selection().Caret;
  return caret - Edit()->document()->findBlock(caret).position() + 1;
}

int TRichEdit::LineStart(int Line) const {
  const QTextBlock block = Edit()->document()->findBlockByNumber(Line - 1);
  return block.isValid() ? block.position() : GetTextLen();
}

bool TRichEdit::Modified() const {
  return Edit()->document()->isModified() || (FOwnBreaks && OwnBreaks() != FUnmodifiedBreaks);
}

void TRichEdit::SetModified(bool Value) {
  Edit()->document()->setModified(Value);
  if (!Value) FUnmodifiedBreaks = OwnBreaks();
}

void TRichEdit::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  Edit()->setLineWrapMode(Value ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TRichEdit::SetScrollBars(TScrollStyle Value) {
  if (FScrollBars == Value) return;
  FScrollBars = Value;
  bool horizontal = Value == ssHorizontal || Value == ssBoth;
  bool vertical = Value == ssVertical || Value == ssBoth;
  Edit()->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  Edit()->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void TRichEdit::SetMaxLength(int Value) {
  if (FMaxLength == std::max(Value, 0)) return;
  FMaxLength = std::max(Value, 0);
  static_cast<TRichEditWidget*>(Edit())->SetMaxLength(FMaxLength);
}

void TRichEdit::SetReadOnly(bool Value) {
  if (FReadOnly == Value) return;
  FReadOnly = Value;
  Edit()->setReadOnly(Value);
}

void TRichEdit::SetHighlight(bool Value) {
  if (Highlight() == Value) return;
  delete FHighlighter;
  FHighlighter = Value ? new TIniHighlighter(Edit()->document(), ToQColor(Color())) : nullptr;
  static_cast<TRichEditWidget*>(Edit())->Highlighter = FHighlighter;
}

void TRichEdit::SetMarkedLines(std::vector<int> Lines) {
  if (FHighlighter) FHighlighter->SetMarkedLines(std::move(Lines));
}

void RegisterComCtrlsClasses() {
  static const bool done = [] {
    RegisterControlsClasses();
    RegisterEnumNames(typeid(TScrollStyle), {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"});
    TClassRegistration<TRichEdit>("TRichEdit", "TWinControl")
        .Object("Lines", &TRichEdit::Lines, "TStrings")
        .Property("MaxLength", &TRichEdit::MaxLength, &TRichEdit::SetMaxLength, 0)
        .Property("PlainText", &TRichEdit::PlainText, &TRichEdit::SetPlainText, false)
        .Property("ReadOnly", &TRichEdit::ReadOnly, &TRichEdit::SetReadOnly, false)
        .Property("Highlight", &TRichEdit::Highlight, &TRichEdit::SetHighlight, false)
        .Property("ScrollBars", &TRichEdit::ScrollBars, &TRichEdit::SetScrollBars, ssNone)
        .Property("WordWrap", &TRichEdit::WordWrap, &TRichEdit::SetWordWrap, true)
        .Property("OnChange", &TRichEdit::OnChange, &TRichEdit::SetOnChange)
        .Property("OnSelectionChange", &TRichEdit::OnSelectionChange, &TRichEdit::SetOnSelectionChange);
    TClassRegistration<TStatusBar>("TStatusBar", "TWinControl")
        .Property("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel, false)
        .Property("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText);
    return true;
  }();
  (void)done;
}
