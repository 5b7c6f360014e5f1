// findfiles-bench FILELIST TEXT: searches the files named in FILELIST (one path a line) for
// TEXT as Find in Listed Files does (case ignored, each file read and decoded as the editor
// reads it, on worker threads, the files reported in the order of the list), and prints each
// match as PATH:LINE:TEXT. Files that cannot be read are counted on standard error.
#include <QCoreApplication>
#include <cstdio>
#include <fstream>

#include "framework/FileSearch.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: findfiles-bench FILELIST TEXT\n");
    return 2;
  }
  std::ifstream list(argv[1]);
  if (!list) {
    std::fprintf(stderr, "findfiles-bench: cannot read %s\n", argv[1]);
    return 2;
  }
  std::vector<String> paths;
  for (String path; std::getline(list, path);)
    if (!path.empty()) paths.push_back(path);
  QCoreApplication application(argc, argv);
  TFileSearch search(nullptr);
  int unread = 0;
  String out;
  search.SetOnFileSearched([&](TObject*) {
    const TFileMatches& found = search.FileMatches();
    unread += found.Result != fsSearched;
    const String& path = paths[static_cast<std::size_t>(search.FileIndex())];
    for (const TFileMatch& match : found.Matches) {
      out += path;
      out += ':';
      out += std::to_string(match.Line);
      out += ':';
      out += match.Text;
      out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    out.clear();
  });
  search.SetOnDone([](TObject*) { QCoreApplication::quit(); });
  search.Start(paths, argv[2], {});
  if (search.Running()) QCoreApplication::exec();
  if (unread) std::fprintf(stderr, "%d files could not be read\n", unread);
  return 0;
}
