#pragma once
// The standard controls: list box, button, check box, edit box, label.

#include <memory>

#include "framework/Bitmaps.h"
#include "framework/Controls.h"

class QListView;
class TListBoxModel;

// A list of text entries. Enter on it acts on the selected entry as a double-click does: it
// fires OnDblClick.
class TListBox : public TWinControl {
public:
  explicit TListBox(TComponent* AOwner);
  ~TListBox() override;

  TStrings* Items() const { return FItems.get(); }
  // The selected entry, -1 when none is.
  int ItemIndex() const;
  void SetItemIndex(int Value);
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int Value);

  // The entry at a point of the client area, -1 when there is none.
  int ItemAtPos(int X, int Y) const;
  RECT ItemRect(int Index) const;

  // The view, up to date with every entry added.
  QListView* ListView() const;
  // A canvas on the list's window, for measuring its items' texts.
  TCanvas* Canvas();

  void DefaultHandler(TMessage& Message) override;

private:
  TListBoxModel* FModel;
  std::unique_ptr<TStrings> FItems;
  int FItemHeight = 13;
  TCanvas FCanvas;
};

class TButton : public TWinControl {
public:
  explicit TButton(TComponent* AOwner);
  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  // The default button is pressed by Enter on its form, unless another button has the focus.
  bool Default() const { return FDefault; }
  void SetDefault(bool Value);
  // Not mrNone: a click gives the button's form this modal result, ending its modal run.
  int ModalResult() const { return FModalResult; }
  void SetModalResult(int Value) { FModalResult = Value; }

  void Click() override;
  String AccessibleName() const override;

private:
  String FCaption;
  bool FDefault = false;
  int FModalResult = 0;
};

class TCheckBox : public TWinControl {
public:
  explicit TCheckBox(TComponent* AOwner);
  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  bool Checked() const;
  void SetChecked(bool Value);
  String AccessibleName() const override;

protected:
  void FontChanged() override;

private:
  // The box is never narrower than its caption needs, whatever width it was laid out with.
  void KeepCaptionWhole();
  String FCaption;
};

// A one-line edit box.
class TEdit : public TWinControl {
public:
  explicit TEdit(TComponent* AOwner);
  String Text() const;
  void SetText(const String& Value);
  bool ReadOnly() const;
  void SetReadOnly(bool Value);
  // bsSingle draws a one-line frame, bsNone none.
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);

private:
  TBorderStyle FBorderStyle = bsSingle;
};

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// A line or block of plain text on a form, in the label's own font over its parent's colour.
class TLabel : public TControl {
public:
  explicit TLabel(TComponent* AOwner);

  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  // True: the label takes the size its text needs; with WordWrap only its height changes.
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  // True: a text wider than the label breaks between words onto further lines.
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);

  void Loaded() override;
  String AccessibleName() const override;

protected:
  void FontChanged() override;

private:
  void AdjustBounds();
  String FCaption;
  bool FAutoSize = true;
  TAlignment FAlignment = taLeftJustify;
  bool FWordWrap = false;
};

void RegisterStdCtrlsClasses();
