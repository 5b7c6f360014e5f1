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
// A walk searches each directory twice in a row, for its subdirectories and then for its
// files. The second search of such a visit may say so (FIND_FIRST_EX_SAME_VISIT): when the
// directories-only search closed just before it read the same directory whole in one read
// (32 KiB of entries, some hundreds of names), the name search takes its entries from that
// listing instead of reading the directory again. Nothing else is ever served from memory:
// the listing is gone as soon as any other search starts, and a search without the flag
// always reads the directory. The files' own sizes and attributes are always looked at
// afresh. A kept listing holds no descriptor: a directory is open only while a search that
// reads it runs, from FindFirstFileA to FindClose.
//
// Paths of any length are searched: one longer than the system takes in one call is opened
// a stretch of names at a time.
//
// Read-ahead for cold trees. While a TReadAheadScope exists on a thread (a walk holds one), the
// thread's directory searches time their open and read calls. When three of the last sixteen
// directories the walk read for their subdirectories took longer than the kernel's caches
// answer in (40 us), sixteen reader threads start reading ahead of the walk: each takes the
// first directory in the walk's order (ancestors first, siblings by the user's collation
// with case ignored, as the walk sorts them) that lies ahead of the directory the walk
// entered last, reads it whole, looks at the files in it that match the walk's latest file
// pattern as the walk will, closes it, and queues its subdirectories. They skip what the walk
// skips: hidden and system directories, and links to directories. To begin, they read the
// directory the walk is in and its ancestors up to where the walk started again, for the
// subdirectories the walk has not entered yet; a directory the walk enters that they do not
// know is read again the same way. What they read only warms the kernel's caches: every
// search still reads its directory itself, so no result changes. Sixteen threads, because
// they wait on the disk, not on a core; they run at a lower priority than the walk, and the
// walk never waits for their lock (it skips telling them where it is when they hold it).
// What they hold is bounded on any tree: 8,192 queued
// directories, 4,096 read and not yet entered by the walk (readers wait for the walk beyond
// that), 4,096 subdirectories taken from one directory, the nearest in the walk's order;
// each reader holds one directory open while it reads it. When sixty-four reads in a row come
// from the caches, the readers go idle until the walk meets the disk again; on a warm tree
// they never start. The scope's end stops them at once: each notices after the read it is
// in, and the end waits for that.

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
// The name search of a walk's visit that follows the directories-only search of the same
// directory, with nothing run between the two.
inline constexpr DWORD FIND_FIRST_EX_SAME_VISIT = 0x100;

// The same with a search operation; SearchFilter must be null and AdditionalFlags 0 or
// FIND_FIRST_EX_SAME_VISIT.
HANDLE FindFirstFileExA(LPCSTR FileName, FINDEX_INFO_LEVELS InfoLevelId, LPVOID FindFileData,
                        FINDEX_SEARCH_OPS SearchOp, LPVOID SearchFilter, DWORD AdditionalFlags);
// Fills FindFileData with the next entry; 0 when there is none left.
BOOL FindNextFileA(HANDLE FindFile, WIN32_FIND_DATAA* FindFileData);
// Ends a search and frees what it holds.
BOOL FindClose(HANDLE FindFile);
