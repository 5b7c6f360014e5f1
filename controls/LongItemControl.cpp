#include "controls/LongItemControl.h"

#include "framework/Forms.h"

// The form's mouse-move handler a long-item control installs: the handler it found on the
// form, then the control's own part. It stays in the form's chain for the form's life, so
// that the controls hooked after it keep their order; once its control has gone, it only
// passes the move on.
struct TLongItemHook {
  // The control's FormMouseMoveHook; emptied when the control goes.
  TMouseMoveEvent Control;
  // The handler found on the form, for when the control has gone.
  TMouseMoveEvent Saved;

  void Move(TObject* Sender, TShiftState Shift, std::int32_t X, std::int32_t Y) const {
    if (Control)
      Control(Sender, Shift, X, Y);
    else if (Saved)
      Saved(Sender, Shift, X, Y);
  }
};

namespace {

// The form's handler as installed: a functor of its own type, so that a control can tell
// its own hook among the form's handlers.
struct TInstalledHook {
  std::shared_ptr<TLongItemHook> Hook;
  void operator()(TObject* Sender, TShiftState Shift, std::int32_t X, std::int32_t Y) const {
    Hook->Move(Sender, Shift, X, Y);
  }
};

// Installs the hook of a control on its form, saving the handler found there in Saved.
// Without a form the control gets no hook, and its tips never show.
std::shared_ptr<TLongItemHook> InstallHook(TControl* Control, TMouseMoveEvent ControlPart, TMouseMoveEvent& Saved) {
  TForm* form = GetParentForm(Control);
  if (!form) return nullptr;
  if (form->OnMouseMove()) Saved = form->OnMouseMove();
  auto hook = std::make_shared<TLongItemHook>();
  hook->Control = std::move(ControlPart);
  hook->Saved = Saved;
  form->SetOnMouseMove(TInstalledHook{hook});
  return hook;
}

// Takes a going control out of its form's chain: where its hook is the form's handler, the
// handler it found comes back; elsewhere in the chain the hook stays and passes moves on.
void RemoveHook(TControl* Control, const std::shared_ptr<TLongItemHook>& Hook) {
  if (!Hook) return;
  Hook->Control = nullptr;
  TForm* form = GetParentForm(Control);
  if (!form) return;
  TMouseMoveEvent current = form->OnMouseMove();
  const auto* installed = current.target<TInstalledHook>();
  if (installed && installed->Hook == Hook) form->SetOnMouseMove(Hook->Saved);
}

// Builds a tip for the text of an item of Control whose text starts at the given point of the
// control's client area; the tip lies on the control's form, over the item.
TLongEdit* MakeTip(TWinControl* Control, TCanvas* Canvas, TColor BackColor, TColor TextColor, const String& Text,
                   int Left, int Top) {
  auto* tip = new TLongEdit(Control);
  tip->FHost = Control;
  tip->SetLeft(Control->Left() + Left + 1);
  tip->SetTop(Control->Top() + Top);
  tip->SetParent(GetParentForm(Control));
  tip->SetBorderStyle(bsSingle);
  tip->SetColor(BackColor);
  tip->SetReadOnly(true);
  tip->BringToFront();
  tip->Font()->Assign(*Control->Font());
  tip->Font()->SetColor(TextColor);
  Canvas->Font()->Assign(*Control->Font());
  const TSize extent = Canvas->TextExtent(Text);
  tip->SetWidth(extent.cx + 8);
  tip->SetHeight(extent.cy + 4);
  tip->SetText(Text);
  tip->Show();
  return tip;
}

} // namespace

template <class TBase> TLongItemControl<TBase>::~TLongItemControl() { RemoveHook(this, FHook); }

template <class TBase> void TLongItemControl<TBase>::Loaded() {
  TBase::Loaded();
  FHook = InstallHook(
      this,
      [this](TObject* Sender, TShiftState Shift, std::int32_t X, std::int32_t Y) {
        FormMouseMoveHook(Sender, Shift, X, Y);
      },
      FSavedFormMouseMove);
}

template <class TBase> bool TLongItemControl<TBase>::PointerReached(std::int32_t Index, bool OnItem) {
  if (FOnlyWhenFocused && this->Handle() != GetFocus()) return false;
  if (Index == FLastIndex) return false;
  // Over no item a shown tip stays in place.
  if (OnItem) RemoveTip();
  FLastIndex = Index;
  return OnItem;
}

template <class TBase> int TLongItemControl<TBase>::ItemTextWidth(const String& Text) {
  this->Canvas()->Font()->Assign(*this->Font());
  return this->Canvas()->TextWidth(Text);
}

template <class TBase> void TLongItemControl<TBase>::ShowTip(const String& Text, int Left, int Top) {
  FTip = MakeTip(this, this->Canvas(), FBackColor, FTextColor, Text, Left, Top);
}

template <class TBase> void TLongItemControl<TBase>::RemoveTip() {
  if (!FTip) return;
  // Released rather than freed: the host may be handling a click the tip itself delivered.
  FTip->Hide();
  FTip->Release();
  FTip = nullptr;
  FLastIndex = -1;
}

template <class TBase>
void TLongItemControl<TBase>::FormMouseMoveHook(TObject* Sender, TShiftState Shift, std::int32_t X, std::int32_t Y) {
  if (FSavedFormMouseMove) FSavedFormMouseMove(Sender, Shift, X, Y);
  RemoveTip();
}

template class TLongItemControl<TListBox>;
template class TLongItemControl<TOutline>;
