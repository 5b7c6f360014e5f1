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
        .Field("SpeedPanel", &TMainForm::SpeedPanel)
        .Field("OpenBtn", &TMainForm::OpenBtn)
        .Field("SaveBtn", &TMainForm::SaveBtn)
        .Field("CutBtn", &TMainForm::CutBtn)
        .Field("CopyBtn", &TMainForm::CopyBtn)
        .Field("PasteBtn", &TMainForm::PasteBtn)
        .Field("ExitBtn", &TMainForm::ExitBtn)
        .Field("IncludeINF", &TMainForm::IncludeINF)
        .Field("DS1", &TMainForm::DS1)
        .Field("ScanButton", &TMainForm::ScanButton)
        .Field("ScanLed", &TMainForm::ScanLed)
        .Field("SB1", &TMainForm::SB1)
        .Field("LLB1", &TMainForm::LLB1)
        .Field("MainMenu1", &TMainForm::MainMenu1)
        .Field("File1", &TMainForm::File1)
        .Field("FileOpenItem", &TMainForm::FileOpenItem)
        .Field("FileCloseItem", &TMainForm::FileCloseItem)
        .Field("FileSaveItem", &TMainForm::FileSaveItem)
        .Field("FileSaveAsItem", &TMainForm::FileSaveAsItem)
        .Field("N2", &TMainForm::N2)
        .Field("FileExitItem", &TMainForm::FileExitItem)
        .Field("Edit1", &TMainForm::Edit1)
        .Field("CutItem", &TMainForm::CutItem)
        .Field("CopyItem", &TMainForm::CopyItem)
        .Field("PasteItem", &TMainForm::PasteItem)
        .Field("Selectall1", &TMainForm::Selectall1)
        .Field("Window1", &TMainForm::Window1)
        .Field("WindowCascadeItem", &TMainForm::WindowCascadeItem)
        .Field("WindowTileItem", &TMainForm::WindowTileItem)
        .Field("WindowArrangeItem", &TMainForm::WindowArrangeItem)
        .Field("WindowMinimizeItem", &TMainForm::WindowMinimizeItem)
        .Field("CloseAll1", &TMainForm::CloseAll1)
        .Field("Help1", &TMainForm::Help1)
        .Field("HelpAboutItem", &TMainForm::HelpAboutItem)
        .Field("OpenDialog", &TMainForm::OpenDialog)
        .Field("SaveDialog", &TMainForm::SaveDialog)
        .Field("PrinterSetupDialog1", &TMainForm::PrinterSetupDialog1)
        .Field("TS1", &TMainForm::TS1)
        .Field("MDIWallpaper1", &TMainForm::MDIWallpaper1)
        .Field("SAB1", &TMainForm::SAB1)
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
