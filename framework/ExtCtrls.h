#pragma once
// The panel: a container for other controls, with a centred caption and a bevelled edge;
// and the image: a picture on a form.

#include "framework/Controls.h"
#include "framework/Picture.h"

enum TPanelBevel { bvNone, bvLowered, bvRaised };

class TPanel : public TWinControl {
public:
  explicit TPanel(TComponent* AOwner);

  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  // Each bevel is a one-pixel edge, the outer one along the panel's border and the inner
  // one just inside it: a raised edge is light at the top and left and dark at the bottom
  // and right, a lowered one the other way round.
  TPanelBevel BevelInner() const { return FBevelInner; }
  void SetBevelInner(TPanelBevel Value);
  TPanelBevel BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TPanelBevel Value);
  String AccessibleName() const override;
  void WndProc(TMessage& Message) override;

private:
  void UpdateBevel();
  String FCaption;
  TPanelBevel FBevelInner = bvNone;
  TPanelBevel FBevelOuter = bvRaised;
};

class TImage : public TControl {
public:
  explicit TImage(TComponent* AOwner);

  TPicture* Picture() { return &FPicture; }
  // False: the picture is drawn at its own size from the top left corner, cut off at the
  // control's edges; true: it is scaled to fill the control.
  bool Stretch() const { return FStretch; }
  void SetStretch(bool Value);

private:
  void PictureChanged();
  TPicture FPicture;
  bool FStretch = false;
};

void RegisterExtCtrlsClasses();
