#pragma once
// The panel: a container for other controls, with a centred caption and a bevelled edge.

#include "framework/Controls.h"

enum TPanelBevel { bvNone, bvLowered, bvRaised };

class TPanel : public TWinControl {
public:
  explicit TPanel(TComponent* AOwner);

  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  TPanelBevel BevelInner() const { return FBevelInner; }
  void SetBevelInner(TPanelBevel Value);
  TPanelBevel BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TPanelBevel Value);

private:
  void UpdateBevel();
  String FCaption;
  TPanelBevel FBevelInner = bvNone;
  TPanelBevel FBevelOuter = bvRaised;
};

void RegisterExtCtrlsClasses();
