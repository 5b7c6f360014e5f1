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

  // Runs while the whole object still exists, right before Free destroys it.
  virtual void BeforeDestruction() {}
  // Destroys an object made with new: BeforeDestruction first, then the destructors.
  void Free() {
    BeforeDestruction();
    delete this;
  }
};
