#pragma once
// The root of the class tree and the text type every module uses.

#include <string>

// 8-bit text; on this platform it holds UTF-8.
using String = std::string;

class TObject {
public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};
