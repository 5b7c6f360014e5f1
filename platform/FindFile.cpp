#include "platform/FindFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <cwctype>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The file system types that hold no user files; a directory they are mounted on is a
// system directory. tmpfs, ramfs and FUSE are user storage and stay out of the list.
constexpr const char* VirtualFileSystems[] = {
    "proc",     "sysfs",   "devtmpfs", "devpts",   "cgroup",     "cgroup2",   "securityfs", "debugfs",
    "tracefs",  "pstore",  "bpf",      "configfs", "fusectl",    "mqueue",    "hugetlbfs",  "binfmt_misc",
    "efivarfs", "autofs",  "selinuxfs", "rpc_pipefs", "nsfs",    "nfsd"};

// A directory on which a virtual file system is mounted, known by the directory that holds
// it and its name there, so that any path that reaches the parent finds it.
struct TSystemMount {
  dev_t ParentDev;
  ino_t ParentIno;
  std::string Name;
};

// Undoes the octal escapes (\040 for a space) of a path in the mount table.
std::string Unescape(const std::string& Field) {
  std::string out;
  for (std::size_t i = 0; i < Field.size(); ++i) {
    if (Field[i] == '\\' && i + 3 < Field.size()) {
      int code = 0;
      bool octal = true;
      for (std::size_t k = 1; k <= 3; ++k) {
        char c = Field[i + k];
        octal = octal && c >= '0' && c <= '7';
        code = code * 8 + (c - '0');
      }
      if (octal) {
        out.push_back(static_cast<char>(code));
        i += 3;
        continue;
      }
    }
    out.push_back(Field[i]);
  }
  return out;
}

std::vector<TSystemMount> ReadSystemMounts() {
  // The mount point and whether its topmost file system is virtual; a later line is a mount
  // made on top of an earlier one at the same point.
  std::vector<std::pair<std::string, bool>> points;
  std::ifstream table("/proc/self/mountinfo");
  std::string line;
  while (std::getline(table, line)) {
    // id parent major:minor root mount-point options [optional...] - type source super-options
    std::size_t start = 0;
    std::string fields[5];
    for (auto& field : fields) {
      std::size_t end = line.find(' ', start);
      if (end == std::string::npos) break;
      field = line.substr(start, end - start);
      start = end + 1;
    }
    std::size_t dash = line.find(" - ", start);
    if (fields[4].empty() || dash == std::string::npos) continue;
    std::size_t typeEnd = line.find(' ', dash + 3);
    std::string type = line.substr(dash + 3, typeEnd == std::string::npos ? std::string::npos : typeEnd - dash - 3);
    bool isVirtual = false;
    for (const char* name : VirtualFileSystems) isVirtual = isVirtual || type == name;
    std::string point = Unescape(fields[4]);
    bool known = false;
    for (auto& p : points) {
      if (p.first == point) {
        p.second = isVirtual;
        known = true;
      }
    }
    if (!known) points.emplace_back(point, isVirtual);
  }
  std::vector<TSystemMount> mounts;
  for (const auto& [point, isVirtual] : points) {
    std::size_t slash = point.rfind('/');
    if (!isVirtual || slash == std::string::npos || slash + 1 == point.size()) continue;
    struct stat parent;
    if (stat(slash == 0 ? "/" : point.substr(0, slash).c_str(), &parent) != 0) continue;
    mounts.push_back({parent.st_dev, parent.st_ino, point.substr(slash + 1)});
  }
  return mounts;
}

const std::vector<TSystemMount>& SystemMounts() {
  static const std::vector<TSystemMount> mounts = ReadSystemMounts();
  return mounts;
}

locale_t FoldLocale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
  return locale;
}

// The character of UTF-8 text at I, lower-cased, and I moved past it. A byte that does not
// start a complete sequence counts as one character of its own.
char32_t NextFolded(const char* Text, std::size_t Length, std::size_t& I) {
  auto c = static_cast<unsigned char>(Text[I]);
  if (c < 0x80) {
    ++I;
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
  }
  std::size_t length = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
  char32_t cp = length == 2 ? c & 0x1F : length == 3 ? c & 0x0F : c & 0x07;
  bool valid = length != 0 && I + length <= Length;
  for (std::size_t k = 1; valid && k < length; ++k) {
    auto next = static_cast<unsigned char>(Text[I + k]);
    valid = (next & 0xC0) == 0x80;
    cp = (cp << 6) | (next & 0x3F);
  }
  if (!valid) {
    ++I;
    return 0xDC00 + c;
  }
  I += length;
  locale_t fold = FoldLocale();
  return fold ? static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), fold)) : cp;
}

