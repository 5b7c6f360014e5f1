#include "platform/Guarded.h"

#include <utility>

namespace {

std::function<void()>& ExceptionHandler() {
  static std::function<void()> handler;
  return handler;
}

} // namespace

std::function<void()> SetMessageExceptionHandler(std::function<void()> Handler) {
  return std::exchange(ExceptionHandler(), std::move(Handler));
}

void CallGuarded(const std::function<void()>& Action) {
  try {
    Action();
  } catch (...) {
    // The handler is the last resort: what it cannot show is dropped rather than let through.
    try {
      if (ExceptionHandler()) ExceptionHandler()();
    } catch (...) {
    }
  }
}
