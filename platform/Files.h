#pragma once
// The file services of loading and saving a whole file. None throws: each returns 0 on
// success, else the system's error number (an errno value) or one of the TFileError values
// for what the system has no number for.
//
// Paths of any length are taken: one too long to hand to the system whole (PATH_MAX) is
// opened a directory at a time. A path with a name longer than the file system takes
// (NAME_MAX) gives ENAMETOOLONG.

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
  feDanglingLink = -5, // the path is a symbolic link to a file that does not exist
};

// What a file was when last seen: its identity, size and modification time tell whether
// another program has changed it since; its permission bits and owner are those it is given
// back should it have gone.
struct TFileState {
  bool Exists = false;
  bool Regular = false; // a regular file, not a directory, a FIFO or a device
  std::uint64_t Device = 0, Inode = 0, Size = 0;
  std::int64_t ModifiedSeconds = 0, ModifiedNanoseconds = 0;
  unsigned Mode = 0, Owner = 0, Group = 0; // Mode: the permission bits (07777)
  // The same file in the same version: identity, size and modification time all equal.
  bool SameVersion(const TFileState& Other) const;
};

// The state of the file Path, a symbolic link followed; not Exists when it cannot be seen.
TFileState GetFileState(const std::string& Path);

// Whether Path names an existing entry, a symbolic link followed.
bool FileExists(const std::string& Path);

// Reads the whole regular file Path into Bytes. The file is opened without blocking and its
// type checked before anything is read, so a FIFO or a device gives feNotRegular at once.
// A file of more than MaxSize bytes, also one that grows past it while being read, gives
// feTooLarge.
int ReadWholeFile(const std::string& Path, std::uint64_t MaxSize, std::string& Bytes);

// What ReadWholeFile would find before it reads: 0 when Path is a regular file of at most
// MaxSize bytes that may be opened for reading, else the error. Opens it without blocking
// and reads nothing.
int CheckReadableFile(const std::string& Path, std::uint64_t MaxSize);

// Makes Data the whole content of the file Path, creating it when it does not exist. A
// symbolic link is followed, when the save is made, to the file it leads to, which is written
// and the link left as it is; a link that leads to no file gives feDanglingLink.
//
// An existing file is replaced atomically: a temporary file in the same directory is given
// its space, the data, the original's owner and group, permission bits, access ACL and
// extended attributes, is synced and renamed over it, and the directory is synced. The file
// is written in place instead when it has other hard links, lies in a directory that cannot
// take a new file (no permission, no free inode), or has something of the above that a new
// file could not be given.
//
// A file that does not exist but did when last seen (Former, if given, Exists) is created
// with the permission bits and owner it had; where the owner cannot be given, with the
// owner's bits only.
//
// Whatever fails, the file keeps its content and no temporary file is left behind: an
// in-place write first reserves the space the new content needs (failing with ENOSPC or
// EDQUOT when the volume lacks it, feCannotReserve when its file system cannot reserve),
// then writes the new bytes over the old, then cuts the file to the new length and syncs
// it. Only a device that fails in the middle of an in-place write can leave it mixed.
int WriteWholeFile(const std::string& Path, std::string_view Data, const TFileState* Former = nullptr);

// Opens the directory Path for reading, whatever the path's length; -1 with errno set when
// it cannot be opened.
int OpenDirectory(const std::string& Path);
