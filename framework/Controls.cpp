#include "framework/Controls.h"

#include <QFont>
#include <QPalette>
#include <QWidget>
#include <algorithm>

#include "framework/Bitmaps.h"
#include "framework/Geometry.h"
#include "framework/QtConvert.h"
#include "framework/TypInfo.h"
#include "platform/QtWindow.h"

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
  FFont.SetOnChange([this](TObject*) {
    if (!FCopyingFont) FParentFont = false;
    FontChanged();
  });
}

TControl::~TControl() {
  // A release still pending has nothing left to do.
  if (FReleaser) FReleaser->disconnect();
  delete FReleaser;
  BeginDestruction();
  if (FParent) SetParent(nullptr);
  DestroyWindow();
  FreeObjectInstance(FObjectInstance);
}

void TControl::DestroyWindow() {
  if (!FWidget) return;
  // The window's messages no longer reach this half-destroyed control.
  SetWindowLongA(FHandle, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(FDefWndProc));
  delete FWidget;
  FWidget = nullptr;
}

void TControl::SetWidget(QWidget* AWidget, QWidget* AClient) {
  FWidget = AWidget;
  FHandle = CreateWindowHandle(AWidget, AClient);
  FDefWndProc = reinterpret_cast<WNDPROC>(GetWindowLongA(FHandle, GWL_WNDPROC));
  FObjectInstance = MakeObjectInstance([this](TMessage& M) { WndProc(M); });
  SetWindowLongA(FHandle, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(FObjectInstance));
  FontChanged();
}

void TControl::SetParent(TWinControl* Value) {
  if (FParent == Value) return;
  if (FParent) {
    auto& list = FParent->FControls;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  FParent = Value;
  if (!FWidget) return;
  QRect geometry = FWidget->geometry();
  FWidget->setParent(FParent ? FParent->ClientWidget() : nullptr);
  FWidget->setGeometry(geometry);
  if (!FParent) return;
  FParent->FControls.push_back(this);
  FWidget->setVisible(FVisible);
  if (FParentFont) ParentFontChanged();
  UpdateHint();
  UpdateAccessibleName();
  if (FAlign != alNone) FParent->AlignControls();
}

void TControl::BringToFront() {
  if (FWidget) FWidget->raise();
  if (!FParent) return;
  auto& list = FParent->FControls;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  list.push_back(this);
}

void TControl::Release() {
  if (FReleaser) return;
  FReleaser = new QObject;
  ConnectGuarded(FReleaser, &QObject::destroyed, [this](QObject*) {
    FReleaser = nullptr;
    Free();
  });
  FReleaser->deleteLater();
}

void TControl::SetParentComponent(TComponent* Value) {
  if (auto* parent = dynamic_cast<TWinControl*>(Value)) SetParent(parent);
}

int TControl::Left() const { return FWidget ? FWidget->x() : 0; }
int TControl::Top() const { return FWidget ? FWidget->y() : 0; }
int TControl::Width() const { return FWidget ? FWidget->width() : 0; }
int TControl::Height() const { return FWidget ? FWidget->height() : 0; }
void TControl::SetLeft(int Value) { SetBounds(Value, Top(), Width(), Height()); }
void TControl::SetTop(int Value) { SetBounds(Left(), Value, Width(), Height()); }
void TControl::SetWidth(int Value) { SetBounds(Left(), Top(), Value, Height()); }
void TControl::SetHeight(int Value) { SetBounds(Left(), Top(), Width(), Value); }

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (!FWidget) return;
  FWidget->setGeometry(ClampPosition(ALeft), ClampPosition(ATop), ClampExtent(AWidth), ClampExtent(AHeight));
  if (FParent && FAlign != alNone) FParent->AlignControls();
}

void TControl::SetAlign(TAlign Value) {
  if (FAlign == Value) return;
  FAlign = Value;
  UpdateAccessibleName();
  if (FParent) FParent->AlignControls();
}

void TControl::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  if (FWidget && FParent) FWidget->setVisible(Value);
  if (FParent && FAlign != alNone) FParent->AlignControls();
}

void TControl::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  if (FWidget) FWidget->setEnabled(Value);
}

void TControl::SetHint(const String& Value) {
  if (FHint == Value) return;
  FHint = Value;
  UpdateHint();
  UpdateAccessibleName();
}

