#pragma once
// Controls: components with a place on a form, a window handle and a window procedure.

#include <vector>

#include "framework/Graphics.h"
#include "platform/Windows.h"

class QObject;
class QWidget;
class TWinControl;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
// The border of a window: none, a single line, or a form's sizeable or dialog frame.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };
using TBorderStyle = TFormBorderStyle;

class TControl : public TComponent {
public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* Value);
  void SetParentComponent(TComponent* Value) override;

  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  void SetLeft(int Value);
  void SetTop(int Value);
  void SetWidth(int Value);
  void SetHeight(int Value);
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);
  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool Value);
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool Value);

  // "tooltip|status text"
  const String& Hint() const { return FHint; }
  void SetHint(const String& Value);
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool Value);

  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TFont* Font() { return &FFont; }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);

  TNotifyEvent OnClick() const { return FOnClick; }
  void SetOnClick(TNotifyEvent Value) { FOnClick = std::move(Value); }
  TNotifyEvent OnDblClick() const { return FOnDblClick; }
  void SetOnDblClick(TNotifyEvent Value) { FOnDblClick = std::move(Value); }
  TMouseMoveEvent OnMouseMove() const { return FOnMouseMove; }
  void SetOnMouseMove(TMouseMoveEvent Value) { FOnMouseMove = std::move(Value); }

  // The window handle; every control has one here.
  HWND Handle() const { return FHandle; }
  QWidget* Widget() const { return FWidget; }

  // The message handling of the control; ends in the toolkit's own handling.
  virtual void WndProc(TMessage& Message);
  virtual void DefaultHandler(TMessage& Message);

  virtual void Click();
  virtual void DblClick();
  virtual void MouseMove(TShiftState Shift, int X, int Y);

  // The name a screen reader speaks for the control: the tooltip part of its hint; else, for
  // a control that fills its parent, the parent's name; else, for a control that takes the
  // focus, its component name. Controls with a caption are named by it instead.
  virtual String AccessibleName() const;
  void Loaded() override;

  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Puts the control in front of its siblings, last in its parent's order of controls.
  void BringToFront();
  // Destroys the control once control is back in the message loop, so that it may be
  // released from inside its own message handling.
  void Release();

protected:
  // Takes Widget over as the control's window; Client takes its mouse input and painting.
  void SetWidget(QWidget* AWidget, QWidget* AClient = nullptr);
  // Destroys the window (and the widgets inside it) ahead of the control.
  void DestroyWindow();
  virtual void FontChanged();
  virtual void ColorChanged();
  // Told after the parent's colour has changed.
  virtual void ParentColorChanged() {}
  void ParentFontChanged();
  void UpdateHint();
  bool EffectiveShowHint() const;
  // Gives the window the control's accessible name again, after something it is made of changed.
  void UpdateAccessibleName();
  friend class TWinControl;

private:
  TWinControl* FParent = nullptr;
  QWidget* FWidget = nullptr;
  HWND FHandle = nullptr;
  WNDPROC FObjectInstance = nullptr;
  QObject* FReleaser = nullptr;
  WNDPROC FDefWndProc = nullptr;
  TAlign FAlign = alNone;
  bool FVisible = true;
  bool FEnabled = true;
  String FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  TColor FColor = clBtnFace;
  bool FColorSet = false;
  TFont FFont;
  bool FParentFont = true;
  bool FCopyingFont = false;
  TNotifyEvent FOnClick;
  TNotifyEvent FOnDblClick;
  TMouseMoveEvent FOnMouseMove;
};

// A control that holds other controls and lays out those with an Align.
class TWinControl : public TControl {
public:
  using TControl::TControl;
  ~TWinControl() override;

  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int Index) const { return FControls.at(static_cast<std::size_t>(Index)); }
  // The widget child controls are placed on.
  virtual QWidget* ClientWidget() const;
  // Arranges the aligned controls over the client area; what they leave of it goes to
  // AlignRemainder.
  void AlignControls();
  // Gives the keyboard focus to the control, or to the control inside it that had it last, and
  // makes its window the active one.
  void SetFocus();
  void WndProc(TMessage& Message) override;

protected:
  // The client rectangle that remains after the aligned controls, for a form's MDI area.
  virtual void AlignRemainder(int, int, int, int) {}
  friend class TControl;
  std::vector<TControl*> FControls;
};

// A caption as it reads: without the "&" that marks its accelerator ("&&" stands for "&").
String StripAccelerator(const String& Caption);

// The status-line part of a hint: the text after the first "|", or all of it.
String GetLongHint(const String& Hint);
// The tooltip part: the text before the first "|".
String GetShortHint(const String& Hint);

// The shift state a mouse message's key-state word carries.
TShiftState ShiftStateOf(WPARAM Keys);
// Whether Shift, Ctrl and Alt are all up for the key message being handled.
bool NoShiftKeys();

void RegisterControlsClasses();
