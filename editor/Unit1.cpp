#include "editor/Unit1.h"

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
  while (Find->Count() > 2)
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

void TEditForm::FTDFind(TObject*) {
  int start = RE1->SelStart() + RE1->SelLength();
  int found = RE1->FindText(FTD->FindText(), start, RE1->GetTextLen() - start);
  if (found < 0) {
    MessageBeep(0xFFFFFFFF);
    return;
  }
  RE1->SetSelStart(found);
  RE1->SetSelLength(TRichEdit::LengthOf(FTD->FindText()));
  SendMessageA(RE1->Handle(), EM_SCROLLCARET, 0, 0);
  RE1->SetFocus();
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
  for (const TSectionHeader& header : ScanSections(RE1->Text())) {
    auto* item = new TMenuItem(Find);
    item->SetCaption(header.Name);
    item->SetOnClick([this](TObject* Sender) { SectionItemClick(Sender); });
    item->SetHint("Move cursor to this section header");
    Find->Add(item);
  }
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
        .Field(PUBLISHED(TEditForm, N2))
        .Handler(PUBLISHED(TEditForm, RE1Change))
        .Handler(PUBLISHED(TEditForm, RE1SelectionChange))
        .Handler(PUBLISHED(TEditForm, EncodingItemClick))
        .Handler(PUBLISHED(TEditForm, Save1Click))
        .Handler(PUBLISHED(TEditForm, Close1Click))
        .Handler(PUBLISHED(TEditForm, SaveAs1Click))
        .Handler(PUBLISHED(TEditForm, Print1Click))
        .Handler(PUBLISHED(TEditForm, Text1Click))
        .Handler(PUBLISHED(TEditForm, FTDFind));
    return true;
  }();
  (void)done;
}
