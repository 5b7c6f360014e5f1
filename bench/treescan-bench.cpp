// Walks a directory tree with the tree scanner. With --events it prints one line per event,
// in order: "D path" for a directory found, "F size path" for a file, "E path" for a
// directory done. Without it, it prints the counts and the time the walk took.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "scan/TreeScan.h"

int main(int argc, char** argv) {
  const bool events = argc == 4 && std::strcmp(argv[3], "--events") == 0;
  if (argc != 3 && !events) {
    std::fprintf(stderr, "usage: %s DIR MASK [--events]\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1], mask = argv[2];
  // The blocking walk waits for its listings itself: no message loop, no window system.
  static char output[1 << 16];
  std::setvbuf(stdout, output, _IOFBF, sizeof output);
  long directories = 0, files = 0, done = 0;
  TTreeScanner scanner(nullptr);
  scanner.SetInitialDirectory(dir);
  scanner.SetFileMask(mask);
  scanner.SetOnDirectoryFound([&](TObject*) {
    ++directories;
    if (events) std::printf("D %s\n", scanner.FileFound().c_str());
  });
  scanner.SetOnFileFound([&](TObject*) {
    ++files;
    if (events) std::printf("F %d %s\n", static_cast<int>(scanner.FileSize()), scanner.FileFound().c_str());
  });
  scanner.SetOnDirectoryDone([&](TObject*) {
    ++done;
    if (events) std::printf("E %s\n", scanner.FileFound().c_str());
  });

  auto start = std::chrono::steady_clock::now();
  scanner.StartSearch();
  std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  if (!events)
    std::printf("directories %ld files %ld done %ld elapsed %.3f s\n", directories, files, done, elapsed.count());
  return 0;
}
