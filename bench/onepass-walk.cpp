// The least work any walk of a tree can do, as a yardstick for the scanner: each directory
// is read once, hidden directories are skipped, links are not followed, and the files whose
// names match the mask (case ignored) are counted. Prints the counts.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

long Directories = 0, Files = 0;
const char* Mask = "";

bool Matches(const char* p, const char* n) {
  const char *star = nullptr, *resume = nullptr;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  while (*n) {
    if (*p == '*') {
      star = ++p;
      resume = n;
    } else if (*p && (*p == '?' || lower(*p) == lower(*n))) {
      ++p;
      ++n;
    } else if (star) {
      p = star;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (*p == '*')
    ++p;
  return *p == 0;
}

void Walk(int Parent, const char* Name) {
  int fd = openat(Parent, Name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  ++Directories;
  std::vector<std::string> subdirectories;
  alignas(dirent64) static char buffer[32768];
  long length;
  while ((length = getdents64(fd, buffer, sizeof buffer)) > 0) {
    for (long offset = 0; offset < length;) {
      const auto* entry = reinterpret_cast<const dirent64*>(buffer + offset);
      offset += entry->d_reclen;
      const char* name = entry->d_name;
      unsigned char type = entry->d_type;
      if (type == DT_UNKNOWN) {
        struct stat st;
        if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_LNK;
      }
      if (type == DT_DIR) {
        if (name[0] != '.') subdirectories.emplace_back(name);
      } else if ((type == DT_REG || type == DT_LNK) && Matches(Mask, name)) {
        ++Files;
      }
    }
  }
  for (const auto& name : subdirectories)
    Walk(fd, name.c_str());
  close(fd);
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s DIR MASK\n", argv[0]);
    return 2;
  }
  Mask = argv[2];
  Walk(AT_FDCWD, argv[1]);
  std::printf("directories %ld files %ld\n", Directories, Files);
  return 0;
}
