#pragma once
// The file services of loading and saving a whole file. None throws: each returns 0 on
// success, else the system's error number (an errno value) or one of the TFileError values
// for what the system has no number for.

#include <cstdint>
#include <string>
#include <string_view>

enum TFileError : int {
  feIsDirectory = -1, // the path names a directory
  feNotRegular = -2,  // the path names a device, FIFO, socket or other entry that is no regular file
  feTooLarge = -3,    // the file is larger than the limit the caller gave
  // The file must be written in place, and its file system cannot reserve the space for
  // that beforehand.
  feCannotReserve = -4,
};

// Whether Path names an existing entry, a symbolic link followed.
bool FileExists(const std::string& Path);

// Reads the whole regular file Path into Bytes. The file is opened without blocking and its
// type checked before anything is read, so a FIFO or a device gives feNotRegular at once.
// A file of more than MaxSize bytes, also one that grows past it while being read, gives
// feTooLarge.
int ReadWholeFile(const std::string& Path, std::uint64_t MaxSize, std::string& Bytes);

// Makes Data the whole content of the file Path, creating it when it does not exist.
//
// An existing file is replaced atomically: a temporary file in the same directory is given
// its space, the data, the original's permission bits and owner, is synced and renamed over
// it, and the directory is synced. The file is written in place instead when it is reached
// through a symbolic link that cannot be resolved (which creates the link's target), has
// other hard links, lies in a directory that cannot take a new file, or belongs to an owner
// a new file could not be given.
//
// Whatever fails, the file keeps its content and no temporary file is left behind: an
// in-place write first reserves the space the new content needs (failing with ENOSPC or
// EDQUOT when the volume lacks it, feCannotReserve when its file system cannot reserve),
// then writes the new bytes over the old, then cuts the file to the new length and syncs
// it. Only a device that fails in the middle of an in-place write can leave it mixed.
int WriteWholeFile(const std::string& Path, std::string_view Data);