void TControl::SetShowHint(bool Value) {
  FParentShowHint = false;
  if (FShowHint == Value) return;
  FShowHint = Value;
  UpdateHint();
}

void TControl::SetParentShowHint(bool Value) {
  if (FParentShowHint == Value) return;
  FParentShowHint = Value;
  UpdateHint();
}

bool TControl::EffectiveShowHint() const {
  if (FParentShowHint && FParent) return FParent->EffectiveShowHint();
  return FShowHint;
}

void TControl::UpdateHint() {
  if (FWidget) {
    String tip = EffectiveShowHint() ? GetShortHint(FHint) : String();
    FWidget->setToolTip(ToQString(tip));
  }
  if (auto* self = dynamic_cast<TWinControl*>(this))
    for (TControl* child : self->FControls)
      child->UpdateHint();
}

String TControl::AccessibleName() const {
  String tip = GetShortHint(FHint);
  if (!tip.empty()) return tip;
  if (FAlign == alClient && FParent) return FParent->AccessibleName();
  if (FWidget && FWidget->focusPolicy() != Qt::NoFocus) return Name();
  return String();
}

void TControl::UpdateAccessibleName() {
  if (FWidget) FWidget->setAccessibleName(ToQString(AccessibleName()));
  // A control that fills this one is named after it.
  if (auto* self = dynamic_cast<TWinControl*>(this))
    for (TControl* child : self->FControls)
      if (child->FAlign == alClient) child->UpdateAccessibleName();
}

// The component name is known once the description has been read.
void TControl::Loaded() {
  TComponent::Loaded();
  UpdateAccessibleName();
}

String StripAccelerator(const String& Caption) {
  String text;
  for (std::size_t i = 0; i < Caption.size(); ++i) {
    if (Caption[i] == '&' && i + 1 < Caption.size()) ++i;
    text += Caption[i];
  }
  return text;
}

void TControl::SetColor(TColor Value) {
  FColorSet = true;
  if (FColor == Value && FWidget && FWidget->autoFillBackground()) return;
  FColor = Value;
  ColorChanged();
  if (auto* self = dynamic_cast<TWinControl*>(this))
    for (TControl* child : self->FControls)
      child->ParentColorChanged();
}

void TControl::ColorChanged() {
  if (!FWidget || !FColorSet) return;
  QPalette palette = FWidget->palette();
  palette.setColor(QPalette::Window, ToQColor(FColor));
  palette.setColor(QPalette::Base, ToQColor(FColor));
  FWidget->setPalette(palette);
  FWidget->setAutoFillBackground(true);
}

void TControl::SetParentFont(bool Value) {
  if (FParentFont == Value) return;
  FParentFont = Value;
  if (Value) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!FParent || !FParentFont) return;
  FCopyingFont = true;
  FFont.Assign(*FParent->Font());
  FCopyingFont = false;
}

void TControl::FontChanged() {
  if (FWidget) {
    FWidget->setFont(FFont.ToQFont());
    QPalette palette = FWidget->palette();
    palette.setColor(QPalette::WindowText, ToQColor(FFont.Color()));
    palette.setColor(QPalette::Text, ToQColor(FFont.Color()));
    palette.setColor(QPalette::ButtonText, ToQColor(FFont.Color()));
    FWidget->setPalette(palette);
  }
  if (auto* self = dynamic_cast<TWinControl*>(this))
    for (TControl* child : self->FControls)
      child->ParentFontChanged();
}

TShiftState ShiftStateOf(WPARAM Keys) {
  TShiftState shift;
  if (Keys & MK_SHIFT) shift.insert(ssShift);
  if (Keys & MK_CONTROL) shift.insert(ssCtrl);
  if (Keys & MK_LBUTTON) shift.insert(ssLeft);
  if (Keys & MK_RBUTTON) shift.insert(ssRight);
  if (Keys & MK_MBUTTON) shift.insert(ssMiddle);
  return shift;
}

String GetLongHint(const String& Hint) {
  std::size_t bar = Hint.find('|');
  return bar == String::npos ? Hint : Hint.substr(bar + 1);
}

String GetShortHint(const String& Hint) { return Hint.substr(0, Hint.find('|')); }

bool NoShiftKeys() { return GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0; }

