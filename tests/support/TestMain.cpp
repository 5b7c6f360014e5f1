// Runs the tests with the application object on Qt's offscreen platform; message boxes and
// common dialogs are answered by the tests.
#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/Forms.h"
#include "framework/Dialogs.h"
#include "platform/Seams.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  testing::InitGoogleTest(&argc, argv);
  auto* application = new TApplication(argc, argv);
  application->SetTitle("Tabrix");
  Seams::EnableMessageBoxes();
  Seams::EnableDialogs();
  int result = RUN_ALL_TESTS();
  delete application;
  return result;
}
