#include "platform/ReadAhead.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/Files.h"
#include "platform/Kernel.h"
#include "platform/Seams.h"
#include "platform/Volumes.h"
#include "platform/Wildcard.h"

namespace {

// A read of a directory slower than this came from the disk, not from the kernel's caches.
constexpr long long SlowReadNs = 40'000;
// Threads that wait on the disk, each with one read outstanding: enough to keep a disk's
// queue busy, whatever the number of cores. They run below the walk's priority, so their
// own work never takes a core from it.
constexpr int ReaderCount = 16;
// Directories waiting to be read ahead, read ahead but not yet entered by the walk, and
// taken from one directory: the bounds of what the read-ahead holds on any tree.
constexpr std::size_t QueueLimit = 8192;
constexpr std::size_t LeadLimit = 4096;
constexpr std::size_t ChildLimit = 4096;

bool IsSlow(long long ReadNs) { return ReadNs > SlowReadNs || Seams::EveryReadIsSlow(); }

// Keys that order directories as a walk enters them, compared as bytes: the keys of a
// path's names (each with its "/") one after the other, so that an ancestor comes first and
// siblings come as the walk sorts them, by the user's collation with case ignored and then by
// their bytes.
void AppendNameKey(std::string& Key, std::string_view Name) {
  constexpr DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
  const int length = static_cast<int>(Name.size());
  const int bytes = LCMapStringA(LOCALE_USER_DEFAULT, flags, Name.data(), length, nullptr, 0);
  const std::size_t at = Key.size();
  Key.resize(at + static_cast<std::size_t>(bytes));
  LCMapStringA(LOCALE_USER_DEFAULT, flags, Name.data(), length, Key.data() + at, bytes);
  // Four zero bytes end the weights: a name whose weights begin another's sorts first.
  Key.append(4, '\0');
  Key.append(Name);
  Key.push_back('\0');
}

std::string KeyOf(const std::string& Path) {
  std::string key;
  for (std::size_t start = 0; start < Path.size();) {
    const std::size_t end = Path.find('/', start);
    const std::size_t next = end == std::string::npos ? Path.size() : end + 1;
    AppendNameKey(key, std::string_view(Path).substr(start, next - start));
    start = next;
  }
  return key;
}

// Directories by their keys.
using TDirectories = std::map<std::string, std::string>;

// The read-ahead of one walk: its readers and what they share, under one lock.
class TReadAheadPool {
public:
  ~TReadAheadPool() {
    {
      std::lock_guard lock(FLock);
      FStop = true;
    }
    FWork.notify_all();
    for (std::thread& reader : FReaders)
      reader.join();
  }

  void Entered(const std::string& Path, bool Slow) {
    if (FRoot.empty()) FRoot = Path;
    FSlowReads = (FSlowReads << 1) | (Slow ? 1u : 0u);
    const bool cold = std::popcount(FSlowReads & 0xFFFFu) >= 3;
    const bool active = FActive.load(std::memory_order_relaxed);
    if (!active && !cold) return;
    std::string key = KeyOf(Path);
    {
      // The walk never waits for a reader that holds the lock: the next directory tells them.
      std::unique_lock lock(FLock, std::defer_lock);
      if (active) {
        if (!lock.try_lock()) return;
      } else {
        lock.lock();
      }
      FWalker = std::move(key);
      const bool known = FLead.count(FWalker) > 0;
      // What the walk has passed is of no more use.
      FQueue.erase(FQueue.begin(), FQueue.upper_bound(FWalker));
      FLead.erase(FLead.begin(), FLead.upper_bound(FWalker));
      if (!FActive) {
        FActive = true;
        FSlowReads = 0;
        FReaderSlowReads = ~std::uint64_t{0};
        FVolumes = CurrentVolumes();
        // What lies ahead of the walk hangs below the directories it is in: read them again
        // (they are in the caches now) for the subdirectories it has not entered yet, the
        // nearest first.
        for (std::string dir = Path; dir.starts_with(FRoot);) {
          FRescan.insert(FRescan.begin(), dir);
          const std::size_t cut = dir.size() > FRoot.size() ? dir.rfind('/', dir.size() - 2) : std::string::npos;
          if (cut == std::string::npos) break;
          dir.resize(cut + 1);
        }
        if (FRescan.empty()) FRescan.push_back(Path);
        StartReaders();
      } else if (!known && !FInFlight.count(FWalker)) {
        FRescan.push_back(Path);
      }
    }
    // Entering a directory frees about one place ahead, or brings one directory to read; a
    // reader that takes work wakes the next while more is left.
    FWork.notify_one();
  }

  void SetPattern(const std::string& Pattern) {
    if (Pattern == FPatternSeen) return;
    FPatternSeen = Pattern;
    std::lock_guard lock(FLock);
    FPattern = Pattern;
  }

private:
  void StartReaders() {
    if (!FReaders.empty()) return;
    for (int i = 0; i < ReaderCount; ++i)
      FReaders.emplace_back([this] { Read(); });
  }

  bool HasWork() const {
    return FActive && (!FRescan.empty() || (!FQueue.empty() && FLead.size() + FInFlight.size() < LeadLimit));
  }

