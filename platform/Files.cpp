#include "platform/Files.h"

#include <acl/libacl.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/acl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

namespace {

// An open file, closed when it goes.
class TFd {
public:
  explicit TFd(int Fd = -1) : FFd(Fd) {}
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  ~TFd() { Reset(); }
  int Get() const { return FFd; }
  void Reset(int Fd = -1) {
    if (FFd >= 0) close(FFd);
    FFd = Fd;
  }
  int Release() { return std::exchange(FFd, -1); }
  // Closes the file and returns 0 or the error of close.
  int Close() {
    const int fd = FFd;
    FFd = -1;
    return fd >= 0 && close(fd) != 0 && errno != EINTR ? errno : 0;
  }

private:
  int FFd;
};

int OpenRetry(int Dir, const char* Name, int Flags, mode_t Mode = 0) {
  int fd;
  do
    fd = openat(Dir, Name, Flags, Mode);
  while (fd < 0 && errno == EINTR);
  return fd;
}

constexpr int DirectoryFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

// An entry of a directory: the open directory and the entry's name in it.
struct TPlace {
  TFd Dir;
  std::string Name;
};

// Opens the directory that holds the last name of Path, a path relative to the directory
// From unless it begins with "/". A directory part too long for the system to take whole is
// opened a piece at a time, each piece shorter than PATH_MAX and ending before a "/". A path
// ending in "/" names its directory itself (".").
int OpenPlace(int From, const std::string& Path, TPlace& Place) {
  if (Path.empty()) return ENOENT;
  const std::size_t slash = Path.rfind('/');
  std::string name = slash == std::string::npos ? Path : Path.substr(slash + 1);
  if (name.empty()) name.push_back('.');
  const std::size_t end = slash == std::string::npos ? 0 : slash;
  std::size_t pos = 0;
  TFd dir(Path[0] == '/' ? OpenRetry(AT_FDCWD, "/", DirectoryFlags) : OpenRetry(From, ".", DirectoryFlags));
  if (dir.Get() < 0) return errno;
  for (;;) {
    while (pos < end && Path[pos] == '/')
      ++pos;
    if (pos >= end) break;
    std::size_t stop = end;
    if (stop - pos >= PATH_MAX) {
      stop = Path.rfind('/', pos + PATH_MAX - 1);
      if (stop == std::string::npos || stop <= pos) return ENAMETOOLONG; // one name of 4,096 bytes or more
    }
    const int next = OpenRetry(dir.Get(), Path.substr(pos, stop - pos).c_str(), DirectoryFlags);
    if (next < 0) return errno;
    dir.Reset(next);
    pos = stop + 1;
  }
  Place.Dir.Reset(dir.Release());
  Place.Name = std::move(name);
  return 0;
}

// Follows Place through symbolic links, as the system would, to an entry that is no link,
// and gives its state in St. A link whose file does not exist gives feDanglingLink; an entry
// that does not exist, ENOENT.
int Resolve(TPlace& Place, struct stat& St) {
  for (int links = 0;; ++links) {
    if (fstatat(Place.Dir.Get(), Place.Name.c_str(), &St, AT_SYMLINK_NOFOLLOW) != 0)
      return errno == ENOENT && links > 0 ? feDanglingLink : errno;
    if (!S_ISLNK(St.st_mode)) return 0;
    if (links == 40) return ELOOP;
    std::string target(PATH_MAX, '\0');
    const ssize_t length = readlinkat(Place.Dir.Get(), Place.Name.c_str(), target.data(), target.size());
    if (length < 0) return errno;
    target.resize(static_cast<std::size_t>(length));
    TPlace next;
    if (const int error = OpenPlace(Place.Dir.Get(), target, next)) return error == ENOENT ? feDanglingLink : error;
    Place.Dir.Reset(next.Dir.Release());
    Place.Name = std::move(next.Name);
  }
}

// The state of the entry Path names, a symbolic link followed.
int StatPath(const std::string& Path, struct stat& St) {
  TPlace place;
  if (const int error = OpenPlace(AT_FDCWD, Path, place)) return error;
  return fstatat(place.Dir.Get(), place.Name.c_str(), &St, 0) == 0 ? 0 : errno;
}

// Writes all of Data at Offset; returns 0 or the error.
int WriteAllAt(int Fd, std::string_view Data, off_t Offset) {
  while (!Data.empty()) {
    const ssize_t written = pwrite(Fd, Data.data(), Data.size(), Offset);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (written == 0) return EIO;
    Data.remove_prefix(static_cast<std::size_t>(written));
    Offset += written;
  }
  return 0;
}

int SyncRetry(int Fd) {
  while (fsync(Fd) != 0)
    if (errno != EINTR) return errno;
  return 0;
}

// Gives the file the blocks for its first Length bytes (growing it to Length when shorter),
// so that writing them cannot run out of space.
int Reserve(int Fd, std::size_t Length) {
  if (Length == 0) return 0;
  while (fallocate(Fd, 0, 0, static_cast<off_t>(Length)) != 0) {
    if (errno == EOPNOTSUPP || errno == ENOSYS) return feCannotReserve;
    if (errno != EINTR) return errno;
  }
  return 0;
}

// Fills a new temporary file with Data. A full volume fails the reservation, before anything
// is written; where space cannot be reserved, writing shows whether there is enough.
int Fill(int Fd, std::string_view Data) {
  const int error = Reserve(Fd, Data.size());
  return error != 0 && error != feCannotReserve ? error : WriteAllAt(Fd, Data, 0);
}

// Writes the whole file in place through Fd, open for writing: nothing is overwritten
// before the space for all of Data is reserved, and the file is cut to its new length only
// once Data is written.
int WriteInPlace(int Fd, std::string_view Data) {
  int error = Reserve(Fd, Data.size());
  if (error == 0) error = WriteAllAt(Fd, Data, 0);
  while (error == 0 && ftruncate(Fd, static_cast<off_t>(Data.size())) != 0)
    if (errno != EINTR) error = errno;
  if (error == 0) error = SyncRetry(Fd);
  return error;
}

// Creates a new, hidden file "." + Base + "." + six random characters in Dir, exclusively,
// with Mode (subject to the umask). Returns the descriptor and sets TempName, or -1 with
// errno set.
int CreateTempFile(int Dir, std::string Base, mode_t Mode, std::string& TempName) {
  static constexpr char chars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  constexpr std::size_t suffixLength = 7; // "." and six characters
  // Keeps the whole name within NAME_MAX, cutting the base at a UTF-8 character boundary.
  if (Base.size() + 1 + suffixLength > NAME_MAX) {
    std::size_t length = NAME_MAX - 1 - suffixLength;
    while (length > 0 && (static_cast<unsigned char>(Base[length]) & 0xC0) == 0x80)
      --length;
    Base.resize(length);
  }
  thread_local std::mt19937_64 random(std::random_device{}() ^ static_cast<std::uint64_t>(getpid()));
  std::uniform_int_distribution<std::size_t> pick(0, sizeof(chars) - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "." + Base + ".";
    for (std::size_t i = 1; i < suffixLength; ++i)
      name += chars[pick(random)];
    TempName = name;
    const int fd = OpenRetry(Dir, TempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, Mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

void SyncDirectory(int Dir) {
  TFd fd(OpenRetry(Dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Get() >= 0) SyncRetry(fd.Get()); // best effort: the data itself is synced
}

int TypeError(const struct stat& St) { return S_ISDIR(St.st_mode) ? feIsDirectory : feNotRegular; }

// Copies the extended attributes the user may read from one file to another, but for the
// system ones (the ACLs, copied on their own). False when one cannot be given.
bool CopyAttributes(int From, int To) {
  std::vector<char> names(XATTR_LIST_MAX), value(XATTR_SIZE_MAX);
  const ssize_t listed = flistxattr(From, names.data(), names.size());
  if (listed < 0) return errno == ENOTSUP; // a file system without them
  for (std::size_t i = 0; i < static_cast<std::size_t>(listed); i += std::strlen(&names[i]) + 1) {
    const char* name = &names[i];
    if (std::strncmp(name, "system.", 7) == 0) continue;
    const ssize_t size = fgetxattr(From, name, value.data(), value.size());
    if (size < 0) {
      if (errno == ENODATA || errno == EPERM || errno == EACCES) continue; // gone since, or not readable
      return false;
    }
    if (fsetxattr(To, name, value.data(), static_cast<std::size_t>(size), 0) != 0) return false;
  }
  return true;
}

// Gives the new file Temp what the file Original (with the state St) has besides its bytes:
// owner and group, permission bits, access ACL and extended attributes. False when any of
// them cannot be given.
bool CopyMetadata(int Original, int Temp, const struct stat& St) {
  // The owner first: a change of owner clears the set-user-ID and set-group-ID bits.
  if (fchown(Temp, St.st_uid, St.st_gid) != 0 || fchmod(Temp, St.st_mode & 07777) != 0) return false;
  // The new file may have taken an ACL of its directory's default that the original lacks.
  if (acl_extended_fd(Original) == 1 || acl_extended_fd(Temp) == 1) {
    acl_t acl = acl_get_fd(Original);
    const bool given = acl != nullptr && acl_set_fd(Temp, acl) == 0;
    if (acl != nullptr) acl_free(acl);
    if (!given) return false;
  }
  return CopyAttributes(Original, Temp);
}

// Gives a file created again the permission bits and owner it had; where the owner cannot
// be given, only the owner's bits, so that no one else may read it who could not before.
int GiveBack(int Temp, const TFileState& Former) {
  mode_t mode = Former.Mode & 07777;
  if (fchown(Temp, Former.Owner, Former.Group) != 0) mode &= 0700;
  return fchmod(Temp, mode) == 0 ? 0 : errno;
}

// Writes Data to the entry Place by way of a temporary file in its directory, renamed over
// it, so that the file never shows half written. An existing file (open for writing as
// Original, with the state St) passes on all it has besides its bytes, and is written in
// place where the temporary file cannot take its place; a file that has gone since it was
// last seen (Former) is given back its permission bits and owner.
int Replace(const TPlace& Place, std::string_view Data, int Original, const struct stat& St, const TFileState* Former) {
  const int dir = Place.Dir.Get();
  const bool exists = Original >= 0;
  std::string tempName;
  TFd temp(CreateTempFile(dir, Place.Name, exists || Former ? 0600 : 0666, tempName));
  if (temp.Get() < 0) {
    const int error = errno;
    // The directory takes no new file: not from this user, or not on a volume without free inodes.
    const bool noNewFile = error == EACCES || error == EPERM || error == EROFS || error == ENOSPC || error == EDQUOT;
    return exists && noNewFile ? WriteInPlace(Original, Data) : error;
  }

  // From here on the temporary file goes again unless it has been renamed.
  bool inPlace = false;
  int error = Fill(temp.Get(), Data);
  if (error == 0 && exists)
    inPlace = !CopyMetadata(Original, temp.Get(), St);
  else if (error == 0 && Former)
    error = GiveBack(temp.Get(), *Former);
  if (error == 0 && !inPlace) error = SyncRetry(temp.Get());
  if (error == 0 && !inPlace) error = temp.Close();
  if (error == 0 && !inPlace) {
    if (renameat(dir, tempName.c_str(), dir, Place.Name.c_str()) == 0) {
      SyncDirectory(dir);
      return 0;
    }
    error = errno;
    // e.g. a sticky directory and a file that belongs to someone else
    if (exists && (error == EACCES || error == EPERM)) inPlace = true, error = 0;
  }
  temp.Reset();
  unlinkat(dir, tempName.c_str(), 0);
  return error != 0 ? error : WriteInPlace(Original, Data);
}

} // namespace

bool TFileState::SameVersion(const TFileState& Other) const {
  return Exists == Other.Exists && Device == Other.Device && Inode == Other.Inode && Size == Other.Size &&
         ModifiedSeconds == Other.ModifiedSeconds && ModifiedNanoseconds == Other.ModifiedNanoseconds;
}

TFileState GetFileState(const std::string& Path) {
  TFileState state;
  struct stat st;
  if (StatPath(Path, st) != 0) return state;
  state.Exists = true;
  state.Regular = S_ISREG(st.st_mode);
  state.Device = st.st_dev;
  state.Inode = st.st_ino;
  state.Size = static_cast<std::uint64_t>(st.st_size);
  state.ModifiedSeconds = st.st_mtim.tv_sec;
  state.ModifiedNanoseconds = st.st_mtim.tv_nsec;
  state.Mode = st.st_mode & 07777;
  state.Owner = st.st_uid;
  state.Group = st.st_gid;
  return state;
}

bool FileExists(const std::string& Path) {
  struct stat st;
  return StatPath(Path, st) == 0;
}

namespace {

// Opens the regular file Path for reading into Fd, its state into St, without reading.
int OpenForReading(const std::string& Path, std::uint64_t MaxSize, TFd& Fd, struct stat& St) {
  TPlace place;
  if (const int error = OpenPlace(AT_FDCWD, Path, place)) return error;
  // O_NONBLOCK: opening a FIFO or a device must not wait; the type is checked before reading.
  Fd.Reset(OpenRetry(place.Dir.Get(), place.Name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (Fd.Get() < 0) {
    const int error = errno;
    // e.g. a socket, which cannot be opened (ENXIO)
    return fstatat(place.Dir.Get(), place.Name.c_str(), &St, 0) == 0 && !S_ISREG(St.st_mode) ? TypeError(St) : error;
  }
  if (fstat(Fd.Get(), &St) != 0) return errno;
  if (!S_ISREG(St.st_mode)) return TypeError(St);
  if (static_cast<std::uint64_t>(St.st_size) > MaxSize) return feTooLarge;
  return 0;
}

} // namespace

int CheckReadableFile(const std::string& Path, std::uint64_t MaxSize) {
  TFd fd;
  struct stat st;
  return OpenForReading(Path, MaxSize, fd, st);
}

int ReadWholeFile(const std::string& Path, std::uint64_t MaxSize, std::string& Bytes) {
  TFd fd;
  struct stat st;
  if (const int error = OpenForReading(Path, MaxSize, fd, st)) return error;
  const int flags = fcntl(fd.Get(), F_GETFL);
  if (flags >= 0) fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK); // a regular file: reads may wait

  // Reads to the end, whatever the size said: the file may have changed since.
  Bytes.resize(static_cast<std::size_t>(st.st_size) + 1);
  std::size_t got = 0;
  for (;;) {
    if (got == Bytes.size()) {
      if (got > MaxSize) return feTooLarge;
      Bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(2 * got + 4096, MaxSize + 1)));
    }
    const ssize_t count = read(fd.Get(), Bytes.data() + got, Bytes.size() - got);
    if (count < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (count == 0) break;
    got += static_cast<std::size_t>(count);
  }
  if (got > MaxSize) return feTooLarge;
  Bytes.resize(got);
  return 0;
}

int WriteWholeFile(const std::string& Path, std::string_view Data, const TFileState* Former) {
  // The file to replace: the entry itself, or where its symbolic links lead now.
  TPlace place;
  if (const int error = OpenPlace(AT_FDCWD, Path, place)) return error;
  struct stat st;
  if (const int error = Resolve(place, st)) {
    if (error != ENOENT) return error;
    return Replace(place, Data, -1, st, Former && Former->Exists ? Former : nullptr);
  }

  // An existing file must be a regular file we may write: checked by opening it for writing
  // (without truncating), which is also the descriptor an in-place write uses.
  if (!S_ISREG(st.st_mode)) return TypeError(st);
  TFd original(
      OpenRetry(place.Dir.Get(), place.Name.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW));
  if (original.Get() < 0) return errno;
  if (fstat(original.Get(), &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return TypeError(st);
  // Replacing would split the file from its other names.
  if (st.st_nlink > 1) return WriteInPlace(original.Get(), Data);
  return Replace(place, Data, original.Get(), st, nullptr);
}

int OpenDirectory(const std::string& Path) {
  constexpr int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  if (Path.size() < PATH_MAX) return open(Path.c_str(), flags);
  // Too long for one call: open it a stretch of whole names at a time, each below the limit,
  // each stretch from the directory the one before it opened.
  int at = AT_FDCWD;
  std::size_t start = 0;
  while (start < Path.size()) {
    std::size_t end = Path.size();
    if (end - start >= PATH_MAX) {
      end = Path.rfind('/', start + PATH_MAX - 1);
      if (end == std::string::npos || end <= start) {
        if (at != AT_FDCWD) close(at);
        errno = ENAMETOOLONG;
        return -1;
      }
    }
    const std::string stretch = Path.substr(start, end - start);
    const int next = openat(at, stretch.c_str(), end == Path.size() ? flags : O_PATH | O_DIRECTORY | O_CLOEXEC);
    const int error = errno;
    if (at != AT_FDCWD) close(at);
    if (next < 0) {
      errno = error;
      return -1;
    }
    at = next;
    start = end + 1;
    while (start < Path.size() && Path[start] == '/')
      ++start;
  }
  return at;
}
