#include "app/MainForm.h"

#include <algorithm>
#include <cctype>

#include "controls/LongOutline.h"
#include "editor/EditForm.h"
#include "framework/Registration.h"
#include "framework/TextFile.h"
#include "framework/Thread.h"
#include "framework/TypInfo.h"
#include "platform/Files.h"
#include "platform/Utf8.h"

TMainForm* MainForm = nullptr;

TMainForm::TMainForm(TComponent* AOwner) : TForm(AOwner, TNoDescription{}) { ReadDescription("TMainForm"); }

void TMainForm::FormCreate(TObject*) {
  Application->SetOnHint([this](TObject* Sender) { DisplayHint(Sender); });
  Screen->SetOnActiveFormChange([this](TObject* Sender) { UpdateMenuItems(Sender); });
  TS1->SetOnSearchDone([this](TObject* Sender) { TS1SearchDone(Sender); });
  Application->SetOnOpenFiles([this](const std::vector<String>& Paths) { OpenHandedFiles(Paths); });
  // An entry for each recent file there may be, those beyond the list hidden.
  for (std::size_t i = 0; i < TRecentFiles::MaxCount; ++i) {
    auto* item = new TMenuItem(FileReopenItem);
    item->SetVisible(false);
    item->SetOnClick([this](TObject* Sender) { ReopenItemClick(Sender); });
    FileReopenItem->Add(item);
  }
  UpdateReopenItems();
}

void TMainForm::FormDestroy(TObject*) {
  Application->SetOnOpenFiles(nullptr);
  Screen->SetOnActiveFormChange(nullptr);
  TS1->SetOnSearchDone(nullptr);
}

void TMainForm::DisplayHint(TObject*) { SB1->SetSimpleText(Application->Hint()); }

void TMainForm::UpdateMenuItems(TObject*) {
  const bool any = MDIChildCount() > 0;
  // The commands on a file's text need an editor window; the results of a search are none.
  const bool editing = any && ActiveEditor();
  FileCloseItem->SetEnabled(any);
  for (TMenuItem* item : {FileSaveItem, FileSaveAsItem, CutItem, CopyItem, PasteItem, Selectall1})
    item->SetEnabled(editing);
  for (TSpeedButton* button : {SaveBtn, CutBtn, CopyBtn, PasteBtn})
    button->SetEnabled(editing);
  for (TMenuItem* item : {WindowCascadeItem, WindowTileItem, WindowArrangeItem, WindowMinimizeItem, CloseAll1})
    item->SetEnabled(any);
}

TEditForm* TMainForm::ActiveEditor() const { return dynamic_cast<TEditForm*>(ActiveMDIChild()); }

TEditForm* TMainForm::OpenFile(const String& Path) {
  // What can be told without reading is told before a window is made; what only the reading
  // finds takes the new window away again before the error is shown.
  CheckTextFile(Path);
  auto* editor = new TEditForm(this);
  try {
    editor->LoadFile(Path);
  } catch (...) {
    editor->Free();
    throw;
  }
  editor->SetOnSaved([this](TObject* Sender) { AddRecentFile(static_cast<TEditForm*>(Sender)->GetFileName()); });
  AddRecentFile(Path);
  return editor;
}

void TMainForm::AddRecentFile(const String& Path) {
  FRecentFiles->Add(Path);
  UpdateReopenItems();
}

// A path as a menu entry shows it: one too long for the menu keeps its start and, with the
// file's name, its end.
static String MenuPath(const String& Path) {
  constexpr std::size_t Head = 30, Tail = 60; // characters
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < Path.size(); ++i)
    if ((static_cast<unsigned char>(Path[i]) & 0xC0) != 0x80) starts.push_back(i);
  if (starts.size() <= Head + Tail + 1) return Path;
  return Path.substr(0, starts[Head]) + "\xE2\x80\xA6" + Path.substr(starts[starts.size() - Tail]);
}

