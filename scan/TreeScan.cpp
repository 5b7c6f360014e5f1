#include "scan/TreeScan.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

#include "framework/Forms.h"
#include "framework/TypInfo.h"
#include "platform/FindFile.h"
#include "platform/Kernel.h"
#include "platform/ReadAhead.h"

namespace {

// The size of a listed file, held as the object of its list entry.
class TFileSize : public TObject {
public:
  explicit TFileSize(std::int32_t ASize) : Size(ASize) {}
  std::int32_t Size;
};

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

// Hands every entry of one search to Take; the search is closed when this returns.
template <class F> void ForEachEntry(const String& Pattern, FINDEX_SEARCH_OPS SearchOp, DWORD Flags, F Take) {
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileExA(Pattern.c_str(), FindExInfoBasic, &data, SearchOp, nullptr, Flags);
  if (search == INVALID_HANDLE_VALUE) return;
  std::unique_ptr<void, BOOL (*)(HANDLE)> closer(search, FindClose);
  do
    Take(data);
  while (FindNextFileA(search, &data));
}

// The current directory, whatever its length; "." when it has no name that can be read.
String CurrentDirectory() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return ".";
    if (length < buffer.size()) return String(buffer.data(), length);
    buffer.resize(length);
  }
}

} // namespace

TTreeScanner::TTreeScanner(TComponent* AOwner) : TComponent(AOwner) {}

void TTreeScanner::StartSearch() {
  // Warms the caches ahead of the walk on a cold tree, and stops when the walk ends or is left.
  TReadAheadScope readAhead;
  FSearchInProgress = true;
  FFileFound.clear();
  FFileSize = 0;
  if (FInitialDirectory.empty()) FInitialDirectory = CurrentDirectory();
  if (FInitialDirectory.back() != '/') FInitialDirectory += '/';
  SearchDirectory(FInitialDirectory);
  FSearchInProgress = false;
}

void TTreeScanner::SearchDirectory(String Dir) {
  if (Application) Application->ProcessMessages();
  FFileSize = 0;
  FFileFound = Dir;
  Fire(FOnDirectoryFound);

  TStringList subdirectories;
  MakeSortedList(subdirectories, Dir);
  ForEachEntry(Dir + "*.*", FindExSearchLimitToDirectories, 0, [&](const WIN32_FIND_DATAA& Entry) {
    const std::string_view name = Entry.cFileName;
    if ((Entry.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_VOLUME_LABEL)) ||
        !(Entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == "." || name == "..")
      return;
    String path;
    path.reserve(Dir.size() + name.size() + 1);
    path.append(Dir).append(name).append("/");
    subdirectories.Add(path);
  });

  {
    TStringList files;
    MakeSortedList(files, Dir);
    files.SetOwnsObjects(true);
    // Nothing runs between the two searches, so the second may take the first's listing.
    ForEachEntry(Dir + FFileMask, FindExSearchNameMatch, FIND_FIRST_EX_SAME_VISIT, [&](const WIN32_FIND_DATAA& Entry) {
      if (Entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_VOLUME_LABEL)) return;
      const String path = Dir + Entry.cFileName;
      const auto size = static_cast<std::int32_t>(Entry.nFileSizeLow);
      int index;
      if (files.Find(path, index)) {
        static_cast<TFileSize*>(files.Objects(index))->Size = size;
      } else {
        auto item = std::make_unique<TFileSize>(size);
        files.AddObject(path, item.get());
        item.release();
      }
    });
    for (int i = 0; i < files.Count(); ++i) {
      FFileFound = files.Strings(i);
      FFileSize = static_cast<TFileSize*>(files.Objects(i))->Size;
      Fire(FOnFileFound);
    }
  }
  FFileSize = 0;

  for (int i = 0; i < subdirectories.Count(); ++i) {
    if (FRecursive) {
      SearchDirectory(subdirectories.Strings(i));
    } else {
      FFileFound = subdirectories.Strings(i);
      Fire(FOnDirectoryFound);
    }
  }
  Fire(FOnDirectoryDone);
}

void TTreeScanner::Fire(const TNotifyEvent& Event) {
  // Called through a copy, so that a handler may replace or clear the event it runs from.
  TNotifyEvent handler = Event;
  if (handler) handler(this);
}

void RegisterTreeScanner() {
  static const bool registered = [] {
    RegisterComponentClasses();
    TClassRegistration<TTreeScanner>("TTreeScanner", "TComponent")
        .Property("OnDirectoryFound", &TTreeScanner::OnDirectoryFound, &TTreeScanner::SetOnDirectoryFound)
        .Property("OnDirectoryDone", &TTreeScanner::OnDirectoryDone, &TTreeScanner::SetOnDirectoryDone)
        .Property("OnFileFound", &TTreeScanner::OnFileFound, &TTreeScanner::SetOnFileFound)
        .ReadOnly("FileFound", &TTreeScanner::FileFound)
        .ReadOnly("FileSize", &TTreeScanner::FileSize)
        .ReadOnly("SearchInProgress", &TTreeScanner::SearchInProgress)
        .Property("InitialDirectory", &TTreeScanner::InitialDirectory, &TTreeScanner::SetInitialDirectory)
        .Property("FileMask", &TTreeScanner::FileMask, &TTreeScanner::SetFileMask)
        .Property("Recursive", &TTreeScanner::Recursive, &TTreeScanner::SetRecursive, true);
    return true;
  }();
  (void)registered;
}
