// The application object and its turn of the message loop, kept apart from the rest of the
// application so that a program that only walks trees links no window system.
#include "framework/Forms.h"

#include <QCoreApplication>
#include <chrono>

TApplication* Application = nullptr;

void TApplication::ProcessMessages() {
  // What the program posted is delivered at every call. The window system's input and the
  // timers need a turn of Qt's event loop, which costs a system call even when nothing is
  // waiting; they are gathered at most once a millisecond, so that a walk that calls this
  // for every directory costs next to nothing while it stays as live as can be seen.
  QCoreApplication::sendPostedEvents();
  const auto now = std::chrono::steady_clock::now();
  if (now - FLastEventLoopTurn < std::chrono::milliseconds(1)) return;
  FLastEventLoopTurn = now;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}
