#pragma once
// The reading side of a tree scan: worker threads read the directories of a tree ahead of
// the one who reports them, many at once, nearest first in the walk's order, and hand each
// listing over when the reporting gets there.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "framework/System.h"
#include "platform/FindFile.h"

// One directory as read: its subdirectories to walk and its files that match the mask, each
// list sorted in the walk's order.
struct TDirectoryListing {
  String Mask;
  // Taken before the directory was read: whether it still stands is asked of it.
  TDirectoryStamp Stamp{};
  // False when the directory could not be read (gone, denied, not a directory).
  bool Readable = false;
  std::vector<String> Subdirectories;
  std::vector<std::pair<String, std::int32_t>> Files;
};

// Reads Dir (a path ending in "/") as the walk does: its subdirectories that are neither
// hidden nor system nor the mount point of another volume, and its files that match Mask.
TDirectoryListing ReadListing(const String& Dir, const String& Mask);

class TTreeWalk {
public:
  // A directory of the tree, known once its parent has been read.
  struct TNode {
    String Path;
    // The indexes of the directory and its ancestors among their siblings: the walk's order.
    std::vector<std::uint32_t> Key;
    // Set by the reader once the listing and the children are in place; from then on they
    // are the reporting's, which reads them without the lock.
    std::atomic<bool> Read = false;
    bool Queued = false;
    TDirectoryListing Listing;
    // The subdirectories, once this one has been read with the readers descending.
    std::vector<std::shared_ptr<TNode>> Children;
  };
  using TNodePtr = std::shared_ptr<TNode>;

  // Starts the readers on Root with Mask; with Recursive false only Root is read ahead.
  // Ready is called when Take, not waiting, is to be asked again: on a reader's thread once
  // the directory it waits for has been read, or on Take's own when the readers were busy.
  TTreeWalk(const String& Root, const String& Mask, bool Recursive, std::function<void()> Ready);
  // Stops the readers: each ends after the read it is in.
  ~TTreeWalk();
  TTreeWalk(const TTreeWalk&) = delete;
  TTreeWalk& operator=(const TTreeWalk&) = delete;

  const TNodePtr& Root() const { return FRoot; }
  // The subdirectory Path, the I-th of Parent once Take has handed Parent over: the one the
  // readers know, else one made now. Each is asked for once.
  TNodePtr Child(TNode& Parent, std::size_t I, const String& Path);
  // The listing of Node once it has been read, waiting for it when Wait is true; null while
  // it is not read, or while the readers are too busy to be asked without waiting for them.
  // A listing is handed over once.
  const TDirectoryListing* Take(const TNodePtr& Node, bool Wait);
  // Gives back a directory that has been reported, for a reader to free: what a reader's
  // allocator handed out goes back through a reader, so that the reporting never waits for
  // the lock of a reader's allocator.
  void Retire(TNodePtr Node);

private:
  struct TKeyOrder {
    // A directory read again may give a subdirectory the place of one read ahead: both are kept.
    bool operator()(const TNodePtr& A, const TNodePtr& B) const {
      return A->Key < B->Key || (A->Key == B->Key && A.get() < B.get());
    }
  };
  void Read();
  void Queue(const TNodePtr& Node);

  const String FMask;
  const bool FRecursive;
  const std::function<void()> FReady;
  TNodePtr FRoot;

  std::mutex FLock;
  std::condition_variable FWork, FDone;
  bool FStop = false;
  // The directory that Take waits for, if any; written by Take's thread only, under the lock.
  TNode* FAwaited = nullptr;
  // Directories known and not read yet, nearest in the walk's order first.
  std::set<TNodePtr, TKeyOrder> FPending;
  // Directories read and not handed over; readers wait beyond a bound, unless Take waits.
  // Raised under the lock, lowered by Take without it.
  std::atomic<std::size_t> FLead = 0;
  // Started under FLock: readers start more while reads wait.
  std::vector<std::thread> FReaders;
  // Directories given back and not yet handed to the readers (the reporting's own), and those
  // handed over, under FLock, for the next reader that takes work to free.
  std::vector<TNodePtr> FRetiring, FRetired;
};
