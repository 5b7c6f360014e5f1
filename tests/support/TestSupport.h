#pragma once
// Helpers the tests share.

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "framework/Forms.h"
#include "platform/Seams.h"

// Lets the window system's answers to what a test just did (a window shown, activated or
// focused) arrive, as a turn of the message loop would.
// A folder for the running test's files, named after it and this process, so that two runs
// of the tests at once (the sanitizer build beside the plain one) keep apart.
inline std::filesystem::path TestDirectory() {
  return std::filesystem::temp_directory_path() /
         ("tabrix-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
          std::to_string(getpid()));
}

inline void Settle() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

// Lets released forms go, as the message loop would once a handler has returned.
inline void FlushReleasedForms() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  Application->ProcessMessages();
}

// Runs the message loop until Done holds, waiting for events in between, for at most Limit
// milliseconds: the limit only keeps a test whose awaited event never comes from hanging.
// Whether Done holds.
inline bool WaitUntil(const std::function<bool()>& Done, int Limit = 10000) {
  QTimer limit;
  limit.setSingleShot(true);
  limit.start(Limit);
  while (!Done() && limit.isActive())
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  return Done();
}
