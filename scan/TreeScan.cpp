#include "scan/TreeScan.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

#include "framework/Forms.h"
#include "framework/Thread.h"
#include "framework/TypInfo.h"
#include "platform/FindFile.h"
#include "platform/Kernel.h"
#include "scan/TreeWalk.h"

namespace {

// The longest share of a walk one turn of the message loop reports: with the painting of a
// turn and a thread made to wait for a core by the walk's readers, a turn stays under 10 ms.
constexpr auto TurnBudget = std::chrono::milliseconds(3);

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

// One walk: its readers, and where its reporting is.
struct TTreeScanner::TWalk {
  // A directory being reported: announced, then its files, then its subdirectories one by one.
  struct TFrame {
    TTreeWalk::TNodePtr Node;
    bool Announced = false;
    const TDirectoryListing* Listing = nullptr;
    // The directory read again when it was reported, its listing read ahead no longer holding.
    std::unique_ptr<TDirectoryListing> Again;
    std::size_t Next = 0;
  };
  enum TProgress { Ended, Paused, Waiting };

  TTreeScanner* Scanner = nullptr;
  // Started by StartSearch, which waits for every listing and processes messages itself.
  bool Blocking = false;
  bool Stopped = false;
  bool Reporting = false;
  bool Finished = false;
  std::unique_ptr<TTreeWalk> Reader;
  std::vector<TFrame> Frames;
};

TTreeScanner::TTreeScanner(TComponent* AOwner) : TComponent(AOwner) {}

TTreeScanner::~TTreeScanner() {
  // A walk ended by the scanner's end tells nobody.
  FOnSearchDone = nullptr;
  StopSearch();
}

std::shared_ptr<TTreeScanner::TWalk> TTreeScanner::Prepare(bool Blocking) {
  FSearchInProgress = true;
  FUnreadableDirectories = 0;
  FFileFound.clear();
  FFileSize = 0;
  if (FInitialDirectory.empty()) FInitialDirectory = CurrentDirectory();
  if (FInitialDirectory.back() != '/') FInitialDirectory += '/';
  auto walk = std::make_shared<TWalk>();
  walk->Scanner = this;
  walk->Blocking = Blocking;
  std::weak_ptr<TWalk> weak = walk;
  // A blocking walk waits for its listings itself; a begun one is told at a turn of the loop.
  std::function<void()> ready;
  if (!Blocking)
    ready = [weak] {
      TThread::Queue([weak] {
        if (auto alive = weak.lock()) Turn(alive);
      });
    };
  walk->Reader = std::make_unique<TTreeWalk>(FInitialDirectory, FFileMask, FRecursive, std::move(ready));
  walk->Frames.emplace_back().Node = walk->Reader->Root();
  FWalks.push_back(walk);
  return walk;
}

void TTreeScanner::StartSearch() {
  std::shared_ptr<TWalk> walk = Prepare(true);
  // Gone from the running walks however the walk ends; an exception leaves the flag set.
  struct TForget {
    TTreeScanner* Scanner;
    const std::shared_ptr<TWalk>& Walk;
    ~TForget() { std::erase(Scanner->FWalks, Walk); }
  } forget{this, walk};
  Report(*walk, true);
  FCompleted = !walk->Stopped;
  FSearchInProgress = false;
}

void TTreeScanner::BeginSearch() {
  std::weak_ptr<TWalk> walk = Prepare(false);
  TThread::Queue([walk] {
    if (auto w = walk.lock()) Turn(w);
  });
}

void TTreeScanner::StopSearch() {
  for (const std::shared_ptr<TWalk>& walk : std::vector(FWalks)) {
    walk->Stopped = true;
    // One reporting now ends itself when the handler it runs returns.
    if (!walk->Blocking && !walk->Reporting) Finish(walk);
  }
}

void TTreeScanner::Turn(const std::shared_ptr<TWalk>& Walk) {
  if (Walk->Blocking || Walk->Finished || Walk->Reporting) return;
  TTreeScanner* scanner = Walk->Scanner;
  TWalk::TProgress progress;
  try {
    progress = static_cast<TWalk::TProgress>(scanner->Report(*Walk, false));
  } catch (...) {
    Walk->Stopped = true;
    scanner->Finish(Walk);
    throw;
  }
  if (progress == TWalk::Ended) {
    scanner->Finish(Walk);
  } else if (progress == TWalk::Paused) {
    std::weak_ptr<TWalk> weak = Walk;
    TThread::Queue([weak] {
      if (auto alive = weak.lock()) Turn(alive);
    });
  }
}

void TTreeScanner::Finish(const std::shared_ptr<TWalk>& Walk) {
  if (Walk->Finished) return;
  Walk->Finished = true;
  FCompleted = !Walk->Stopped && Walk->Frames.empty();
  Walk->Reader.reset();
  Walk->Frames.clear();
  std::erase(FWalks, Walk);
  FSearchInProgress = false;
  Fire(FOnSearchDone);
}

int TTreeScanner::Report(TWalk& Walk, bool Wait) {
  Walk.Reporting = true;
  struct TReset {
    bool& Flag;
    ~TReset() { Flag = false; }
  } reset{Walk.Reporting};
  const auto start = std::chrono::steady_clock::now();
  while (!Walk.Stopped && !Walk.Frames.empty()) {
    if (!Wait && std::chrono::steady_clock::now() - start > TurnBudget) return TWalk::Paused;
    TWalk::TFrame& frame = Walk.Frames.back();
    const String& dir = frame.Node->Path;
    if (!frame.Announced) {
      frame.Announced = true;
      if (Walk.Blocking && Application) {
        Application->ProcessMessages();
        if (Walk.Stopped) break;
      }
      FFileSize = 0;
      FFileFound = dir;
      Fire(FOnDirectoryFound);
      continue;
    }
    if (!frame.Listing) {
      const TDirectoryListing* listing = Walk.Reader->Take(frame.Node, Wait);
      if (!listing) return TWalk::Waiting;
      // The directory as it is now that the walk is there: what was read ahead, when nothing
      // has changed in it since, else read again.
      TDirectoryStamp now;
      if (listing->Mask != FFileMask || !GetDirectoryStamp(dir.c_str(), &now) || !ListingStands(listing->Stamp, now)) {
        frame.Again = std::make_unique<TDirectoryListing>(ReadListing(dir, FFileMask));
        listing = frame.Again.get();
      }
      frame.Listing = listing;
      if (!listing->Readable) ++FUnreadableDirectories;
      for (const auto& [path, size] : listing->Files) {
        FFileFound = path;
        FFileSize = size;
        Fire(FOnFileFound);
        if (Walk.Stopped) return TWalk::Ended;
      }
      FFileSize = 0;
      continue;
    }
    const std::vector<String>& subdirectories = frame.Listing->Subdirectories;
    if (frame.Next < subdirectories.size()) {
      const std::size_t i = frame.Next++;
      if (FRecursive) {
        TTreeWalk::TNodePtr child = Walk.Reader->Child(*frame.Node, i, subdirectories[i]);
        Walk.Frames.emplace_back().Node = std::move(child);
      } else {
        FFileFound = subdirectories[i];
        Fire(FOnDirectoryFound);
      }
      continue;
    }
    Walk.Reader->Retire(std::move(frame.Node));
    Walk.Frames.pop_back();
    Fire(FOnDirectoryDone);
  }
  return TWalk::Ended;
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
