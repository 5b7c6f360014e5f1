#pragma once
// The about component: holds the product's name, version, copyright line and comment, and
// shows them in the about dialog.

#include "framework/Classes.h"

class TOrvelAboutBox : public TComponent {
public:
  using TComponent::TComponent;

  // The dialog's first line and part of its caption; empty: the application's title, which
  // the property then keeps.
  const String& ProductName() const { return FProductName; }
  void SetProductName(const String& Value) { FProductName = Value; }
  const String& Version() const { return FVersion; }
  void SetVersion(const String& Value) { FVersion = Value; }
  const String& Copyright() const { return FCopyright; }
  void SetCopyright(const String& Value) { FCopyright = Value; }
  const String& Comments() const { return FComments; }
  void SetComments(const String& Value) { FComments = Value; }

  // Shows a new about dialog modally and destroys it again. True when it was closed with
  // its OK button; false when closed otherwise, or when anything went wrong, which is not
  // reported.
  bool Execute();

private:
  String FProductName;
  String FVersion;
  String FCopyright;
  String FComments;
};

// Registers the component's class and the about dialog's classes.
void RegisterOrvelAboutBox();
