#include "platform/FindFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <cwctype>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Files.h"
#include "platform/Volumes.h"
#include "platform/Wildcard.h"

namespace {

struct TSearch {
  ~TSearch() { CloseDirectory(); }
  void CloseDirectory() {
    if (Fd >= 0) close(Fd);
    Fd = -1;
  }

  // The directory, open while a search that reads it runs.
  int Fd = -1;
  bool DirectoriesOnly = false;
  std::string Directory;
  std::string Pattern;
  // The path of an entry looked at by path, kept for its buffer.
  std::string EntryPath;
  // "*" and "*.*" match every name, also one without a dot.
  bool MatchesAll = false;
  // The directory's device and inode numbers, asked for only when a subdirectory bears the
  // name of a system directory.
  bool IdentityKnown = false;
  dev_t Device = 0;
  ino_t Inode = 0;
  // Whether the directory was looked at when it was opened (LastStamp).
  bool Stamped = false;
  // The table that tells the system directories, taken at the first subdirectory met.
  std::shared_ptr<const TVolumeTable> Volumes;
  long Length = 0;
  long Offset = 0;
  // Times the buffer was filled, whether the directory has no entries left to read, and
  // whether the buffer holds the directory's whole listing, fit to be kept.
  int Fills = 0;
  bool AtEnd = false;
  bool Whole = false;
  alignas(dirent64) char Buffer[32768];
};

// The last search closed, kept for its buffer and, after a directories-only search, for the
// listing it read, which the name search of the same visit may take (see FindFile.h).
thread_local std::unique_ptr<TSearch> Spare;
thread_local DWORD LastError = 0;
// The directory the thread's last search opened, as it was before it was read.
thread_local TDirectoryStamp LastStamp{};
thread_local bool LastStampTaken = false;

// Looks at the directory Path, relative to the directory Dir; false when it cannot be looked
// at. The clock that stamps changes is read before the directory is looked at.
bool TakeStamp(int Dir, const char* Path, int Flags, TDirectoryStamp& Stamp) {
  timespec now;
  clock_gettime(CLOCK_REALTIME_COARSE, &now);
  struct statx info;
  const unsigned mask = STATX_TYPE | STATX_INO | STATX_MTIME | STATX_CTIME;
  if (statx(Dir, Path, Flags, mask, &info) != 0 || (info.stx_mask & mask) != mask || !S_ISDIR(info.stx_mode))
    return false;
  const auto Ns = [](const statx_timestamp& T) { return T.tv_sec * 1'000'000'000LL + T.tv_nsec; };
  Stamp = {(static_cast<unsigned long long>(info.stx_dev_major) << 32) | info.stx_dev_minor, info.stx_ino,
           Ns(info.stx_mtime), Ns(info.stx_ctime), now.tv_sec * 1'000'000'000LL + now.tv_nsec};
  return true;
}

// Looks at the entry Name of the search's directory: through the directory while it is
// open, else by its path, which costs less than opening the directory for a file or two.
// A path too long to be given whole opens the directory again.
int StatEntry(TSearch& S, const char* Name, struct stat& St, int Flags) {
  if (S.Fd < 0 && S.Directory.size() + std::strlen(Name) + 1 >= PATH_MAX) S.Fd = OpenDirectory(S.Directory);
  if (S.Fd >= 0) return fstatat(S.Fd, Name, &St, Flags);
  S.EntryPath.assign(S.Directory).append("/").append(Name);
  return fstatat(AT_FDCWD, S.EntryPath.c_str(), &St, Flags);
}

// The attributes a volume mounted on the subdirectory Name gives it: system for a virtual
// file system, a reparse point for any other.
DWORD MountAttributes(TSearch& S, const char* Name) {
  if (!S.Volumes) S.Volumes = CurrentVolumes();
  if (!S.Volumes->HasMountPointNamed(Name)) return 0;
  if (!S.IdentityKnown) {
    struct stat st;
    if (S.Fd < 0 && S.Directory.size() >= PATH_MAX) S.Fd = OpenDirectory(S.Directory);
    const int got = S.Fd >= 0 ? fstat(S.Fd, &st) : stat(S.Directory.c_str(), &st);
    if (got != 0) return 0;
    S.IdentityKnown = true;
    S.Device = st.st_dev;
    S.Inode = st.st_ino;
  }
  if (S.Volumes->IsSystemDirectory(S.Device, S.Inode, Name)) return FILE_ATTRIBUTE_SYSTEM;
  return S.Volumes->IsMountPoint(S.Device, S.Inode, Name) ? FILE_ATTRIBUTE_REPARSE_POINT : 0;
}

void FillDirectory(TSearch& S, const char* Name, WIN32_FIND_DATAA& Data) {
  Data.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY | MountAttributes(S, Name);
  if (Name[0] == '.') Data.dwFileAttributes |= FILE_ATTRIBUTE_HIDDEN;
  Data.nFileSizeHigh = Data.nFileSizeLow = 0;
}

// A regular file, or the file a link leads to; false for anything else.
bool FillFile(TSearch& S, const char* Name, WIN32_FIND_DATAA& Data) {
  struct stat st;
  if (StatEntry(S, Name, st, 0) != 0 || !S_ISREG(st.st_mode)) return false;
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
  if (!S.MatchesAll && !MatchesWildcard(S.Pattern, name)) return false;
  if (type == DT_UNKNOWN) {
    struct stat st;
    if (StatEntry(S, name, st, AT_SYMLINK_NOFOLLOW) != 0) return false;
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
        S.Whole = length == 0 && S.Fills <= 1;
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

// Whether the listing a closed search kept may stand for a name search of Directory started
// with FIND_FIRST_EX_SAME_VISIT: the directories-only search of that path read it whole.
bool KeptListingHolds(const TSearch& S, std::string_view Directory, DWORD Flags) {
  return (Flags & FIND_FIRST_EX_SAME_VISIT) && S.Whole && S.DirectoriesOnly && S.Directory == Directory;
}

void Release(TSearch* S) {
  S->CloseDirectory();
  S->Volumes.reset();
  if (Spare && !S->Whole) {
    delete S;
    return;
  }
  Spare.reset(S);
}

} // namespace

DWORD GetLastError() { return LastError; }

HANDLE FindFirstFileA(LPCSTR FileName, WIN32_FIND_DATAA* FindFileData) {
  return FindFirstFileExA(FileName, FindExInfoStandard, FindFileData, FindExSearchNameMatch, nullptr, 0);
}

HANDLE FindFirstFileExA(LPCSTR FileName, FINDEX_INFO_LEVELS, LPVOID FindFileData, FINDEX_SEARCH_OPS SearchOp,
                        LPVOID SearchFilter, DWORD AdditionalFlags) {
  LastStampTaken = false;
  if (!FileName || !FindFileData || SearchFilter || (AdditionalFlags & ~FIND_FIRST_EX_SAME_VISIT))
    return INVALID_HANDLE_VALUE;
  const char* slash = std::strrchr(FileName, '/');
  const char* pattern = slash ? slash + 1 : FileName;
  std::string_view directory = !slash ? "."
                               : slash == FileName
                                   ? "/"
                                   : std::string_view(FileName, static_cast<std::size_t>(slash - FileName));
  // An empty pattern matches nothing: no need to read the directory.
  LastError = ERROR_FILE_NOT_FOUND;
  if (*pattern == 0) return INVALID_HANDLE_VALUE;
  TSearch* s = Spare ? Spare.release() : new TSearch;
  const bool kept = KeptListingHolds(*s, directory, AdditionalFlags) && SearchOp == FindExSearchNameMatch;
  // A listing is taken once, by the search that comes right after its own.
  s->Whole = false;
  if (kept) {
    s->Offset = 0;
    LastStampTaken = s->Stamped;
  } else {
    s->Directory = directory;
    s->Fd = OpenDirectory(s->Directory);
    s->Stamped = LastStampTaken = s->Fd >= 0 && TakeStamp(s->Fd, "", AT_EMPTY_PATH, LastStamp);
    // The stamp names the directory: no need to ask for it beside a system mount's name.
    s->IdentityKnown = LastStampTaken;
    if (s->IdentityKnown) {
      s->Device = makedev(static_cast<unsigned>(LastStamp.Device >> 32), static_cast<unsigned>(LastStamp.Device));
      s->Inode = LastStamp.Inode;
    }
    s->Length = s->Offset = 0;
    s->Fills = 0;
    s->AtEnd = s->Fd < 0;
    if (s->Fd < 0) LastError = errno == EACCES || errno == EPERM ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND;
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

BOOL GetDirectoryStamp(LPCSTR Path, TDirectoryStamp* Stamp) {
  return Path && Stamp && TakeStamp(AT_FDCWD, Path, 0, *Stamp) ? 1 : 0;
}

BOOL GetSearchedDirectoryStamp(TDirectoryStamp* Stamp) {
  if (!Stamp || !LastStampTaken) return 0;
  *Stamp = LastStamp;
  return 1;
}

bool ListingStands(const TDirectoryStamp& Before, const TDirectoryStamp& Now) {
  return Before.Device == Now.Device && Before.Inode == Now.Inode && Before.Modified == Now.Modified &&
         Before.Changed == Now.Changed && Before.Modified < Before.Taken && Before.Changed < Before.Taken;
}