void TMainForm::UpdateReopenItems() {
  const std::vector<String>& files = FRecentFiles->Files();
  for (std::size_t i = 0; i < static_cast<std::size_t>(FileReopenItem->Count()); ++i) {
    TMenuItem* item = FileReopenItem->Items(static_cast<int>(i));
    if (i < files.size()) {
      // The path as the file list shows it; an "&" in it is no accelerator.
      const String shown = ReadableName(files[i]);
      String caption = "&" + std::to_string(i + 1) + " ";
      for (char c : MenuPath(shown))
        caption += c == '&' ? "&&" : String(1, c);
      item->SetCaption(caption);
      // The whole of the hint is its long part, whatever "|" the path holds.
      item->SetHint("|Open " + shown);
    }
    item->SetVisible(i < files.size());
  }
  FileReopenItem->SetEnabled(!files.empty());
}

void TMainForm::ReopenItemClick(TObject* Sender) {
  int index = 0;
  while (index < FileReopenItem->Count() && FileReopenItem->Items(index) != Sender)
    ++index;
  if (static_cast<std::size_t>(index) >= FRecentFiles->Files().size()) return;
  const String path = FRecentFiles->Files()[static_cast<std::size_t>(index)];
  try {
    OpenFile(path);
  } catch (...) {
    // A file that has gone leaves the menu; one still there that cannot be opened now stays.
    if (!FileExists(path)) {
      FRecentFiles->Remove(path);
      UpdateReopenItems();
    }
    throw;
  }
}

void TMainForm::OpenHandedFiles(const std::vector<String>& Paths) {
  OpenFiles(Paths);
  Application->BringToFront();
}

void TMainForm::OpenFiles(const std::vector<String>& Paths) {
  FFilesToOpen.insert(FFilesToOpen.end(), Paths.begin(), Paths.end());
  QueueNextFile();
}

void TMainForm::QueueNextFile() {
  if (FNextFileQueued || FFilesToOpen.empty()) return;
  FNextFileQueued = true;
  TThread::Queue([] {
    if (MainForm) MainForm->OpenNextFile();
  });
}

void TMainForm::OpenNextFile() {
  FNextFileQueued = false;
  if (FFilesToOpen.empty()) return;
  const String path = FFilesToOpen.front();
  FFilesToOpen.pop_front();
  try {
    OpenFile(path);
  } catch (...) {
    Application->HandleException(this);
  }
  // The next waits until this one's message, if any, has been answered.
  QueueNextFile();
}

void TMainForm::FileOpenItemClick(TObject*) {
  if (OpenDialog->Execute()) OpenFile(OpenDialog->FileName());
}

void TMainForm::FileCloseItemClick(TObject*) {
  if (TForm* child = ActiveMDIChild()) child->Close();
}

void TMainForm::FileSaveItemClick(TObject* Sender) {
  if (TEditForm* editor = ActiveEditor()) editor->Save1Click(Sender);
}

void TMainForm::FileExitItemClick(TObject*) { Close(); }

void TMainForm::CutItemClick(TObject*) {
  if (TEditForm* editor = ActiveEditor()) {
    editor->RE1->CutToClipboard();
    editor->SetModified(true);
  }
}

void TMainForm::CopyItemClick(TObject*) {
  if (TEditForm* editor = ActiveEditor()) editor->RE1->CopyToClipboard();
}

void TMainForm::PasteItemClick(TObject*) {
  if (TEditForm* editor = ActiveEditor()) {
    editor->RE1->PasteFromClipboard();
    editor->SetModified(true);
  }
}

void TMainForm::Selectall1Click(TObject*) {
  if (TEditForm* editor = ActiveEditor()) editor->RE1->SelectAll();
}

void TMainForm::WindowCascadeItemClick(TObject*) { Cascade(); }
void TMainForm::WindowTileItemClick(TObject*) { Tile(); }
void TMainForm::WindowArrangeItemClick(TObject*) { ArrangeIcons(); }

void TMainForm::WindowMinimizeItemClick(TObject*) {
  for (int i = MDIChildCount() - 1; i >= 0; --i)
    MDIChildren(i)->SetWindowState(wsMinimized);
}

void TMainForm::CloseAll1Click(TObject* Sender) {
  if (MDIChildCount() == 0) return;
  for (int i = 0; i < MDIChildCount(); ++i) {
    auto* child = dynamic_cast<TEditForm*>(MDIChildren(i));
    if (child && child->GetModified()) {
      int answer = child->AskToSave(Handle());
      if (answer == IDCANCEL) return;
      if (answer == IDYES) child->Save1Click(Sender);
    }
    if (child)
      child->CloseAnswered();
    else
      MDIChildren(i)->Close();
  }
  UpdateMenuItems(Sender);
}

