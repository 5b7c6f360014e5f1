#pragma once
// Form descriptions: a text of nested "object Name: TClass ... end" blocks with
// "Property = value" lines, read into a form by the class registry.

#include <vector>

#include "framework/TypInfo.h"

struct TDescProperty {
  String Path; // "Caption", "Font.Height"
  TDescValue Value;
  int Line = 0;
};

struct TDescObject {
  bool Inherited = false; // "inherited": the object comes from the base class's description
  String Name;
  String ClassName;
  int Line = 0;
  std::vector<TDescProperty> Properties;
  std::vector<TDescObject> Children;
};

// Parses a description; SourceName names it in error messages.
TDescObject ParseDescription(const String& Text, const String& SourceName);

// Reads the description of Root's class (and, for an "inherited" one, its base classes'
// first) from the program's resources into the existing Root.
void ReadFormResource(TComponent* Root, const String& ClassName);

// Reads a description text into the existing Root.
void ReadFormDescription(TComponent* Root, const String& Text, const String& SourceName);
