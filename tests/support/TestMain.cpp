// Runs the tests with the application object on Qt's offscreen platform; message boxes and
// common dialogs are answered by the tests, and every test starts with the seams reset.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "framework/Forms.h"
#include "platform/Seams.h"

namespace {

class TResetSeams : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override { Seams::Reset(); }
};

} // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // The settings the tests write go to a folder of this run's own, never the user's.
  char config[] = "/tmp/tabrix-config-XXXXXX";
  if (!mkdtemp(config)) return 1;
  setenv("XDG_CONFIG_HOME", config, 1);
  testing::InitGoogleTest(&argc, argv);
  auto* application = new TApplication(argc, argv);
  application->SetTitle("Tabrix");
  Seams::Enable();
  testing::UnitTest::GetInstance()->listeners().Append(new TResetSeams);
  int result = RUN_ALL_TESTS();
  application->Free();
  std::filesystem::remove_all(config);
  return result;
}
