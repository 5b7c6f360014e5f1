#pragma once
// What the editor benchmarks share: their clock, and a measurement run on a file of their
// own, written to a new directory under /tmp that is removed again, with the main window shown.
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "app/MainForm.h"

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration D) { return std::chrono::duration<double, std::milli>(D).count(); }

// Writes Text to the file Name, shows the main window and returns what Measure returns for
// the file's path; 1 when the directory cannot be made.
inline int MeasureOnFile(char** argv, const std::string& Name, const std::string& Text,
                         const std::function<int(const std::string& Path)>& Measure) {
  if (!getenv("DISPLAY") && !getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  char pattern[] = "/tmp/tabrix-bench-XXXXXX";
  if (!mkdtemp(pattern)) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::filesystem::path dir = pattern;
  const std::string path = (dir / Name).string();
  std::ofstream(path, std::ios::binary) << Text;
  // The file opened goes into the bench's recent files, not the user's.
  setenv("XDG_CONFIG_HOME", pattern, 1);
  int status = 0;
  {
    int qtArgc = 1;
    TApplication application(qtArgc, argv);
    Application->SetTitle("Tabrix");
    RegisterMainFormClasses();
    Application->CreateForm(MainForm);
    MainForm->Show();
    Application->ProcessMessages();
    status = Measure(path);
  }
  std::filesystem::remove_all(dir);
  return status;
}
