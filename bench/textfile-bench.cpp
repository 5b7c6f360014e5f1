// Times the editor's file reading and writing: refusing a FIFO that has no writer (it must not
// wait for one), and reading and writing back a text file of the largest size accepted, in
// UTF-8 and in Windows-1252. Works in a directory of its own under /tmp; prints medians.
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "framework/TextFile.h"

namespace {

using Clock = std::chrono::steady_clock;

// The median of Runs timings of Action, in milliseconds.
double MedianMs(int Runs, const std::function<void()>& Action) {
  std::vector<double> times;
  for (int i = 0; i < Runs; ++i) {
    const Clock::time_point start = Clock::now();
    Action();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Lines of Line repeated, CR LF after each, up to Size bytes.
std::string TextOfSize(std::uint64_t Size, const std::string& Line) {
  std::string text;
  text.reserve(Size);
  while (text.size() + Line.size() + 2 <= Size)
    text += Line + "\r\n";
  text.append(Size - text.size(), 'x');
  return text;
}

} // namespace

int main() {
  char pattern[] = "/tmp/tabrix-textfile-bench-XXXXXX";
  if (!mkdtemp(pattern)) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::filesystem::path dir = pattern;
  int status = 0;
  try {
    const std::string fifo = (dir / "fifo").string();
    if (mkfifo(fifo.c_str(), 0644) != 0) throw Exception("cannot make a FIFO");
    const double refuse = MedianMs(101, [&] {
      try {
        ReadTextFile(fifo);
      } catch (const EFOpenError&) {
        return;
      }
      throw Exception("a FIFO was read");
    });
    std::printf("refusing a FIFO: %.3f ms\n", refuse);

    const struct {
      const char* Name;
      std::string Line;
    } kinds[] = {{"utf-8", "key=Wert \xC3\xA4\xC3\xB6\xC3\xBC \xE2\x82\xAC value"},
                 {"windows-1252", "key=Wert \xE4\xF6\xFC \x80 value"}};
    for (const auto& kind : kinds) {
      const std::string path = (dir / kind.Name).string();
      std::ofstream(path, std::ios::binary) << TextOfSize(MaxTextFileSize, kind.Line);
      TTextContent content;
      const double read = MedianMs(5, [&] { content = ReadTextFile(path); });
      const double write = MedianMs(5, [&] { WriteTextFile(path, content.Text, content.Format); });
      std::printf("%s, %llu MiB: read %.1f ms, write %.1f ms\n", kind.Name,
                  static_cast<unsigned long long>(MaxTextFileSize >> 20), read, write);
    }
  } catch (const std::exception& E) {
    std::fprintf(stderr, "%s\n", E.what());
    status = 1;
  }
  std::filesystem::remove_all(dir);
  return status;
}
