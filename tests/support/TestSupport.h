#pragma once
// Helpers the tests share.

#include <QCoreApplication>
#include <QEvent>

#include "framework/Forms.h"
#include "platform/Seams.h"

// Lets the window system's answers to what a test just did (a window shown, activated or
// focused) arrive, as a turn of the message loop would.
inline void Settle() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

// Lets released forms go, as the message loop would once a handler has returned.
inline void FlushReleasedForms() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  Application->ProcessMessages();
}
