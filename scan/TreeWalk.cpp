#include "scan/TreeWalk.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <string_view>

#include "framework/Classes.h"
#include "platform/Kernel.h"
#include "platform/Threads.h"

namespace {

// Readers that find what they read in memory want a core, and a few of them keep the cores busy;
// readers that wait for a disk or a slow volume are served many at a time. So a few start,
// and each read that is seen to wait starts one more, up to many. Every few reads a reader
// looks whether the read had a disk read, or waited long for something else (a volume that
// answers slowly) without being made to wait for a core.
constexpr std::size_t ReaderCount = 4, ReaderLimit = 32;
constexpr int ReadsBetweenLooks = 4;
constexpr auto LongWait = std::chrono::milliseconds(2);
// Directories read ahead and not yet reported, beyond which readers wait, and down to which
// the reporting lets them wait before it wakes them: in bursts, not one for each directory.
constexpr std::size_t LeadLimit = 4096, LeadResume = LeadLimit / 2;
// Directories reported that are given back to the readers at a time.
constexpr std::size_t RetireBatch = 256;

// The order of one directory's lists: the user's collation with case ignored, and names
// that differ only in case kept apart by their bytes. Every entry begins with the
// directory's path, so only what follows it is compared.
TStringListCompare ListOrder(std::size_t PrefixLength) {
  return [PrefixLength](const String& A, const String& B) {
    std::size_t a = std::min(PrefixLength, A.size()), b = std::min(PrefixLength, B.size());
    int order = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, A.c_str() + a, static_cast<int>(A.size() - a),
                               B.c_str() + b, static_cast<int>(B.size() - b));
    if (order == CSTR_LESS_THAN) return -1;
    if (order == CSTR_GREATER_THAN) return 1;
    int bytes = A.compare(B);
    return bytes < 0 ? -1 : bytes > 0 ? 1 : 0;
  };
}

void MakeSortedList(TStringList& List, const String& Dir) {
  List.SetCompare(ListOrder(Dir.size()));
  List.SetDuplicates(dupIgnore);
  List.SetSorted(true);
}

// Hands every entry of one search to Take; the search is closed when this returns. False when
// the directory could not be read.
template <class F> bool ForEachEntry(const String& Pattern, FINDEX_SEARCH_OPS SearchOp, DWORD Flags, F Take) {
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileExA(Pattern.c_str(), FindExInfoBasic, &data, SearchOp, nullptr, Flags);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  std::unique_ptr<void, BOOL (*)(HANDLE)> closer(search, FindClose);
  do
    Take(data);
  while (FindNextFileA(search, &data));
  return true;
}

} // namespace

TDirectoryListing ReadListing(const String& Dir, const String& Mask) {
  TDirectoryListing listing;
  listing.Mask = Mask;
  TStringList subdirectories;
  MakeSortedList(subdirectories, Dir);
  constexpr DWORD skipped =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_VOLUME_LABEL | FILE_ATTRIBUTE_REPARSE_POINT;
  listing.Readable = ForEachEntry(Dir + "*.*", FindExSearchLimitToDirectories, 0, [&](const WIN32_FIND_DATAA& Entry) {
    const std::string_view name = Entry.cFileName;
    if ((Entry.dwFileAttributes & skipped) || !(Entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == "." ||
        name == "..")
      return;
    String path;
    path.reserve(Dir.size() + name.size() + 1);
    path.append(Dir).append(name).append("/");
    subdirectories.Add(path);
  });
  // The directory that was read, as it was before it was read.
  if (!GetSearchedDirectoryStamp(&listing.Stamp)) listing.Stamp = {};
  for (int i = 0; i < subdirectories.Count(); ++i)
    listing.Subdirectories.push_back(subdirectories.Strings(i));

  // Sizes are kept beside the sorted paths; a later entry equal to a kept one gives its size.
  std::vector<std::pair<String, std::int32_t>> found;
  // Nothing runs between the two searches, so the second may take the first's listing.
  ForEachEntry(Dir + Mask, FindExSearchNameMatch, FIND_FIRST_EX_SAME_VISIT, [&](const WIN32_FIND_DATAA& Entry) {
    if (Entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_VOLUME_LABEL)) return;
    found.emplace_back(Dir + Entry.cFileName, static_cast<std::int32_t>(Entry.nFileSizeLow));
  });
  const TStringListCompare order = ListOrder(Dir.size());
  std::stable_sort(found.begin(), found.end(),
                   [&](const auto& A, const auto& B) { return order(A.first, B.first) < 0; });
  for (auto& file : found) {
    if (!listing.Files.empty() && order(listing.Files.back().first, file.first) == 0)
      listing.Files.back().second = file.second;
    else
      listing.Files.push_back(std::move(file));
  }
  return listing;
}

TTreeWalk::TTreeWalk(const String& Root, const String& Mask, bool Recursive, std::function<void()> Ready)
    : FMask(Mask), FRecursive(Recursive), FReady(std::move(Ready)), FRoot(std::make_shared<TNode>()) {
  FRoot->Path = Root;
  Queue(FRoot);
  // The readers started first may start more meanwhile.
  std::lock_guard lock(FLock);
  for (std::size_t i = 0; i < ReaderCount; ++i)
    FReaders.emplace_back([this] { Read(); });
}