// Whether Name matches the wildcard Pattern, case ignored. A star first takes nothing and
// then one character more each time the rest fails, so no state beyond the last star is kept.
bool Matches(const std::string& Pattern, const char* Name) {
  const char* p = Pattern.data();
  const std::size_t pn = Pattern.size(), nn = std::strlen(Name);
  // What follows the last star must match the end of the name character for character. When
  // both are plain ASCII, bytes are characters, and most names fail right here.
  const std::size_t tail = Pattern.find_last_of('*') + 1;
  const std::size_t k = pn - tail;
  auto ascii = [](const char* Text, std::size_t Count) {
    for (std::size_t i = 0; i < Count; ++i)
      if (static_cast<unsigned char>(Text[i]) >= 0x80) return false;
    return true;
  };
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; };
  if (ascii(p + tail, k)) {
    if (nn < k) return false;
    if (ascii(Name + nn - k, k))
      for (std::size_t i = 0; i < k; ++i)
        if (p[tail + i] != '?' && lower(p[tail + i]) != lower(Name[nn - k + i])) return false;
  }
  std::size_t pi = 0, ni = 0, starP = std::string::npos, starN = 0;
  while (ni < nn) {
    if (pi < pn && p[pi] == '*') {
      starP = ++pi;
      starN = ni;
      continue;
    }
    if (pi < pn) {
      std::size_t pj = pi, nj = ni;
      char32_t pc = NextFolded(p, pn, pj);
      char32_t nc = NextFolded(Name, nn, nj);
      if (p[pi] == '?' || pc == nc) {
        pi = pj;
        ni = nj;
        continue;
      }
    }
    if (starP == std::string::npos) return false;
    NextFolded(Name, nn, starN);
    ni = starN;
    pi = starP;
  }
  while (pi < pn && p[pi] == '*') ++pi;
  return pi == pn;
}

struct TSearch {
  ~TSearch() {
    if (Fd >= 0) close(Fd);
  }

  int Fd = -1;
  bool DirectoriesOnly = false;
  std::string Directory;
  std::string Pattern;
  // "*" and "*.*" match every name, also one without a dot.
  bool MatchesAll = false;
  // The directory as it was when its entries were read: its identity for the system mount
  // points, and its times for telling whether a listing kept from then is still true.
  bool StateKnown = false;
  struct stat State;
  long Length = 0;
  long Offset = 0;
  // Times the buffer was filled, whether the directory has no entries left to read, and
  // whether the entries are a kept listing being read a second time.
  int Fills = 0;
  bool AtEnd = false;
  bool Reused = false;
  alignas(dirent64) char Buffer[32768];
};

// The last search closed, kept for the next one so that a walk allocates no buffers. When it
// read its whole directory in one go, its entries and its open directory stay with it until
// the next search: the scanner searches each directory twice in a row, and the second search
// then costs no read. A listing serves one more search at most, so no directory stays open
// once a walk is over.
thread_local std::unique_ptr<TSearch> Spare;

bool IsSystemMount(TSearch& S, const char* Name) {
  for (const auto& mount : SystemMounts()) {
    if (S.StateKnown && S.State.st_dev == mount.ParentDev && S.State.st_ino == mount.ParentIno && mount.Name == Name)
      return true;
  }
  return false;
}

void FillDirectory(TSearch& S, const char* Name, WIN32_FIND_DATAA& Data) {
  Data.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
  if (Name[0] == '.') Data.dwFileAttributes |= FILE_ATTRIBUTE_HIDDEN;
  if (IsSystemMount(S, Name)) Data.dwFileAttributes |= FILE_ATTRIBUTE_SYSTEM;
  Data.nFileSizeHigh = Data.nFileSizeLow = 0;
}

// A regular file, or the file a link leads to; false for anything else.
bool FillFile(TSearch& S, const char* Name, WIN32_FIND_DATAA& Data) {
  struct stat st;
  if (fstatat(S.Fd, Name, &st, 0) != 0 || !S_ISREG(st.st_mode)) return false;
  Data.dwFileAttributes = 0;
  if (Name[0] == '.') Data.dwFileAttributes |= FILE_ATTRIBUTE_HIDDEN;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) Data.dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
  auto size = static_cast<std::uint64_t>(st.st_size);
  Data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
  Data.nFileSizeLow = static_cast<DWORD>(size);
  return true;
}

