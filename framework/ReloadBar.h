#pragma once
// The bar across the top of an editor window that says its file has changed on disk.

#include "framework/Controls.h"

class QLabel;
class QPushButton;

// A line of text with the buttons "Reload" and "Keep"; no modal box, so that each window may
// show its own. Hidden at creation.
class TReloadBar : public TWinControl {
public:
  explicit TReloadBar(TComponent* AOwner);

  const String& Text() const { return FText; }
  void SetText(const String& Value);
  // False where there is nothing to reload (the file is gone, or cannot be read).
  bool CanReload() const { return FCanReload; }
  void SetCanReload(bool Value);

  TNotifyEvent OnReload() const { return FOnReload; }
  void SetOnReload(TNotifyEvent Value) { FOnReload = std::move(Value); }
  TNotifyEvent OnKeep() const { return FOnKeep; }
  void SetOnKeep(TNotifyEvent Value) { FOnKeep = std::move(Value); }

  QPushButton* ReloadButton() const { return FReload; }
  QPushButton* KeepButton() const { return FKeep; }

private:
  String FText;
  bool FCanReload = true;
  TNotifyEvent FOnReload, FOnKeep;
  QLabel* FLabel;
  QPushButton* FReload;
  QPushButton* FKeep;
};
