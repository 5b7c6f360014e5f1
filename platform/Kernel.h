#pragma once
// Kernel services under their Windows names: the basic types, the current directory and
// the user's collation.

#include <cstdint>

using BOOL = int;
using DWORD = std::uint32_t;
using LCID = DWORD;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;
// An open search or other kernel object; INVALID_HANDLE_VALUE when a call failed.
using HANDLE = void*;

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~std::uintptr_t{0});

inline constexpr DWORD MAX_PATH = 260;

inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
inline constexpr DWORD NORM_IGNORECASE = 0x00000001;
inline constexpr int CSTR_LESS_THAN = 1;
inline constexpr int CSTR_EQUAL = 2;
inline constexpr int CSTR_GREATER_THAN = 3;

// Copies the process's current directory into Buffer. Returns its length without the
// terminating zero; when Buffer is too small, the size needed with the zero and leaves
// Buffer alone; 0 on failure.
DWORD GetCurrentDirectoryA(DWORD BufferLength, LPSTR Buffer);

// Compares two UTF-8 strings in the user's collation (LC_ALL, LC_COLLATE or LANG, else the
// C locale): CSTR_LESS_THAN, CSTR_EQUAL or CSTR_GREATER_THAN, or 0 for a locale or flag
// it does not know. A count of -1 means the string ends at its zero byte. With
// NORM_IGNORECASE both strings are lower-cased character by character before collation.
int CompareStringA(LCID Locale, DWORD CmpFlags, LPCSTR String1, int Count1, LPCSTR String2, int Count2);

inline constexpr DWORD LCMAP_SORTKEY = 0x00000400;
// With LCMAP_SORTKEY, and NORM_IGNORECASE or not: writes into Dest the sort key of Src, bytes
// that compare (as unsigned bytes, a shorter key that begins another first) as CompareStringA
// compares the strings with the same flags; no byte of it is 0 in a group of four aligned to
// the start. Returns the key's length; with DestCount 0 only the length needed; 0 when it
// fails or Dest is too small.
int LCMapStringA(LCID Locale, DWORD MapFlags, LPCSTR Src, int SrcCount, LPSTR Dest, int DestCount);
