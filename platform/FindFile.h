#pragma once
// Directory search by wildcard pattern, under the Windows names.
//
// A search is given a directory path, "/", and a pattern: "*" matches any run of characters,
// "?" any one character, case is ignored, and "*.*" matches every name. It reports the
// directory's regular files (a symbolic link to one counts as one) and its subdirectories;
// links to directories, devices, FIFOs, sockets and dangling links are left out, and so are
// "." and ".." and names too long for cFileName. A name that begins with "." is hidden; a
// subdirectory on which a virtual file system (proc, sysfs, devtmpfs, ...) is mounted is a
// system directory. The mount table is read once, at the first search of the process.

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