void TControl::WndProc(TMessage& Message) {
  DefaultHandler(Message);
  switch (Message.Msg) {
  case WM_MOUSEMOVE:
    MouseMove(ShiftStateOf(Message.WParam), GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
    break;
  case WM_LBUTTONDBLCLK: DblClick(); break;
  default: break;
  }
}

void TControl::DefaultHandler(TMessage& Message) {
  Message.Result = CallWindowProcA(FDefWndProc, FHandle, Message.Msg, Message.WParam, Message.LParam);
}

void TControl::Click() {
  if (FOnClick) FOnClick(this);
}

void TControl::DblClick() {
  if (FOnDblClick) FOnDblClick(this);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (FOnMouseMove) FOnMouseMove(this, Shift, X, Y);
}

// TWinControl

TWinControl::~TWinControl() {
  BeginDestruction();
  // Child controls owned elsewhere lose their window with this one.
  for (TControl* child : FControls) {
    child->FParent = nullptr;
    if (child->FWidget) child->FWidget->setParent(nullptr);
  }
  FControls.clear();
}

QWidget* TWinControl::ClientWidget() const { return Widget(); }

void TWinControl::SetFocus() {
  QWidget* widget = Widget();
  QWidget* target = widget->focusWidget();
  if (!target || (target != widget && !widget->isAncestorOf(target))) target = widget;
  widget->activateWindow();
  target->setFocus(Qt::OtherFocusReason);
}

void TWinControl::WndProc(TMessage& Message) {
  TControl::WndProc(Message);
  if (Message.Msg == WM_SIZE) AlignControls();
}

void TWinControl::AlignControls() {
  QWidget* client = ClientWidget();
  if (!client) return;
  int left = 0, top = 0, right = client->width(), bottom = client->height();
  auto place = [](TControl* c, int l, int t, int w, int h) {
    if (c->Widget()) c->Widget()->setGeometry(ClampPosition(l), ClampPosition(t), ClampExtent(w), ClampExtent(h));
  };
  // Every edge stays within the window range, however many controls are stacked, so that the
  // sums below cannot overflow.
  for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (TControl* c : FControls) {
      if (c->Align() != pass || !c->Visible()) continue;
      switch (pass) {
      case alTop:
        place(c, left, top, right - left, c->Height());
        top = ClampPosition(top + c->Height());
        break;
      case alBottom:
        place(c, left, bottom - c->Height(), right - left, c->Height());
        bottom = ClampPosition(bottom - c->Height());
        break;
      case alLeft:
        place(c, left, top, c->Width(), bottom - top);
        left = ClampPosition(left + c->Width());
        break;
      case alRight:
        place(c, right - c->Width(), top, c->Width(), bottom - top);
        right = ClampPosition(right - c->Width());
        break;
      default:
        place(c, left, top, right - left, bottom - top);
        left = right;
        top = bottom;
      }
    }
  }
  AlignRemainder(left, top, right - left, bottom - top);
}

void RegisterControlsClasses() {
  static const bool done = [] {
    RegisterBitmapsClasses();
    RegisterEnumNames(typeid(TAlign), {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"});
    RegisterEnumNames(typeid(TFormBorderStyle), {"bsNone", "bsSingle", "bsSizeable", "bsDialog"});
    TClassRegistration<TControl>("TControl", "TComponent")
        .Property("Left", &TControl::Left, &TControl::SetLeft)
        .Property("Top", &TControl::Top, &TControl::SetTop)
        .Property("Width", &TControl::Width, &TControl::SetWidth)
        .Property("Height", &TControl::Height, &TControl::SetHeight)
        .Property("Align", &TControl::Align, &TControl::SetAlign, alNone)
        .Property("Color", &TControl::Color, &TControl::SetColor)
        .Object("Font", &TControl::Font)
        .Property("ParentFont", &TControl::ParentFont, &TControl::SetParentFont, true)
        .Property("Enabled", &TControl::Enabled, &TControl::SetEnabled, true)
        .Property("Hint", &TControl::Hint, &TControl::SetHint)
        .Property("ShowHint", &TControl::ShowHint, &TControl::SetShowHint)
        .Property("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint, true)
        .Property("Visible", &TControl::Visible, &TControl::SetVisible, true)
        .Property("OnClick", &TControl::OnClick, &TControl::SetOnClick)
        .Property("OnDblClick", &TControl::OnDblClick, &TControl::SetOnDblClick)
        .Property("OnMouseMove", &TControl::OnMouseMove, &TControl::SetOnMouseMove);
    TClassRegistration<TWinControl>("TWinControl", "TControl");
    return true;
  }();
  (void)done;
}
