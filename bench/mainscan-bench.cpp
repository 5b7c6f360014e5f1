// Times a whole scan through the main window, as the Scan button runs it, over a directory
// that is a volume of its own, and the longest time between two turns of the message loop.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <QEventLoop>
#include <QTimer>

#include "app/MainForm.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mainscan-bench VOLUME\n");
    return 2;
  }
  if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  String volume = argv[1];
  int qtArgc = 1;
  TApplication application(qtArgc, argv);
  Application->SetTitle("Tabrix");
  RegisterMainFormClasses();
  Application->CreateForm(MainForm);
  MainForm->Show();
  MainForm->DS1->BuildList();
  MainForm->DS1->SetDrive(volume);
  if (MainForm->DS1->Drive() != volume) {
    std::fprintf(stderr, "%s is not a volume of its own (mount it first)\n", volume.c_str());
    return 1;
  }
  Application->ProcessMessages();

  // The scan runs under Qt's own event loop, as in the program, which sleeps while nothing
  // is waiting; a timer due every millisecond times the turns.
  using Clock = std::chrono::steady_clock;
  Clock::time_point last{};
  Clock::duration longest{};
  int longTurns = 0;
  QEventLoop loop;
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    Clock::time_point now = Clock::now();
    if (last != Clock::time_point{}) {
      longest = std::max(longest, now - last);
      if (now - last > std::chrono::milliseconds(10)) ++longTurns;
    }
    last = now;
    if (!MainForm->ScanLed->LedOn()) loop.quit();
  });
  Clock::time_point start = Clock::now();
  MainForm->scan1Click(MainForm->ScanButton);
  timer.start(1);
  loop.exec();
  Clock::duration elapsed = Clock::now() - start;
  auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
  std::printf("entries %d elapsed_ms %.1f longest_interval_ms %.2f intervals_over_10_ms %d\n",
              MainForm->LLB1->Items()->Count(), ms(elapsed), ms(longest), longTurns);
  MainForm->Free();
  return 0;
}
