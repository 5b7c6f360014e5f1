#include "editor/EditForm.h"

#include <cctype>
#include <string_view>
#include <unordered_map>

#include "framework/TypInfo.h"
#include "platform/Files.h"
#include "platform/Utf8.h"

namespace {

// The encodings of the menu's entries, in their order, with the names the status line shows.
constexpr std::pair<TTextEncoding, const char*> EncodingNames[] = {{TTextEncoding::teUtf8, "UTF-8"},
                                                                   {TTextEncoding::teUtf8Bom, "UTF-8 BOM"},
                                                                   {TTextEncoding::teUtf16LE, "UTF-16 LE"},
                                                                   {TTextEncoding::teUtf16BE, "UTF-16 BE"},
                                                                   {TTextEncoding::teWindows1252, "Windows-1252"}};

String EncodingName(TTextEncoding Encoding) {
  for (const auto& [encoding, name] : EncodingNames)
    if (encoding == Encoding) return name;
  return "";
}

String BreakName(TLineBreak Break) {
  switch (Break) {
  case TLineBreak::lbCRLF: return "CR LF";
  case TLineBreak::lbLF: return "LF";
  case TLineBreak::lbCR: return "CR";
  }
  return "";
}

} // namespace

TEditForm::TEditForm(TComponent* AOwner) : TMDIChild(AOwner, TNoDescription{}) {
  ReadDescription("TEditForm");
  ESB1->SetPanelMenu(1, SaveEncoding1);
  FileBar = new TReloadBar(this);
  FileBar->SetParent(this);
  FileBar->SetOnReload([this](TObject* Sender) { ReloadClick(Sender); });
  FileBar->SetOnKeep([this](TObject* Sender) { KeepClick(Sender); });
  FWatcher = new TFileWatcher(this);
  FWatcher->SetOnChange([this](TObject* Sender) { FileChanged(Sender); });
  RE1SelectionChange(this);
  ShowFormat();
}

void TEditForm::LoadFile(const String& Path) {
  FFileName = Path;
  FLoadFailed = true;
  // Seen before it is read: a change made while it is read is one to ask about, not one missed.
  FSeen = GetFileState(FFileName);
  FWatcher->SetFileName(FFileName);
  RE1->LoadFromFile(FFileName);
  FLoadFailed = false;
  SetCaption(ReadableName(FFileName));
  SetModified(false);
  // The lines were checked as the text changed.
  ShowFormat();
  FindSectionsClick();
  if (const String& loss = RE1->SaveLoss(); !loss.empty())
    MessageBoxA(
        Handle(),
        (ReadableName(FFileName) + " cannot be saved as it was read: " + loss + ". The editor asks before it saves it.")
            .c_str(),
        Application->Title().c_str(), MB_OK | MB_ICONWARNING);
}

void TEditForm::SetModified(bool Value) {
  RE1->SetModified(Value);
  ShowModified(Value);
}

void TEditForm::ShowModified(bool Value) {
  FModified = Value;
  ESB1->SetSimpleText(Value ? "Modified" : " ");
}

// Undoing back to the text as loaded or saved leaves it unmodified.
void TEditForm::RE1Change(TObject*) {
  ShowModified(RE1->Modified());
  ShowFormat();
  CheckLines();
}

void TEditForm::RE1SelectionChange(TObject*) {
  ESB1->SetPanelText(0, "Ln " + std::to_string(RE1->CaretLine()) + ", Col " + std::to_string(RE1->CaretColumn()));
}

void TEditForm::ShowFormat() {
  ESB1->SetPanelText(1, EncodingName(RE1->Format().Encoding));
  ESB1->SetPanelText(2, RE1->MixedBreaks() ? "Mixed" : BreakName(RE1->Format().LineBreak));
}

void TEditForm::Save1Click(TObject*) { SaveFile(); }

