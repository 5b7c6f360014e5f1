// Times how a burst of entries added to a list box reaches its view: how long the adds take
// and how long until the view shows every entry. Prints one line per burst size.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QAbstractItemModel>
#include <QListView>

#include "framework/Forms.h"
#include "framework/Registration.h"
#include "framework/StdCtrls.h"

int main(int, char** argv) {
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int qtArgc = 1;
  TApplication application(qtArgc, argv);
  RegisterFrameworkClasses();

  using Clock = std::chrono::steady_clock;
  auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
  for (int entries : {500, 5000, 50000}) {
    TListBox box(nullptr);
    box.SetBounds(0, 0, 200, 300);
    box.Widget()->show();
    Application->ProcessMessages();
    const QAbstractItemModel* shown = static_cast<QListView*>(box.Widget())->model();

    const Clock::time_point start = Clock::now();
    for (int i = 0; i < entries; ++i)
      box.Items()->Add("entry " + std::to_string(i));
    const Clock::duration added = Clock::now() - start;
    while (shown->rowCount() < entries) {
      if (Clock::now() - start > std::chrono::seconds(10)) {
        std::fprintf(stderr, "the view showed %d of %d entries after 10 s\n", shown->rowCount(), entries);
        return 1;
      }
      Application->ProcessMessages();
    }
    std::printf("entries %d add_ms %.2f shown_after_ms %.2f\n", entries, ms(added), ms(Clock::now() - start));
  }
  return 0;
}
