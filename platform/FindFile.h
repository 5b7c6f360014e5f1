#pragma once
// Directory search by wildcard pattern, under the Windows names.
//
// A search is given a directory path, "/", and a pattern: "*" matches any run of characters,
// "?" any one character, case is ignored, and "*.*" matches every name. It reports the
// directory's regular files (a symbolic link to one counts as one) and its subdirectories;
// links to directories, devices, FIFOs, sockets and dangling links are left out, and so are
// "." and ".." and names too long for cFileName. A name that begins with "." is hidden; a
// subdirectory on which a virtual file system (proc, sysfs, devtmpfs, ...) is mounted is a
// system directory, and one on which any other volume is mounted (a bind mount too) a
// reparse point, as the process's mount table (platform/Volumes.h) has it.
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

#include <string>

#include "platform/Kernel.h"

inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
inline constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
// Marks a volume label entry; no search on this platform reports one.
inline constexpr DWORD FILE_ATTRIBUTE_VOLUME_LABEL = 0x08;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
// Marks a directory on which another volume is mounted.
inline constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;

// Why this thread's last directory search that found nothing found nothing: the directory
// was read and nothing matched, it is not there (or is not a directory), or it may not be read.
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
DWORD GetLastError();

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

// What a directory was when it was looked at: which directory it is, when its entries last
// changed, and when it was looked at, by the clock that stamps changes.
struct TDirectoryStamp {
  unsigned long long Device, Inode;
  long long Modified, Changed, Taken;
};
// Looks at the directory Path; 0 when it cannot be looked at.
BOOL GetDirectoryStamp(LPCSTR Path, TDirectoryStamp* Stamp);
// The directory the thread's last FindFirstFileExA opened, looked at once it was open and
// before anything of it was read (a name search that took a kept listing opens nothing);
// 0 when that search could not open or look at its directory.
BOOL GetSearchedDirectoryStamp(TDirectoryStamp* Stamp);
// Whether a listing read after Before was taken still holds when Now is taken: the same
// directory, unchanged since, last changed before Before was taken (a change within the
// clock's tick it was taken in cannot be told from a later one, so it holds then too little).
bool ListingStands(const TDirectoryStamp& Before, const TDirectoryStamp& Now);
