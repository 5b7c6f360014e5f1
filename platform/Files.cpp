#include "platform/Files.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <random>

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
  // Closes the file and returns 0 or the error of close.
  int Close() {
    const int fd = FFd;
    FFd = -1;
    return fd >= 0 && close(fd) != 0 && errno != EINTR ? errno : 0;
  }

private:
  int FFd;
};

int OpenRetry(const char* Path, int Flags, mode_t Mode = 0) {
  int fd;
  do
    fd = open(Path, Flags, Mode);
  while (fd < 0 && errno == EINTR);
  return fd;
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
// with Mode (subject to the umask). Returns the descriptor and sets TempPath, or -1 with
// errno set.
int CreateTempFile(const std::string& Dir, std::string Base, mode_t Mode, std::string& TempPath) {
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
    TempPath = Dir + name;
    const int fd = OpenRetry(TempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, Mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

void SyncDirectory(const std::string& Dir) {
  TFd fd(OpenRetry(Dir.empty() ? "." : Dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Get() >= 0) SyncRetry(fd.Get()); // best effort: the data itself is synced
}

int TypeError(const struct stat& St) { return S_ISDIR(St.st_mode) ? feIsDirectory : feNotRegular; }

// Writes Data to Target by way of a temporary file in its directory, renamed over it, so
// that the file never shows half written. An existing file (open for writing as Original,
// with the state St) passes its owner, group and permission bits on, and is written in place
// where the temporary file cannot take its place.
int Replace(const std::string& Target, std::string_view Data, int Original, const struct stat& St) {
  const std::size_t slash = Target.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : Target.substr(0, slash + 1);
  if (slash + 1 == Target.size()) return EISDIR;
  const bool exists = Original >= 0;
  std::string tempPath;
  TFd temp(CreateTempFile(dir, Target.substr(slash + 1), exists ? 0600 : 0666, tempPath));
  if (temp.Get() < 0) {
    const int error = errno;
    // The directory takes no new file.
    return exists && (error == EACCES || error == EPERM || error == EROFS) ? WriteInPlace(Original, Data) : error;
  }

  // From here on the temporary file goes again unless it has been renamed.
  bool inPlace = false;
  int error = Fill(temp.Get(), Data);
  // A file we could not give the original's owner and bits is not used.
  if (error == 0 && exists &&
      (fchown(temp.Get(), St.st_uid, St.st_gid) != 0 || fchmod(temp.Get(), St.st_mode & 07777) != 0)) {
    if (errno == EPERM)
      inPlace = true;
    else
      error = errno;
  }
  if (error == 0 && !inPlace) error = SyncRetry(temp.Get());
  if (error == 0 && !inPlace) error = temp.Close();
  if (error == 0 && !inPlace) {
    if (rename(tempPath.c_str(), Target.c_str()) == 0) {
      SyncDirectory(dir);
      return 0;
    }
    error = errno;
    // e.g. a sticky directory and a file that belongs to someone else
    if (exists && (error == EACCES || error == EPERM)) inPlace = true, error = 0;
  }
  temp.Reset();
  unlink(tempPath.c_str());
  return error != 0 ? error : WriteInPlace(Original, Data);
}

} // namespace

bool FileExists(const std::string& Path) {
  struct stat st;
  return stat(Path.c_str(), &st) == 0;
}

int ReadWholeFile(const std::string& Path, std::uint64_t MaxSize, std::string& Bytes) {
  // O_NONBLOCK: opening a FIFO or a device must not wait; the type is checked before reading.
  TFd fd(OpenRetry(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  struct stat st;
  if (fd.Get() < 0) {
    const int error = errno;
    // e.g. a socket, which cannot be opened (ENXIO)
    return stat(Path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) ? TypeError(st) : error;
  }
  if (fstat(fd.Get(), &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return TypeError(st);
  if (static_cast<std::uint64_t>(st.st_size) > MaxSize) return feTooLarge;
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

int WriteWholeFile(const std::string& Path, std::string_view Data) {
  if (Path.empty()) return ENOENT;

  // The file to replace: the path itself, or the final target of a symbolic link.
  std::string target = Path;
  bool throughDanglingLink = false;
  struct stat st;
  if (lstat(Path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* resolved = realpath(Path.c_str(), nullptr)) {
      target = resolved;
      std::free(resolved);
    } else {
      throughDanglingLink = true;
    }
  }

  if (stat(target.c_str(), &st) != 0) {
    if (errno != ENOENT) return errno;
    if (!throughDanglingLink) return Replace(target, Data, -1, st);
    // Creates the link's target, wherever it leads, and takes it away again on failure.
    TFd created(OpenRetry(Path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666));
    if (created.Get() < 0) return errno;
    const int error = WriteInPlace(created.Get(), Data);
    if (error != 0) {
      if (char* resolved = realpath(Path.c_str(), nullptr)) {
        unlink(resolved);
        std::free(resolved);
      }
    }
    return error;
  }

  // An existing file must be a regular file we may write: checked by opening it for writing
  // (without truncating), which is also the descriptor an in-place write uses.
  if (!S_ISREG(st.st_mode)) return TypeError(st);
  TFd original(OpenRetry(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (original.Get() < 0) return errno;
  if (fstat(original.Get(), &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return TypeError(st);
  // Replacing would split the file from its other names.
  if (st.st_nlink > 1) return WriteInPlace(original.Get(), Data);
  return Replace(target, Data, original.Get(), st);
}