void TMainForm::FormCloseQuery(TObject* Sender, bool& CanClose) {
  for (int i = 0; i < MDIChildCount(); ++i) {
    auto* child = dynamic_cast<TEditForm*>(MDIChildren(i));
    if (!child || !child->GetModified()) continue;
    int answer = child->AskToSave(Handle());
    if (answer == IDCANCEL) {
      // A Cancel ends the questions: nothing after it is asked about or saved.
      CanClose = false;
      break;
    }
    if (answer == IDYES) child->Save1Click(Sender);
  }
  UpdateMenuItems(Sender);
  // The program ends: its scan ends with it, now.
  if (CanClose) StopClick(Sender);
}

void TMainForm::HelpAboutItemClick(TObject*) { SAB1->Execute(); }

void TMainForm::LB1DblClick(TObject*) {
  const int index = LLB1->ItemIndex();
  if (index < 0) {
    MessageBeep(0xFFFFFFFF);
    return;
  }
  OpenFile(LLB1->Items()->Strings(index));
}

void TMainForm::Edit1Click(TObject*) { UpdateFindInFilesItem(); }

void TMainForm::UpdateFindInFilesItem() { FindInFilesItem->SetEnabled(LLB1->Items()->Count() > 0); }

TFindResultsForm* TMainForm::FindResults() const {
  for (int i = 0; i < MDIChildCount(); ++i)
    if (auto* results = dynamic_cast<TFindResultsForm*>(MDIChildren(i))) return results;
  return nullptr;
}

void TMainForm::FindInFilesItemClick(TObject*) {
  TStrings* items = LLB1->Items();
  if (items->Count() == 0 || !FindFilesDialog->Execute()) return;
  std::vector<String> paths;
  paths.reserve(static_cast<std::size_t>(items->Count()));
  for (int i = 0; i < items->Count(); ++i)
    paths.push_back(items->Strings(i));
  TSearchTypes options;
  if (FindFilesDialog->Options().count(frMatchCase)) options.insert(stMatchCase);
  if (FindFilesDialog->Options().count(frWholeWord)) options.insert(stWholeWord);
  TFindResultsForm* results = FindResults();
  if (!results) {
    results = new TFindResultsForm(this);
    results->SetOnOpenMatch([this](const String& Path, const TFileMatch& Match) { OpenMatch(Path, Match); });
    results->SetOnSearchChange([this](TObject*) { UpdateStopBtn(); });
  }
  results->Search(paths, FindFilesDialog->FindText(), options);
  results->SetFocus();
}

bool TMainForm::FindingInFiles() const {
  const TFindResultsForm* results = FindResults();
  return results && results->Searching();
}

void TMainForm::UpdateStopBtn() { StopBtn->SetEnabled(FScanning || FindingInFiles()); }

void TMainForm::OpenMatch(const String& Path, const TFileMatch& Match) {
  TEditForm* editor = nullptr;
  for (int i = 0; i < MDIChildCount() && !editor; ++i)
    if (auto* open = dynamic_cast<TEditForm*>(MDIChildren(i)); open && open->GetFileName() == Path) editor = open;
  if (!editor) editor = OpenFile(Path);
  TRichEdit* edit = editor->RE1;
  int at = Match.Position;
  // The text may have changed since: the line's first occurrence from its start, or the first.
  if (const TFindResultsForm* results = FindResults();
      results && edit->FindText(results->SearchText(), at, Match.Length, results->SearchOptions()) != at) {
    at = edit->FindText(results->SearchText(), 0, edit->GetTextLen(), results->SearchOptions());
    if (at < 0) at = 0;
  }
  edit->SetSelStart(at);
  edit->SetSelLength(Match.Length);
  SendMessageA(edit->Handle(), EM_SCROLLCARET, 0, 0);
  editor->SetFocus();
  edit->SetFocus();
}

void TMainForm::scan1Click(TObject*) {
  if (FScanning) {
    MessageBeep(0xFFFFFFFF);
    return;
  }
  FScanning = true;
  FScanStopped = false;
  ++FScanNumber;
  FInfFound.clear();
  UpdateStopBtn();
  ScanLed->SetLedOn(true);
  LLB1->Items()->Clear();
  // A new list, and no results of the one before.
  if (TFindResultsForm* results = FindResults()) results->Close();
  UpdateFindInFilesItem();
  SB1->Font()->SetColor(clRed);
  SB1->SetSimpleText("Scanning system for INI files.. Please Wait");
  // One walk finds both kinds; the INF files are held back and listed after every INI file.
  FScanInf = IncludeINF->Checked();
  TS1->SetInitialDirectory(DS1->Drive());
  TS1->SetFileMask(FScanInf ? "*.in?" : "*.ini");
  TS1->BeginSearch();
}