// Fills Data from one directory entry; false when the entry is not reported.
bool Take(TSearch& S, const dirent64& Entry, WIN32_FIND_DATAA& Data) {
  const char* name = Entry.d_name;
  if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) return false;
  // A name too long for cFileName is also too long for any call to open it by.
  const std::size_t length = std::strlen(name);
  if (length >= MAX_PATH) return false;
  unsigned char type = Entry.d_type;
  if (S.DirectoriesOnly && type != DT_DIR && type != DT_UNKNOWN) return false;
  if (type != DT_DIR && type != DT_REG && type != DT_LNK && type != DT_UNKNOWN) return false;
  if (!S.MatchesAll && !Matches(S.Pattern, name)) return false;
  if (type == DT_UNKNOWN) {
    struct stat st;
    if (fstatat(S.Fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    type = S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
  }
  bool taken = false;
  if (type == DT_DIR) {
    FillDirectory(S, name, Data);
    taken = true;
  } else if (!S.DirectoriesOnly) {
    taken = FillFile(S, name, Data);
  }
  if (taken) std::memcpy(Data.cFileName, name, length + 1);
  return taken;
}

bool Next(TSearch& S, WIN32_FIND_DATAA& Data) {
  for (;;) {
    if (S.Offset >= S.Length) {
      if (S.AtEnd) return false;
      long length = getdents64(S.Fd, S.Buffer, sizeof S.Buffer);
      if (length <= 0) {
        S.AtEnd = true;
        return false;
      }
      S.Length = length;
      S.Offset = 0;
      ++S.Fills;
    }
    const auto* entry = reinterpret_cast<const dirent64*>(S.Buffer + S.Offset);
    S.Offset += entry->d_reclen;
    if (Take(S, *entry, Data)) return true;
  }
}

bool SameTime(const timespec& A, const timespec& B) { return A.tv_sec == B.tv_sec && A.tv_nsec == B.tv_nsec; }

// Whether a search kept the whole listing of its directory, to serve one more search.
bool Keeps(const TSearch& S) { return S.Fd >= 0 && S.StateKnown && S.AtEnd && S.Fills <= 1 && !S.Reused; }

// Whether the listing a closed search kept is still that of Directory: the same path, and the
// directory unchanged since it was read (every change of an entry moves its times).
bool KeptListingHolds(const TSearch& S, std::string_view Directory) {
  if (!Keeps(S) || S.Directory != Directory) return false;
  struct stat now;
  return fstat(S.Fd, &now) == 0 && now.st_nlink > 0 && now.st_size == S.State.st_size &&
         SameTime(now.st_mtim, S.State.st_mtim) && SameTime(now.st_ctim, S.State.st_ctim);
}

void Release(TSearch* S) {
  if (Spare) {
    delete S;
    return;
  }
  if (!Keeps(*S) && S->Fd >= 0) {
    close(S->Fd);
    S->Fd = -1;
  }
  Spare.reset(S);
}

} // namespace

HANDLE FindFirstFileA(LPCSTR FileName, WIN32_FIND_DATAA* FindFileData) {
  return FindFirstFileExA(FileName, FindExInfoStandard, FindFileData, FindExSearchNameMatch, nullptr, 0);
}

HANDLE FindFirstFileExA(LPCSTR FileName, FINDEX_INFO_LEVELS, LPVOID FindFileData, FINDEX_SEARCH_OPS SearchOp,
                        LPVOID SearchFilter, DWORD AdditionalFlags) {
  if (!FileName || !FindFileData || SearchFilter || AdditionalFlags != 0) return INVALID_HANDLE_VALUE;
  const char* slash = std::strrchr(FileName, '/');
  const char* pattern = slash ? slash + 1 : FileName;
  std::string_view directory = !slash ? "." : slash == FileName ? "/" : std::string_view(FileName, slash - FileName);
  TSearch* s = Spare ? Spare.release() : new TSearch;
  if (*pattern != 0 && KeptListingHolds(*s, directory)) {
    s->Offset = 0;
    s->Reused = true;
  } else {
    if (s->Fd >= 0) close(s->Fd);
    s->Directory = directory;
    s->Reused = false;
    // An empty pattern matches nothing: no need to read the directory.
    s->Fd = *pattern == 0 ? -1 : open(s->Directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    s->StateKnown = s->Fd >= 0 && fstat(s->Fd, &s->State) == 0;
    s->Length = s->Offset = 0;
    s->Fills = 0;
    s->AtEnd = s->Fd < 0;
  }
  s->Pattern = pattern;
  s->MatchesAll = s->Pattern == "*" || s->Pattern == "*.*";
  s->DirectoriesOnly = SearchOp == FindExSearchLimitToDirectories;
  if (!Next(*s, *static_cast<WIN32_FIND_DATAA*>(FindFileData))) {
    Release(s);
    return INVALID_HANDLE_VALUE;
  }
  return s;
}

BOOL FindNextFileA(HANDLE FindFile, WIN32_FIND_DATAA* FindFileData) {
  if (!FindFile || FindFile == INVALID_HANDLE_VALUE || !FindFileData) return 0;
  return Next(*static_cast<TSearch*>(FindFile), *FindFileData) ? 1 : 0;
}

BOOL FindClose(HANDLE FindFile) {
  if (!FindFile || FindFile == INVALID_HANDLE_VALUE) return 0;
  Release(static_cast<TSearch*>(FindFile));
  return 1;
}