  void Read() {
    // Below the walk's thread, which the user interface runs on, whenever both want a core.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
    std::unique_lock lock(FLock);
    for (;;) {
      FWork.wait(lock, [this] { return FStop || HasWork(); });
      if (FStop) return;
      std::string key, path;
      const bool rescan = !FRescan.empty();
      if (rescan) {
        path = std::move(FRescan.back());
        FRescan.pop_back();
      } else {
        auto first = FQueue.extract(FQueue.begin());
        key = std::move(first.key());
        path = std::move(first.mapped());
        FInFlight.insert(key);
      }
      if (HasWork()) FWork.notify_one();
      const std::string pattern = FPattern;
      std::shared_ptr<const TVolumeTable> volumes = FVolumes;
      lock.unlock();
      if (rescan) key = KeyOf(path);
      TDirectories children;
      const bool slow = ReadDirectory(path, key, pattern, *volumes, children);
      lock.lock();
      if (!rescan) {
        FInFlight.erase(key);
        if (key > FWalker) FLead.insert(key);
      }
      for (auto& [childKey, child] : children) {
        if (childKey <= FWalker || FLead.count(childKey) || FInFlight.count(childKey)) continue;
        FQueue.emplace(childKey, std::move(child));
        if (FQueue.size() > QueueLimit) FQueue.erase(std::prev(FQueue.end()));
      }
      // Reads that all come from the caches mean the tree is warm: go idle until the walk
      // meets the disk again.
      FReaderSlowReads = (FReaderSlowReads << 1) | (slow ? 1u : 0u);
      if (FReaderSlowReads == 0) {
        FActive = false;
        FQueue.clear();
        FLead.clear();
        FRescan.clear();
      }
    }
  }

  // Reads the directory Path and looks at the files the walk will look at; gives the
  // subdirectories it will enter, the first ChildLimit of them in walk order. Whether the
  // reads waited for the disk.
  bool ReadDirectory(const std::string& Path, const std::string& Key, const std::string& Pattern,
                     const TVolumeTable& Volumes, TDirectories& Children) {
    timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    const int fd = OpenDirectory(Path);
    if (fd < 0) return false;
    const bool matchesAll = Pattern == "*" || Pattern == "*.*";
    bool identityKnown = false;
    struct stat self {};
    alignas(dirent64) char buffer[32768];
    long length;
    while (!FStop && (length = getdents64(fd, buffer, sizeof buffer)) > 0) {
      for (long offset = 0; offset < length;) {
        const auto* entry = reinterpret_cast<const dirent64*>(buffer + offset);
        offset += entry->d_reclen;
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
        unsigned char type = entry->d_type;
        struct stat st;
        if (type == DT_UNKNOWN) {
          if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
          type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
        }
        if (type == DT_DIR) {
          if (name[0] == '.') continue;
          if (Volumes.HasSystemDirectoryNamed(name)) {
            if (!identityKnown && fstat(fd, &self) != 0) continue;
            identityKnown = true;
            if (Volumes.IsSystemDirectory(self.st_dev, self.st_ino, name)) continue;
          }
          std::string child = Path + name + "/";
          std::string childKey = Key;
          AppendNameKey(childKey, std::string_view(child).substr(Path.size()));
          if (Children.size() == ChildLimit && childKey >= std::prev(Children.end())->first) continue;
          Children.emplace(std::move(childKey), std::move(child));
          if (Children.size() > ChildLimit) Children.erase(std::prev(Children.end()));
        } else if ((type == DT_REG || type == DT_LNK) && !Pattern.empty() &&
                   (matchesAll || MatchesWildcard(Pattern, name))) {
          fstatat(fd, name, &st, 0);
        }
      }
    }
    close(fd);
    clock_gettime(CLOCK_MONOTONIC, &end);
    return IsSlow((end.tv_sec - start.tv_sec) * 1'000'000'000LL + (end.tv_nsec - start.tv_nsec));
  }

  // The walk's side, on its own thread.
  std::string FRoot;
  std::uint32_t FSlowReads = 0;
  std::string FPatternSeen;

  std::mutex FLock;
  std::condition_variable FWork;
  std::atomic<bool> FActive = false;
  std::atomic<bool> FStop = false;
  // The key of the directory the walk entered last; what sorts before it has been passed.
  std::string FWalker;
  std::string FPattern;
  std::shared_ptr<const TVolumeTable> FVolumes;
  TDirectories FQueue;
  std::set<std::string> FLead, FInFlight;
  std::vector<std::string> FRescan;
  std::uint64_t FReaderSlowReads = 0;
  std::vector<std::thread> FReaders;
};

thread_local int ScopeDepth = 0;
thread_local std::unique_ptr<TReadAheadPool> Pool;

} // namespace

TReadAheadScope::TReadAheadScope() {
  if (ScopeDepth++ == 0) Pool = std::make_unique<TReadAheadPool>();
}

TReadAheadScope::~TReadAheadScope() {
  if (--ScopeDepth == 0) Pool.reset();
}

namespace ReadAhead {

bool InScope() { return ScopeDepth > 0; }

void Entered(const std::string& Directory, long long ReadNs) {
  Pool->Entered(Directory.back() == '/' ? Directory : Directory + "/", IsSlow(ReadNs));
}

void FilePattern(const std::string& Pattern) { Pool->SetPattern(Pattern); }

} // namespace ReadAhead