void TMainForm::TS1SearchDone(TObject*) {
  if (FScanStopped || !TS1->Completed()) {
    EndScan(true);
  } else if (FScanInf) {
    SB1->SetSimpleText("Scanning system for INF files.. Please Wait");
    QueueInfFiles(0);
  } else {
    EndScan(false);
  }
}

void TMainForm::ListInfFiles(int Scan, std::size_t From) {
  if (Scan != FScanNumber || !FScanning) return;
  // A few thousand a turn, so that the window stays live while a long list fills.
  const std::size_t to = std::min(FInfFound.size(), From + 2000);
  for (std::size_t i = From; i < to; ++i)
    LLB1->Items()->Add(FInfFound[i]);
  UpdateFindInFilesItem();
  if (to == FInfFound.size())
    EndScan(false);
  else
    QueueInfFiles(to);
}

void TMainForm::QueueInfFiles(std::size_t From) {
  TThread::Queue([this, alive = std::weak_ptr<bool>(FAlive), Scan = FScanNumber, From] {
    if (!alive.expired()) ListInfFiles(Scan, From);
  });
}

void TMainForm::EndScan(bool Stopped) {
  FScanning = false;
  FInfFound.clear();
  UpdateStopBtn();
  SB1->Font()->SetColor(clNavy);
  String text = Stopped ? "Scan Stopped.." : "Scan Complete..";
  if (const int unreadable = TS1->UnreadableDirectories())
    text +=
        " " + std::to_string(unreadable) + (unreadable == 1 ? " directory" : " directories") + " could not be read.";
  SB1->SetSimpleText(text);
  ScanLed->SetLedOn(false);
}

void TMainForm::StopClick(TObject*) {
  if (TFindResultsForm* results = FindResults()) results->StopSearch();
  if (!FScanning) return;
  FScanStopped = true;
  if (TS1->SearchInProgress())
    TS1->StopSearch();
  else
    EndScan(true);
}

void TMainForm::WndProc(TMessage& Message) {
  if (Message.Msg == WM_KEYDOWN && Message.WParam == VK_ESCAPE && (FScanning || FindingInFiles())) {
    StopClick(this);
    Message.Result = 0;
    return;
  }
  TForm::WndProc(Message);
}

// Whether Path ends in Extension ("." and three letters), case ignored.
static bool HasExtension(const String& Path, const char* Extension) {
  if (Path.size() < 4) return false;
  for (std::size_t i = 0; i < 4; ++i)
    if (std::tolower(static_cast<unsigned char>(Path[Path.size() - 4 + i])) != Extension[i]) return false;
  return true;
}

void TMainForm::TS1FileFound(TObject*) {
  const String& path = TS1->FileFound();
  if (!FScanInf || HasExtension(path, ".ini"))
    LLB1->Items()->Add(path);
  else if (HasExtension(path, ".inf"))
    FInfFound.push_back(path);
  UpdateFindInFilesItem();
}

