#include "app/Main.h"

#include "editor/Unit1.h"
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

void TMainForm::FileOpenItemClick(TObject*) {
  if (!OpenDialog->Execute()) return;
  auto* editor = new TEditForm(this);
  editor->LoadFile(OpenDialog->FileName());
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
  auto* editor = new TEditForm(this);
  int index = LLB1->ItemIndex();
  editor->LoadFile(LLB1->Items()->Strings(index));
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
    RegisterFormsClasses();
    RegisterStdCtrlsClasses();
    RegisterExtCtrlsClasses();
    RegisterButtonsClasses();
    RegisterFileCtrlClasses();
    RegisterComCtrlsClasses();
    RegisterDialogsClasses();
    RegisterEditFormClasses();
    RegisterTreeScanner();
    RegisterZLAdvLed();
    RegisterLongList();
    RegisterMDIWallpaper();
    RegisterOrvelAboutBox();
    TClassRegistration<TMainForm>("TMainForm", "TForm")
        .FIELD(TMainForm, SpeedPanel)
        .FIELD(TMainForm, OpenBtn)
        .FIELD(TMainForm, SaveBtn)
        .FIELD(TMainForm, CutBtn)
        .FIELD(TMainForm, CopyBtn)
        .FIELD(TMainForm, PasteBtn)
        .FIELD(TMainForm, ExitBtn)
        .FIELD(TMainForm, IncludeINF)
        .FIELD(TMainForm, DS1)
        .FIELD(TMainForm, ScanButton)
        .FIELD(TMainForm, ScanLed)
        .FIELD(TMainForm, SB1)
        .FIELD(TMainForm, LLB1)
        .FIELD(TMainForm, MainMenu1)
        .FIELD(TMainForm, File1)
        .FIELD(TMainForm, FileOpenItem)
        .FIELD(TMainForm, FileCloseItem)
        .FIELD(TMainForm, FileSaveItem)
        .FIELD(TMainForm, FileSaveAsItem)
        .FIELD(TMainForm, N2)
        .FIELD(TMainForm, FileExitItem)
        .FIELD(TMainForm, Edit1)
        .FIELD(TMainForm, CutItem)
        .FIELD(TMainForm, CopyItem)
        .FIELD(TMainForm, PasteItem)
        .FIELD(TMainForm, Selectall1)
        .FIELD(TMainForm, Window1)
        .FIELD(TMainForm, WindowCascadeItem)
        .FIELD(TMainForm, WindowTileItem)
        .FIELD(TMainForm, WindowArrangeItem)
        .FIELD(TMainForm, WindowMinimizeItem)
        .FIELD(TMainForm, CloseAll1)
        .FIELD(TMainForm, Help1)
        .FIELD(TMainForm, HelpAboutItem)
        .FIELD(TMainForm, OpenDialog)
        .FIELD(TMainForm, SaveDialog)
        .FIELD(TMainForm, PrinterSetupDialog1)
        .FIELD(TMainForm, TS1)
        .FIELD(TMainForm, MDIWallpaper1)
        .FIELD(TMainForm, SAB1)
        .Handler("FormCreate", &TMainForm::FormCreate)
        .Handler("FormDestroy", &TMainForm::FormDestroy)
        .Handler("FormCloseQuery", &TMainForm::FormCloseQuery)
        .Handler("FileOpenItemClick", &TMainForm::FileOpenItemClick)
        .Handler("FileCloseItemClick", &TMainForm::FileCloseItemClick)
        .Handler("FileSaveItemClick", &TMainForm::FileSaveItemClick)
        .Handler("FileSaveAsItemClick", &TMainForm::FileSaveAsItemClick)
        .Handler("FileExitItemClick", &TMainForm::FileExitItemClick)
        .Handler("CutItemClick", &TMainForm::CutItemClick)
        .Handler("CopyItemClick", &TMainForm::CopyItemClick)
        .Handler("PasteItemClick", &TMainForm::PasteItemClick)
        .Handler("Selectall1Click", &TMainForm::Selectall1Click)
        .Handler("WindowCascadeItemClick", &TMainForm::WindowCascadeItemClick)
        .Handler("WindowTileItemClick", &TMainForm::WindowTileItemClick)
        .Handler("WindowArrangeItemClick", &TMainForm::WindowArrangeItemClick)
        .Handler("WindowMinimizeItemClick", &TMainForm::WindowMinimizeItemClick)
        .Handler("CloseAll1Click", &TMainForm::CloseAll1Click)
        .Handler("HelpAboutItemClick", &TMainForm::HelpAboutItemClick)
        .Handler("LB1DblClick", &TMainForm::LB1DblClick)
        .Handler("scan1Click", &TMainForm::scan1Click)
        .Handler("TS1FileFound", &TMainForm::TS1FileFound);
    return true;
  }();
  (void)done;
}