TTreeWalk::~TTreeWalk() {
  {
    std::lock_guard lock(FLock);
    FStop = true;
  }
  FWork.notify_all();
  for (std::thread& reader : FReaders)
    reader.join();
}

void TTreeWalk::Queue(const TNodePtr& Node) {
  Node->Queued = true;
  FPending.insert(Node);
}

TTreeWalk::TNodePtr TTreeWalk::Child(TNode& Parent, std::size_t I, const String& Path) {
  // Parent has been handed over: its children are the reporting's alone.
  // Handed over once, so that a directory reported is retired with its frame.
  if (I < Parent.Children.size() && Parent.Children[I] && Parent.Children[I]->Path == Path)
    return std::move(Parent.Children[I]);
  auto child = std::make_shared<TNode>();
  child->Path = Path;
  child->Key = Parent.Key;
  child->Key.push_back(static_cast<std::uint32_t>(I));
  return child;
}

const TDirectoryListing* TTreeWalk::Take(const TNodePtr& Node, bool Wait) {
  // A listing read ahead, the usual case, is taken without the lock: a reader that holds it
  // and waits for a core would hold up the user interface.
  if (!FAwaited && Node->Read.load(std::memory_order_acquire)) {
    // Readers that wait at the bound go on once half of the lead has been reported.
    if (FLead.fetch_sub(1) == LeadResume + 1) {
      std::lock_guard lock(FLock);
      FWork.notify_one();
    }
    return &Node->Listing;
  }
  std::unique_lock lock(FLock, std::defer_lock);
  // Not waiting, the user interface does not wait for a reader that holds the lock either.
  if (Wait || !FReady) {
    lock.lock();
  } else if (!lock.try_lock()) {
    FReady();
    return nullptr;
  }
  if (!Node->Read && !Node->Queued) {
    Queue(Node);
    FWork.notify_one();
  }
  if (!Node->Read) {
    FAwaited = Node.get();
    // A reader may pass the bound for the directory waited for.
    FWork.notify_one();
    if (!Wait) return nullptr;
    FDone.wait(lock, [&] { return Node->Read.load(); });
  }
  FAwaited = nullptr;
  if (FLead-- == LeadResume + 1) FWork.notify_one();
  return &Node->Listing;
}

void TTreeWalk::Retire(TNodePtr Node) {
  FRetiring.push_back(std::move(Node));
  // Handed over in batches, and only when the lock is free at once.
  if (FRetiring.size() < RetireBatch || !FLock.try_lock()) return;
  if (FRetired.empty()) FRetired.swap(FRetiring);
  FLock.unlock();
}

void TTreeWalk::Read() {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
  int reads = 0;
  std::unique_lock lock(FLock);
  for (;;) {
    FWork.wait(lock, [this] { return FStop || (!FPending.empty() && (FLead < LeadLimit || FAwaited)); });
    if (FStop) return;
    TNodePtr node = *FPending.begin();
    FPending.erase(FPending.begin());
    if (!FPending.empty()) FWork.notify_one();
    std::vector<TNodePtr> retired;
    retired.swap(FRetired);
    lock.unlock();
    retired.clear();
    const bool look = ++reads % ReadsBetweenLooks == 0;
    TThreadWaits before{}, after{};
    std::chrono::steady_clock::time_point start;
    if (look) {
      start = std::chrono::steady_clock::now();
      GetThreadWaits(GetCurrentThread(), &before);
    }
    TDirectoryListing listing = ReadListing(node->Path, FMask);
    const bool waited = look && GetThreadWaits(GetCurrentThread(), &after) &&
                        (after.DiskReads != before.DiskReads ||
                         (after.Waits != before.Waits && after.Preemptions == before.Preemptions &&
                          std::chrono::steady_clock::now() - start > LongWait));
    std::vector<TNodePtr> children;
    if (FRecursive) {
      children.reserve(listing.Subdirectories.size());
      for (std::size_t i = 0; i < listing.Subdirectories.size(); ++i) {
        auto child = std::make_shared<TNode>();
        child->Path = listing.Subdirectories[i];
        child->Key = node->Key;
        child->Key.push_back(static_cast<std::uint32_t>(i));
        children.push_back(std::move(child));
      }
    }
    lock.lock();
    if (waited && !FStop && FReaders.size() < ReaderLimit) FReaders.emplace_back([this] { Read(); });
    node->Listing = std::move(listing);
    node->Children = std::move(children);
    ++FLead;
    for (const TNodePtr& child : node->Children)
      Queue(child);
    if (!node->Children.empty()) FWork.notify_one();
    // Last: from here on Take may hand the listing over, and Child its children, unlocked.
    node->Read.store(true, std::memory_order_release);
    if (FAwaited == node.get()) {
      FDone.notify_all();
      if (FReady) FReady();
    }
  }
}
