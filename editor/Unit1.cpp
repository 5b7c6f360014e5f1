#include "editor/Unit1.h"

#include "framework/TypInfo.h"
#include "platform/Files.h"
#include "platform/Utf8.h"

TEditForm::TEditForm(TComponent* AOwner) : TMDIChild(AOwner, TNoDescription{}) { ReadDescription("TEditForm"); }

void TEditForm::LoadFile(const String& Path) {
  FFileName = Path;
  FLoadFailed = true;
  // Seen before it is read: a change made while it is read is one to ask about, not one missed.
  FSeen = GetFileState(FFileName);
  RE1->LoadFromFile(FFileName);
  FLoadFailed = false;
  SetCaption(ReadableName(FFileName));
  SetModified(false);
  FindSectionsClick();
  if (const String& loss = RE1->SaveLoss(); !loss.empty())
    MessageBoxA(
        Handle(),
        (ReadableName(FFileName) + " cannot be saved as it was read: " + loss + ". The editor asks before it saves it.")
            .c_str(),
        Application->Title().c_str(), MB_OK | MB_ICONWARNING);
}

void TEditForm::SetModified(bool Value) {
  FModified = Value;
  ESB1->SetSimpleText(Value ? "Modified" : " ");
}

void TEditForm::RE1Change(TObject*) { SetModified(true); }

void TEditForm::Save1Click(TObject*) { SaveFile(); }

void TEditForm::SaveFile() {
  // A file that could not be read is not replaced by the empty text shown in its place.
  if (FLoadFailed && FileExists(FFileName))
    throw EFCreateError(FFileName, ": it could not be read, so saving would replace it with an empty text");
  if (const String& loss = RE1->SaveLoss(); !loss.empty()) {
    const String question = "Saving " + ReadableName(FFileName) + " changes it: " + loss + ". Save it all the same?";
    if (MessageBoxA(Handle(), question.c_str(), "Please Confirm", MB_YESNO) != IDYES)
      throw EFCreateError(FFileName, ": not saved, so it keeps the bytes it has");
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
  SetModified(false);
}

void TEditForm::SetFileName(const String& Name) {
  FFileName = Name;
  FLoadFailed = false;
  FSeen = TFileState();
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

void TEditForm::SaveAs1Click(TObject* Sender) {
  TSaveDialog dialog(nullptr);
  if (!dialog.Execute()) return;
  SetFileName(dialog.FileName());
  Save1Click(Sender);
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

std::vector<TSectionHeader> ScanSections(int TextLength, const TTextSearch& Find) {
  std::vector<TSectionHeader> headers;
  int pos = 0;
  for (;;) {
    const int open = Find("[", pos, TextLength - pos);
    if (open < 0) break;
    const int start = open + 1;
    const int close = Find("]", start, TextLength - start);
    if (close < 0) break;
    headers.push_back({start, close - start});
    pos = close + 1;
  }
  return headers;
}

void TEditForm::FindSectionsClick() {
  const auto find = [this](const String& S, int StartPos, int Length) { return RE1->FindText(S, StartPos, Length); };
  for (const TSectionHeader& header : ScanSections(RE1->GetTextLen(), find)) {
    // The selection gives the entry its caption, the text strictly between the brackets.
    RE1->SetSelStart(header.Start);
    RE1->SetSelLength(header.Length);
    auto* item = new TMenuItem(Find);
    item->SetCaption(RE1->SelText());
    item->SetOnClick([this](TObject* Sender) { SectionItemClick(Sender); });
    item->SetHint("Move cursor to this section header");
    Find->Add(item);
  }
  RE1->SetSelStart(0);
}

void TEditForm::SectionItemClick(TObject* Sender) {
  int found = RE1->FindText(static_cast<TMenuItem*>(Sender)->Caption(), 0, RE1->GetTextLen());
  if (found < 0) {
    MessageBeep(0xFFFFFFFF);
    return;
  }
  RE1->SetSelStart(found);
  SendMessageA(RE1->Handle(), EM_SCROLLCARET, 0, 0);
  SetFocus();
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
        .Field(PUBLISHED(TEditForm, N1))
        .Field(PUBLISHED(TEditForm, Print1))
        .Field(PUBLISHED(TEditForm, Find))
        .Field(PUBLISHED(TEditForm, Text1))
        .Field(PUBLISHED(TEditForm, FindNext1))
        .Field(PUBLISHED(TEditForm, FindPrevious1))
        .Field(PUBLISHED(TEditForm, Replace1))
        .Field(PUBLISHED(TEditForm, N2))
        .Handler(PUBLISHED(TEditForm, RE1Change))
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
