#pragma once
// Directory search by wildcard pattern, under the Windows names.
//
// A search is given a directory path, "/", and a pattern: "*" matches any run of characters,
// "?" any one character, case is ignored, and "*.*" matches every name. It reports the
// directory's regular files (a symbolic link to one counts as one) and its subdirectories;
// links to directories, devices, FIFOs, sockets and dangling links are left out, and so are
// "." and ".." and names too long for cFileName. A name that begins with "." is hidden; a
// subdirectory on which a virtual file system (proc, sysfs, devtmpfs, ...) is mounted is a
// system directory, as the process's mount table (platform/Volumes.h) has it.
//
// The last listing read is kept for a moment: when a search has read all entries of its
// directory in one read (32 KiB of entries, some hundreds of names), they stay in memory with
// the directory's path, and a search of the same path started within 5 ms of that reading
// takes its entries from there instead of reading the directory again. The listing stands
// for the directory as it was when read, as a search started 5 ms earlier would have; a
// search of another directory, or a later one, reads afresh. The files' own sizes and
// attributes are always looked at afresh, so a file gone since is not reported. A kept
// listing holds no descriptor: a directory is open only while a search that reads it runs,
// from FindFirstFileA to FindClose.

#include <string>

#include "platform/Kernel.h"

inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
inline constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
// Marks a volume label entry; no search on this platform reports one.
inline constexpr DWORD FILE_ATTRIBUTE_VOLUME_LABEL = 0x08;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  // The size of a file, in two halves; 0 for a directory.
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  char cFileName[MAX_PATH];
};

enum FINDEX_INFO_LEVELS { FindExInfoStandard, FindExInfoBasic };
// With FindExSearchLimitToDirectories only subdirectories are reported, and files cost
// nothing to pass over.
enum FINDEX_SEARCH_OPS { FindExSearchNameMatch, FindExSearchLimitToDirectories };

// Starts a search and fills FindFileData with the first entry. Returns INVALID_HANDLE_VALUE
// when the directory cannot be read or nothing matches (an empty pattern matches nothing).
HANDLE FindFirstFileA(LPCSTR FileName, WIN32_FIND_DATAA* FindFileData);
// The same with a search operation; SearchFilter must be null and AdditionalFlags 0.
HANDLE FindFirstFileExA(LPCSTR FileName, FINDEX_INFO_LEVELS InfoLevelId, LPVOID FindFileData,
                        FINDEX_SEARCH_OPS SearchOp, LPVOID SearchFilter, DWORD AdditionalFlags);
// Fills FindFileData with the next entry; 0 when there is none left.
BOOL FindNextFileA(HANDLE FindFile, WIN32_FIND_DATAA* FindFileData);
// Ends a search and frees what it holds.
BOOL FindClose(HANDLE FindFile);

// Whether Name matches the wildcard Pattern as a search matches names: "*" any run of
// characters, "?" one character, case ignored; a byte that is not part of valid UTF-8 counts
// as a character of its own.
bool MatchesWildcard(const std::string& Pattern, const char* Name);
