#pragma once
// Helpers the tests share.

#include <QCoreApplication>
#include <QEvent>

#include "framework/Forms.h"
#include "platform/Seams.h"

// Lets released forms go, as the message loop would once a handler has returned.
inline void FlushReleasedForms() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  Application->ProcessMessages();
}