void RegisterMainFormClasses() {
  static const bool done = [] {
    RegisterFrameworkClasses();
    RegisterEditFormClasses();
    RegisterTreeScanner();
    RegisterZLAdvLed();
    RegisterLongListbox();
    RegisterLongOutline();
    RegisterMDIWallpaper();
    RegisterOrvelAboutBox();
    RegisterFindResultsForm();
    TClassRegistration<TMainForm>("TMainForm", "TForm")
        .Field(PUBLISHED(TMainForm, SpeedPanel))
        .Field(PUBLISHED(TMainForm, OpenBtn))
        .Field(PUBLISHED(TMainForm, SaveBtn))
        .Field(PUBLISHED(TMainForm, CutBtn))
        .Field(PUBLISHED(TMainForm, CopyBtn))
        .Field(PUBLISHED(TMainForm, PasteBtn))
        .Field(PUBLISHED(TMainForm, ExitBtn))
        .Field(PUBLISHED(TMainForm, IncludeINF))
        .Field(PUBLISHED(TMainForm, DS1))
        .Field(PUBLISHED(TMainForm, ScanButton))
        .Field(PUBLISHED(TMainForm, StopBtn))
        .Field(PUBLISHED(TMainForm, ScanLed))
        .Field(PUBLISHED(TMainForm, SB1))
        .Field(PUBLISHED(TMainForm, LLB1))
        .Field(PUBLISHED(TMainForm, MainMenu1))
        .Field(PUBLISHED(TMainForm, File1))
        .Field(PUBLISHED(TMainForm, FileOpenItem))
        .Field(PUBLISHED(TMainForm, FileReopenItem))
        .Field(PUBLISHED(TMainForm, FileCloseItem))
        .Field(PUBLISHED(TMainForm, FileSaveItem))
        .Field(PUBLISHED(TMainForm, FileSaveAsItem))
        .Field(PUBLISHED(TMainForm, N2))
        .Field(PUBLISHED(TMainForm, FileExitItem))
        .Field(PUBLISHED(TMainForm, Edit1))
        .Field(PUBLISHED(TMainForm, CutItem))
        .Field(PUBLISHED(TMainForm, CopyItem))
        .Field(PUBLISHED(TMainForm, PasteItem))
        .Field(PUBLISHED(TMainForm, Selectall1))
        .Field(PUBLISHED(TMainForm, N3))
        .Field(PUBLISHED(TMainForm, FindInFilesItem))
        .Field(PUBLISHED(TMainForm, Window1))
        .Field(PUBLISHED(TMainForm, WindowCascadeItem))
        .Field(PUBLISHED(TMainForm, WindowTileItem))
        .Field(PUBLISHED(TMainForm, WindowArrangeItem))
        .Field(PUBLISHED(TMainForm, WindowMinimizeItem))
        .Field(PUBLISHED(TMainForm, CloseAll1))
        .Field(PUBLISHED(TMainForm, Help1))
        .Field(PUBLISHED(TMainForm, HelpAboutItem))
        .Field(PUBLISHED(TMainForm, FindFilesDialog))
        .Field(PUBLISHED(TMainForm, OpenDialog))
        .Field(PUBLISHED(TMainForm, SaveDialog))
        .Field(PUBLISHED(TMainForm, PrinterSetupDialog1))
        .Field(PUBLISHED(TMainForm, TS1))
        .Field(PUBLISHED(TMainForm, MDIWallpaper1))
        .Field(PUBLISHED(TMainForm, SAB1))
        .Handler(PUBLISHED(TMainForm, FormCreate))
        .Handler(PUBLISHED(TMainForm, FormDestroy))
        .Handler(PUBLISHED(TMainForm, FormCloseQuery))
        .Handler(PUBLISHED(TMainForm, FileOpenItemClick))
        .Handler(PUBLISHED(TMainForm, FileCloseItemClick))
        .Handler(PUBLISHED(TMainForm, FileSaveItemClick))
        .Handler(PUBLISHED(TMainForm, FileExitItemClick))
        .Handler(PUBLISHED(TMainForm, CutItemClick))
        .Handler(PUBLISHED(TMainForm, CopyItemClick))
        .Handler(PUBLISHED(TMainForm, PasteItemClick))
        .Handler(PUBLISHED(TMainForm, Selectall1Click))
        .Handler(PUBLISHED(TMainForm, WindowCascadeItemClick))
        .Handler(PUBLISHED(TMainForm, WindowTileItemClick))
        .Handler(PUBLISHED(TMainForm, WindowArrangeItemClick))
        .Handler(PUBLISHED(TMainForm, WindowMinimizeItemClick))
        .Handler(PUBLISHED(TMainForm, CloseAll1Click))
        .Handler(PUBLISHED(TMainForm, HelpAboutItemClick))
        .Handler(PUBLISHED(TMainForm, LB1DblClick))
        .Handler(PUBLISHED(TMainForm, Edit1Click))
        .Handler(PUBLISHED(TMainForm, FindInFilesItemClick))
        .Handler(PUBLISHED(TMainForm, scan1Click))
        .Handler(PUBLISHED(TMainForm, TS1FileFound))
        .Handler(PUBLISHED(TMainForm, StopClick));
    return true;
  }();
  (void)done;
}
