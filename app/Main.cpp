#include "app/Main.h"

#include "editor/Unit1.h"
#include "framework/Registration.h"
#include "framework/TextFile.h"
#include "framework/TypInfo.h"

TMainForm* MainForm = nullptr;

TMainForm::TMainForm(TComponent* AOwner) : TForm(AOwner, TNoDescription{}) { ReadDescription("TMainForm"); }

void TMainForm::FormCreate(TObject*) {
  Application->SetOnHint([this](TObject* Sender) { DisplayHint(Sender); });
  Screen->SetOnActiveFormChange([this](TObject* Sender) { UpdateMenuItems(Sender); });
}

void TMainForm::FormDestroy(TObject*) { Screen->SetOnActiveFormChange(nullptr); }

void TMainForm::DisplayHint(TObject*) { SB1->SetSimpleText(Application->Hint()); }

void TMainForm::UpdateMenuItems(TObject*) {
  bool any = MDIChildCount() > 0;
  for (TMenuItem* item : {FileCloseItem, FileSaveItem, FileSaveAsItem, CutItem, CopyItem, PasteItem, Selectall1})
    item->SetEnabled(any);
  for (TSpeedButton* button : {SaveBtn, CutBtn, CopyBtn, PasteBtn})
    button->SetEnabled(any);
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
  return editor;
}

void TMainForm::OpenFiles(const std::vector<String>& Paths) {
  FFilesToOpen.insert(FFilesToOpen.end(), Paths.begin(), Paths.end());
  QueueNextFile();
}

void TMainForm::QueueNextFile() {
  if (FNextFileQueued || FFilesToOpen.empty()) return;
  FNextFileQueued = true;
  Application->Queue([] {
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

void TMainForm::FileSaveAsItemClick(TObject* Sender) {
  TEditForm* editor = ActiveEditor();
  if (!editor || !SaveDialog->Execute()) return;
  editor->SetFileName(SaveDialog->FileName());
  editor->Save1Click(Sender);
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
  if (MDIChildCount() == 0) return;
  for (int i = 0; i < MDIChildCount(); ++i) {
    auto* child = dynamic_cast<TEditForm*>(MDIChildren(i));
    if (!child || !child->GetModified()) continue;
    int answer = child->AskToSave(Handle());
    if (answer == IDCANCEL)
      CanClose = false;
    else if (answer == IDYES)
      child->Save1Click(Sender);
  }
  UpdateMenuItems(Sender);
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

void TMainForm::scan1Click(TObject*) {
  if (FScanning) {
    MessageBeep(0xFFFFFFFF);
    return;
  }
  struct TScanGuard {
    bool& Flag;
    ~TScanGuard() { Flag = false; }
  } guard{FScanning = true};
  ScanLed->SetLedOn(true);
  LLB1->Items()->Clear();
  SB1->Font()->SetColor(clRed);
  SB1->SetSimpleText("Scanning system for INI files.. Please Wait");
  ScanPass("*.ini");
  if (IncludeINF->Checked()) {
    SB1->SetSimpleText("Scanning system for INF files.. Please Wait");
    ScanPass("*.inf");
  }
  SB1->Font()->SetColor(clNavy);
  SB1->SetSimpleText("Scan Complete..");
  ScanLed->SetLedOn(false);
}

void TMainForm::ScanPass(const String& Mask) {
  // The drive is read afresh for every pass: one chosen during the first pass applies to the next.
  TS1->SetInitialDirectory(DS1->Drive());
  TS1->SetFileMask(Mask);
  TS1->StartSearch();
}

void TMainForm::TS1FileFound(TObject*) { LLB1->Items()->Add(TS1->FileFound()); }

void RegisterMainFormClasses() {
  static const bool done = [] {
    RegisterFrameworkClasses();
    RegisterEditFormClasses();
    RegisterTreeScanner();
    RegisterZLAdvLed();
    RegisterLongList();
    RegisterMDIWallpaper();
    RegisterOrvelAboutBox();
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
        .Field(PUBLISHED(TMainForm, ScanLed))
        .Field(PUBLISHED(TMainForm, SB1))
        .Field(PUBLISHED(TMainForm, LLB1))
        .Field(PUBLISHED(TMainForm, MainMenu1))
        .Field(PUBLISHED(TMainForm, File1))
        .Field(PUBLISHED(TMainForm, FileOpenItem))
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
        .Field(PUBLISHED(TMainForm, Window1))
        .Field(PUBLISHED(TMainForm, WindowCascadeItem))
        .Field(PUBLISHED(TMainForm, WindowTileItem))
        .Field(PUBLISHED(TMainForm, WindowArrangeItem))
        .Field(PUBLISHED(TMainForm, WindowMinimizeItem))
        .Field(PUBLISHED(TMainForm, CloseAll1))
        .Field(PUBLISHED(TMainForm, Help1))
        .Field(PUBLISHED(TMainForm, HelpAboutItem))
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
        .Handler(PUBLISHED(TMainForm, FileSaveAsItemClick))
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
        .Handler(PUBLISHED(TMainForm, scan1Click))
        .Handler(PUBLISHED(TMainForm, TS1FileFound));
    return true;
  }();
  (void)done;
}
