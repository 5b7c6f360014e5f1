#pragma once
// The files last opened or saved, kept across starts in the user's settings.

#include <cstddef>
#include <memory>
#include <vector>

#include "framework/System.h"

class QTimer;

// The list, newest first, each file once, at most MaxCount; each path the bytes of the name,
// UTF-8 or not. It is written a second after a change, so that files opened in a row make one
// write, and when the list goes. A settings file that is damaged or cannot be read gives an
// empty list, and is replaced by the next write.
class TRecentFiles {
public:
  static constexpr std::size_t MaxCount = 8;

  // The list kept in the settings file FileName.
  explicit TRecentFiles(String FileName = DefaultFileName());
  ~TRecentFiles();

  // "tabrix/tabrix.conf" in the user's configuration folder ($XDG_CONFIG_HOME, else ~/.config).
  static String DefaultFileName();

  const std::vector<String>& Files() const { return FFiles; }
  // Puts Path first; the oldest goes when there are more than MaxCount.
  void Add(const String& Path);
  void Remove(const String& Path);

private:
  void Changed();
  // Writes the list; one that could not be written is tried again with the next write.
  void Write();
  String FFileName;
  std::vector<String> FFiles;
  bool FChanged = false;
  std::unique_ptr<QTimer> FTimer;
};