void TEditForm::SaveFile() {
  // A file that could not be read is not replaced by the empty text shown in its place.
  if (FLoadFailed && FileExists(FFileName))
    throw EFCreateError(FFileName, ": it could not be read, so saving would replace it with an empty text");
  if (const String& loss = RE1->SaveLoss(); !loss.empty()) {
    const String question = "Saving " + ReadableName(FFileName) + " changes it: " + loss + ". Save it all the same?";
    // No is the user's choice, not a failure: nothing more is said.
    if (MessageBoxA(Handle(), question.c_str(), "Please Confirm", MB_YESNO) != IDYES) throw EAbort();
  }
  if (!RE1->CanEncode()) {
    const String question = "The text holds characters that " + EncodingName(RE1->Format().Encoding) +
                            " cannot store, so " + ReadableName(FFileName) +
                            " cannot be saved in it. Save it as UTF-8 instead?";
    if (MessageBoxA(Handle(), question.c_str(), "Please Confirm", MB_YESNO | MB_ICONWARNING) != IDYES) throw EAbort();
    RE1->SetEncoding(TTextEncoding::teUtf8);
  }
  // Another program, or another window, may have written the file since.
  if (FSeen.Exists) {
    const TFileState now = GetFileState(FFileName);
    if (now.Exists && !now.SameVersion(FSeen)) {
      const String question = "The file " + ReadableName(FFileName) +
                              " has been changed by another program since it was opened or saved here. "
                              "Overwrite it with the text of this window?";
      if (MessageBoxA(Handle(), question.c_str(), "Please Confirm", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        throw EAbort();
    }
  }
  RE1->SaveToFile(FFileName, &FSeen);
  FSeen = GetFileState(FFileName);
  FWatcher->SetFileName(FFileName);
  FToldOf.reset();
  FileBar->SetVisible(false);
  SetModified(false);
  ShowFormat();
  if (FOnSaved) FOnSaved(this);
}

void TEditForm::FileChanged(TObject*) {
  const TFileState now = GetFileState(FFileName);
  // Its own save, a change in the folder but not of the file, or a version already told of.
  if (now.SameVersion(FSeen) || (FToldOf && now.SameVersion(*FToldOf))) return;
  FToldOf = now;
  const String name = ReadableName(FFileName);
  FileBar->SetText(!now.Exists    ? name + " has been deleted by another program. Save writes it again."
                   : !now.Regular ? name + " cannot be read any more: it is no longer a regular file."
                                  : name + " has been changed by another program.");
  FileBar->SetCanReload(now.Exists && now.Regular);
  FileBar->SetVisible(true);
}

void TEditForm::ReloadClick(TObject*) {
  const int line = RE1->CaretLine();
  FSeen = GetFileState(FFileName);
  RE1->LoadFromFile(FFileName);
  FToldOf.reset();
  FileBar->SetVisible(false);
  SetModified(false);
  ShowFormat();
  // The section entries follow the text read.
  while (Find->Items(Find->Count() - 1) != N2)
    delete Find->Items(Find->Count() - 1);
  FindSectionsClick();
  RE1->SetSelStart(RE1->LineStart(line));
  SendMessageA(RE1->Handle(), EM_SCROLLCARET, 0, 0);
}

void TEditForm::KeepClick(TObject*) { FileBar->SetVisible(false); }

void TEditForm::SaveWithEncoding(TTextEncoding Encoding) {
  const TTextEncoding former = RE1->Format().Encoding;
  RE1->SetEncoding(Encoding);
  try {
    SaveFile();
  } catch (...) {
    RE1->SetEncoding(former);
    ShowFormat();
    throw;
  }
}

void TEditForm::EncodingItemClick(TObject* Sender) {
  const TMenuItem* items[] = {EncodingUtf81, EncodingUtf8Bom1, EncodingUtf16LE1, EncodingUtf16BE1,
                              EncodingWindows12521};
  for (std::size_t i = 0; i < std::size(items); ++i)
    if (items[i] == Sender) SaveWithEncoding(EncodingNames[i].first);
}

void TEditForm::SetFileName(const String& Name) {
  FFileName = Name;
  FLoadFailed = false;
  FSeen = TFileState();
  FWatcher->SetFileName(FFileName);
  SetCaption(ReadableName(FFileName));
}

String TEditForm::GetFileName() const { return FFileName; }

int TEditForm::AskToSave(HWND Owner) const {
  // The whole path is shown, however long it is, in the caption's readable form.
  String question = "Save changes to " + ReadableName(GetFileName()) + "?";
  return MessageBoxA(Owner, question.c_str(), "Please Confirm", MB_YESNOCANCEL);
}

void TEditForm::Close1Click(TObject*) {
  switch (AskToSave(Handle())) {
  case IDYES:
    Save1Click(this);
    CloseAnswered();
    break;
  case IDNO: CloseAnswered(); break;
  default: break;
  }
}

bool TEditForm::CloseQuery() {
  if (!TMDIChild::CloseQuery()) return false;
  if (FCloseAnswered || !FModified) return true;
  switch (AskToSave(Handle())) {
  case IDYES: Save1Click(this); return true;
  case IDNO: return true;
  default: return false;
  }
}

void TEditForm::CloseAnswered() {
  FCloseAnswered = true;
  // The window is released later, so the flag can be put back on every path.
  struct TReset {
    bool& Flag;
    ~TReset() { Flag = false; }
  } reset{FCloseAnswered};
  Close();
}

void TEditForm::SaveAs(const String& Name) {
  const String formerName = FFileName;
  const bool formerLoadFailed = FLoadFailed;
  const TFileState formerSeen = FSeen;
  FFileName = Name;
  FLoadFailed = false;
  FSeen = TFileState();
  try {
    SaveFile();
  } catch (...) {
    FFileName = formerName;
    FLoadFailed = formerLoadFailed;
    FSeen = formerSeen;
    throw;
  }
  SetCaption(ReadableName(FFileName));
}

void TEditForm::SaveAs1Click(TObject*) {
  TSaveDialog dialog(nullptr);
  if (dialog.Execute()) SaveAs(dialog.FileName());
}

void TEditForm::Print1Click(TObject*) { RE1->Print(FFileName); }

void TEditForm::Text1Click(TObject*) { ShowFindDialog(""); }

void TEditForm::ShowFindDialog(const String& Text) {
  FTD->SetFindText(Text);
  FTD->Execute();
}

namespace {

// The last search of any editor window, which Find Next and Find Previous repeat.
struct TLastSearch {
  String Text;
  TFindOptions Options;
};

TLastSearch& LastSearch() {
  static TLastSearch last;
  return last;
}

TSearchTypes SearchTypes(const TFindOptions& Options) {
  TSearchTypes types;
  if (Options.count(frMatchCase)) types.insert(stMatchCase);
  if (Options.count(frWholeWord)) types.insert(stWholeWord);
  return types;
}

} // namespace

TEditForm* TEditForm::SearchTarget() {
  auto* frame = dynamic_cast<TForm*>(Owner());
  auto* active = frame ? dynamic_cast<TEditForm*>(frame->ActiveMDIChild()) : nullptr;
  return active ? active : this;
}

void TEditForm::FTDFind(TObject*) {
  LastSearch() = {FTD->FindText(), FTD->Options()};
  SearchTarget()->FindAndSelect(FTD->FindText(), FTD->Options(), FTD->Options().count(frDown) > 0);
}

void TEditForm::FindNext1Click(TObject*) {
  if (LastSearch().Text.empty()) return Text1Click(this);
  FindAndSelect(LastSearch().Text, LastSearch().Options, true);
}

void TEditForm::FindPrevious1Click(TObject*) {
  if (LastSearch().Text.empty()) return Text1Click(this);
  FindAndSelect(LastSearch().Text, LastSearch().Options, false);
}

bool TEditForm::FindAndSelect(const String& Text, const TFindOptions& Options, bool Down) {
  const TSearchTypes types = SearchTypes(Options);
  const int length = RE1->GetTextLen();
  String note;
  int found;
  if (Down) {
    const int start = RE1->SelStart() + RE1->SelLength();
    found = RE1->FindText(Text, start, length - start, types);
    if (found < 0 && (found = RE1->FindText(Text, 0, length, types)) >= 0)
      note = "Passed the end of the text; found from the start";
  } else {
    found = RE1->FindLastText(Text, 0, RE1->SelStart(), types);
    if (found < 0 && (found = RE1->FindLastText(Text, 0, length, types)) >= 0)
      note = "Passed the start of the text; found from the end";
  }
  if (found < 0) {
    MessageBoxA(Handle(), ("Cannot find \"" + Text + "\"").c_str(), Application->Title().c_str(),
                MB_OK | MB_ICONINFORMATION);
    return false;
  }
  RE1->SetSelStart(found);
  RE1->SetSelLength(TRichEdit::LengthOf(Text));
  SendMessageA(RE1->Handle(), EM_SCROLLCARET, 0, 0);
  RE1->SetFocus();
  if (note.empty())
    SetModified(FModified);
  else
    ESB1->SetSimpleText(note);
  return true;
}

void TEditForm::Replace1Click(TObject*) {
  if (RD->FindText().empty()) RD->SetFindText(LastSearch().Text);
  RD->Execute();
}

void TEditForm::RDFind(TObject*) {
  LastSearch() = {RD->FindText(), RD->Options()};
  SearchTarget()->FindAndSelect(RD->FindText(), RD->Options(), true);
}

void TEditForm::RDReplace(TObject*) {
  TEditForm* target = SearchTarget();
  TRichEdit* edit = target->RE1;
  const String& text = RD->FindText();
  const TSearchTypes types = SearchTypes(RD->Options());
  LastSearch() = {text, RD->Options()};
  if (RD->Options().count(frReplaceAll)) {
    std::vector<std::pair<int, int>> ranges;
    const int length = edit->GetTextLen();
    for (int at = 0; (at = edit->FindText(text, at, length - at, types)) >= 0; at += TRichEdit::LengthOf(text))
      ranges.emplace_back(at, TRichEdit::LengthOf(text));
    if (ranges.empty()) {
      target->FindAndSelect(text, RD->Options(), true);
      return;
    }
    edit->ReplaceRanges(ranges, RD->ReplaceText());
    const String count = std::to_string(ranges.size()) + (ranges.size() == 1 ? " occurrence" : " occurrences");
    MessageBoxA(target->Handle(), ("Replaced " + count + " of \"" + text + "\".").c_str(), Application->Title().c_str(),
                MB_OK | MB_ICONINFORMATION);
    return;
  }
  // The selection is replaced only when it is an occurrence of the text.
  const int start = edit->SelStart();
  if (edit->SelLength() == TRichEdit::LengthOf(text) &&
      edit->FindText(text, start, edit->SelLength(), types) == start) {
    edit->ReplaceRanges({{start, edit->SelLength()}}, RD->ReplaceText());
  }
  target->FindAndSelect(text, RD->Options(), true);
}

std::vector<TSectionHeader> ScanSections(const String& Text) {
  std::vector<TSectionHeader> headers;
  // Position in the control's units: one per character, two for one outside the Basic
  // Multilingual Plane (a four-byte sequence).
  const auto Units = [](unsigned char B) { return (B & 0xC0) == 0x80 ? 0 : B >= 0xF0 ? 2 : 1; };
  const auto IsBreak = [](char C) { return C == '\n' || C == '\r'; };
  int pos = 0;
  std::size_t i = 0;
  while (i < Text.size()) {
    // At the start of a line: blanks, then maybe a "[".
    while (i < Text.size() && (Text[i] == ' ' || Text[i] == '\t')) {
      ++i;
      ++pos;
    }
    if (i < Text.size() && Text[i] == '[') {
      const int start = ++pos;
      bool named = false;
      std::size_t j = ++i;
      int end = start;
      while (j < Text.size() && Text[j] != ']' && !IsBreak(Text[j])) {
        named = named || (Text[j] != ' ' && Text[j] != '\t');
        end += Units(static_cast<unsigned char>(Text[j++]));
      }
      if (j < Text.size() && Text[j] == ']' && named) headers.push_back({start, end - start, Text.substr(i, j - i)});
    }
    // On to the next line.
    while (i < Text.size() && !IsBreak(Text[i]))
      pos += Units(static_cast<unsigned char>(Text[i++]));
    if (i < Text.size()) {
      ++i;
      ++pos;
    }
  }
  return headers;
}

std::vector<TSuspectLine> FindSuspectLines(const String& Text, bool Inf) {
  std::vector<TSuspectLine> suspects;
  const auto Trim = [](std::string_view S) {
    const std::size_t first = S.find_first_not_of(" \t");
    return first == S.npos ? std::string_view() : S.substr(first, S.find_last_not_of(" \t") - first + 1);
  };
  const auto Folded = [](std::string_view S) {
    String folded(S);
    for (char& c : folded)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
  };
  std::unordered_map<String, int> sections, keys;
  int line = 0;
  for (std::size_t start = 0; start <= Text.size(); ++line) {
    std::size_t end = Text.find_first_of("\r\n", start);
    if (end == String::npos) end = Text.size();
    const std::string_view text = Trim(std::string_view(Text).substr(start, end - start));
    start = end + 1;
    if (end == Text.size() && text.empty()) break;
    if (text.empty() || text[0] == ';' || text[0] == '#') continue;
    if (text[0] == '[') {
      const std::size_t close = text.find(']');
      const std::string_view name = close == text.npos ? std::string_view() : text.substr(1, close - 1);
      if (!Trim(name).empty()) {
        const auto [at, added] = sections.try_emplace(Folded(Trim(name)), line);
        if (!added) suspects.push_back({TSuspectLine::skSection, line, at->second, String(name)});
        keys.clear();
        continue;
      }
    } else if (const std::size_t equals = text.find('='); equals != text.npos && equals > 0) {
      if (Inf) continue;
      const std::string_view key = Trim(text.substr(0, equals));
      const auto [at, added] = keys.try_emplace(Folded(key), line);
      if (!added) suspects.push_back({TSuspectLine::skKey, line, at->second, String(key)});
      continue;
    }
    if (!Inf) suspects.push_back({TSuspectLine::skOdd, line, -1, ""});
  }
  return suspects;
}

void TEditForm::CheckLines() {
  const String& name = FFileName;
  const bool inf = name.size() >= 4 && [&] {
    String ext = name.substr(name.size() - 4);
    for (char& c : ext)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".inf";
  }();
  const std::vector<TSuspectLine> suspects = FindSuspectLines(RE1->Text(), inf);
  std::vector<int> lines;
  int duplicates = 0;
  for (const TSuspectLine& s : suspects) {
    lines.push_back(s.Line);
    duplicates += s.Kind != TSuspectLine::skOdd;
  }
  RE1->SetMarkedLines(lines);
  const int odd = static_cast<int>(suspects.size()) - duplicates;
  const auto Count = [](int N, const char* One, const char* Many) {
    return std::to_string(N) + " " + (N == 1 ? One : Many);
  };
  String count = duplicates ? Count(duplicates, "duplicate", "duplicates") : "";
  if (odd) count += (count.empty() ? "" : ", ") + Count(odd, "odd line", "odd lines");
  ESB1->SetPanelText(3, count);
  String tip;
  if (!suspects.empty()) {
    const TSuspectLine& s = suspects.front();
    tip = "Line " + std::to_string(s.Line + 1) + ": ";
    switch (s.Kind) {
    case TSuspectLine::skSection:
      tip += "the section [" + s.Name + "] repeats line " + std::to_string(s.Earlier + 1);
      break;
    case TSuspectLine::skKey:
      tip += "the key " + s.Name + " repeats line " + std::to_string(s.Earlier + 1) + " of its section";
      break;
    case TSuspectLine::skOdd: tip += "neither a section header, a key=value, a comment nor blank"; break;
    }
  }
  ESB1->SetPanelHint(3, tip);
}

void TEditForm::FindSectionsClick() {
  std::vector<TMenuItem*> entries;
  for (const TSectionHeader& header : ScanSections(RE1->Text())) {
    auto* item = new TMenuItem(Find);
    item->SetCaption(header.Name);
    item->SetOnClick([this](TObject* Sender) { SectionItemClick(Sender); });
    item->SetHint("Move cursor to this section header");
    entries.push_back(item);
  }
  Find->Add(entries);
  RE1->SetSelStart(0);
}

void TEditForm::SectionItemClick(TObject* Sender) {
  const String& name = static_cast<TMenuItem*>(Sender)->Caption();
  // Which header of that name the entry stands for: one more than the entries of that name before it.
  int nth = 0;
  for (int i = 0; i < Find->Count() && Find->Items(i) != Sender; ++i)
    nth += Find->Items(i)->Caption() == name;
  for (const TSectionHeader& header : ScanSections(RE1->Text())) {
    if (header.Name != name || nth-- > 0) continue;
    RE1->SetSelStart(header.Start);
    SendMessageA(RE1->Handle(), EM_SCROLLCARET, 0, 0);
    SetFocus();
    return;
  }
  MessageBeep(0xFFFFFFFF);
}

void RegisterEditFormClasses() {
  static const bool done = [] {
    RegisterMDIChildClasses();
    RegisterComCtrlsClasses();
    RegisterDialogsClasses();
    TClassRegistration<TEditForm>("TEditForm", "TMDIChild")
        .Field(PUBLISHED(TEditForm, RE1))
        .Field(PUBLISHED(TEditForm, ESB1))
        .Field(PUBLISHED(TEditForm, MainMenu1))
        .Field(PUBLISHED(TEditForm, FTD))
        .Field(PUBLISHED(TEditForm, RD))
        .Field(PUBLISHED(TEditForm, File1))
        .Field(PUBLISHED(TEditForm, Close1))
        .Field(PUBLISHED(TEditForm, Save1))
        .Field(PUBLISHED(TEditForm, SaveAs1))
        .Field(PUBLISHED(TEditForm, SaveEncoding1))
        .Field(PUBLISHED(TEditForm, EncodingUtf81))
        .Field(PUBLISHED(TEditForm, EncodingUtf8Bom1))
        .Field(PUBLISHED(TEditForm, EncodingUtf16LE1))
        .Field(PUBLISHED(TEditForm, EncodingUtf16BE1))
        .Field(PUBLISHED(TEditForm, EncodingWindows12521))
        .Field(PUBLISHED(TEditForm, N1))
        .Field(PUBLISHED(TEditForm, Print1))
        .Field(PUBLISHED(TEditForm, Find))
        .Field(PUBLISHED(TEditForm, Text1))
        .Field(PUBLISHED(TEditForm, FindNext1))
        .Field(PUBLISHED(TEditForm, FindPrevious1))
        .Field(PUBLISHED(TEditForm, Replace1))
        .Field(PUBLISHED(TEditForm, N2))
        .Handler(PUBLISHED(TEditForm, RE1Change))
        .Handler(PUBLISHED(TEditForm, RE1SelectionChange))
        .Handler(PUBLISHED(TEditForm, EncodingItemClick))
        .Handler(PUBLISHED(TEditForm, Save1Click))
        .Handler(PUBLISHED(TEditForm, Close1Click))
        .Handler(PUBLISHED(TEditForm, SaveAs1Click))
        .Handler(PUBLISHED(TEditForm, Print1Click))
        .Handler(PUBLISHED(TEditForm, Text1Click))
        .Handler(PUBLISHED(TEditForm, FTDFind))
        .Handler(PUBLISHED(TEditForm, FindNext1Click))
        .Handler(PUBLISHED(TEditForm, FindPrevious1Click))
        .Handler(PUBLISHED(TEditForm, Replace1Click))
        .Handler(PUBLISHED(TEditForm, RDFind))
        .Handler(PUBLISHED(TEditForm, RDReplace));
    return true;
  }();
  (void)done;
}
