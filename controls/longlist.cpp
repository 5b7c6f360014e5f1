#include "controls/longlist.h"

#include "framework/TypInfo.h"

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

// TLongEdit

TLongEdit::TLongEdit(TComponent* AOwner) : TEdit(AOwner) {}

void TLongEdit::WndProc(TMessage& Message) {
  switch (Message.Msg) {
  case WM_SETFOCUS: break; // the edit box's own caret never shows
  case WM_LBUTTONDOWN:
  case WM_LBUTTONUP:
  case WM_LBUTTONDBLCLK: ForwardClick(Message); break;
  default: TEdit::WndProc(Message);
  }
}

void TLongEdit::ForwardClick(TMessage& Message) {
  if (!FHost) return;
  POINT at{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
  ClientToScreen(Handle(), &at);
  ScreenToClient(FHost->Handle(), &at);
  const LPARAM point = MAKELPARAM(at.x, at.y);
  // An outline takes all but the press from its queue, once the tip's handling is over.
  if (Message.Msg != WM_LBUTTONDOWN && !dynamic_cast<TLongListbox*>(FHost))
    PostMessageA(FHost->Handle(), Message.Msg, Message.WParam, point);
  else
    SendMessageA(FHost->Handle(), Message.Msg, Message.WParam, point);
}

// TLongListbox

TLongListbox::TLongListbox(TComponent* AOwner) : TListBox(AOwner) {}

TLongListbox::~TLongListbox() { RemoveHook(this, FHook); }

void TLongListbox::Loaded() {
  TListBox::Loaded();
  FHook = InstallHook(
      this,
      [this](TObject* Sender, TShiftState Shift, std::int32_t X, std::int32_t Y) {
        FormMouseMoveHook(Sender, Shift, X, Y);
      },
      FSavedFormMouseMove);
}

void TLongListbox::MouseMove(TShiftState Shift, int X, int Y) {
  TListBox::MouseMove(Shift, X, Y);
  if (FOnlyWhenFocused && Handle() != GetFocus()) return;
  const int index = ItemAtPos(X, Y);
  if (index == FLastIndex) return;
  FLastIndex = index;
  if (index == -1) return;
  if (FTip) {
    FTip->Hide();
    FTip->Release();
    FTip = nullptr;
  }
  const String text = Items()->Strings(index);
  Canvas()->Font()->Assign(*Font());
  if (Canvas()->TextWidth(text) <= Width()) return;
  ShowTip(index, text, ItemRect(index));
}

void TLongListbox::ShowTip(int, const String& Text, const TRect& ItemRect) {
  FTip = MakeTip(this, Canvas(), FBackColor, FTextColor, Text, ItemRect.left, ItemRect.top);
}

void TLongListbox::RemoveTip() {
  if (!FTip) return;
  FTip->Hide();
  FTip->Release();
  FTip = nullptr;
  FLastIndex = -1;
}

void TLongListbox::FormMouseMoveHook(TObject* Sender, TShiftState Shift, std::int32_t X, std::int32_t Y) {
  if (FSavedFormMouseMove) FSavedFormMouseMove(Sender, Shift, X, Y);
  RemoveTip();
}

void RegisterLongList() {
  static const bool done = [] {
    RegisterStdCtrlsClasses();
    TClassRegistration<TLongEdit>("TLongEdit", "TEdit");
    TClassRegistration<TLongListbox>("TLongListbox", "TListBox")
        .Property("OnlyWhenFocused", &TLongListbox::OnlyWhenFocused, &TLongListbox::SetOnlyWhenFocused)
        .Property("BackColor", &TLongListbox::BackColor, &TLongListbox::SetBackColor)
        .Property("TextColor", &TLongListbox::TextColor, &TLongListbox::SetTextColor);
    return true;
  }();
  (void)done;
}
