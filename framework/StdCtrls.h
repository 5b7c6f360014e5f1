#pragma once
// The standard controls: list box, button, check box.

#include <memory>

#include "framework/Controls.h"

class QListView;
class TListBoxModel;

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

  void DefaultHandler(TMessage& Message) override;

private:
  TListBoxModel* FModel;
  std::unique_ptr<TStrings> FItems;
  int FItemHeight = 13;
};

class TButton : public TWinControl {
public:
  explicit TButton(TComponent* AOwner);
  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  bool Default() const { return FDefault; }
  void SetDefault(bool Value);
  int ModalResult() const { return FModalResult; }
  void SetModalResult(int Value) { FModalResult = Value; }

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

protected:
  void FontChanged() override;

private:
  // The box is never narrower than its caption needs, whatever width it was laid out with.
  void KeepCaptionWhole();
  String FCaption;
};

void RegisterStdCtrlsClasses();
