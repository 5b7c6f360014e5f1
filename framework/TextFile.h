#pragma once
// Reading a whole text file for the editor and writing it back safely.
//
// The editor works on UTF-8 text whose lines are separated by "\n" alone. ReadTextFile
// detects the file's encoding and line breaks and returns them with the text; WriteTextFile
// writes the text back in that format, each line with its own break, replacing the file
// atomically where it can.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/SysUtils.h"
#include "framework/System.h"
#include "platform/Files.h"

enum class TTextEncoding {
  teUtf8,       // UTF-8 without a byte order mark
  teUtf8Bom,    // UTF-8 behind the mark EF BB BF
  teUtf16LE,    // UTF-16 little endian behind the mark FF FE
  teUtf16BE,    // UTF-16 big endian behind the mark FE FF
  teWindows1252 // anything else: one byte per character, code page 1252
};

enum class TLineBreak { lbCRLF, lbLF, lbCR };

struct TTextFormat {
  TTextEncoding Encoding = TTextEncoding::teUtf8;
  // The break most of the file's lines end with (CR LF on a tie or when there is none); the
  // break of every line that has none of its own, new lines included.
  TLineBreak LineBreak = TLineBreak::lbCRLF;
  bool operator==(const TTextFormat&) const = default;
};

// A line that ends with another break than its format's: the line's number, from 0.
struct TOwnBreak {
  std::size_t Line;
  TLineBreak Break;
  bool operator==(const TOwnBreak&) const = default;
};
using TOwnBreaks = std::vector<TOwnBreak>; // in the order of the lines

struct TTextContent {
  String Text; // UTF-8, lines separated by "\n" only
  TTextFormat Format;
  TOwnBreaks OwnBreaks;
  // Empty when encoding the text gives the file's bytes back; else what a save would change,
  // as the end of a sentence about the file ("a save writes ...").
  String Loss;
};

// The largest file ReadTextFile accepts.
constexpr std::uint64_t MaxTextFileSize = 64ull << 20; // 64 MiB

// EncodeText's error: the text holds a character the format's encoding cannot store.
class EEncodingError : public Exception {
public:
  EEncodingError() : Exception("the text holds characters that the file's encoding cannot store") {}
};

// Reads the whole file. Throws EFOpenError(Path, ": " + reason) when the path cannot be
// opened, is not a regular file (checked without blocking) or is larger than MaxTextFileSize.
TTextContent ReadTextFile(const String& Path);

// Throws what ReadTextFile would for a path that cannot be read at all (missing, a directory,
// a FIFO or device, too large, no permission), without reading it.
void CheckTextFile(const String& Path);

// Writes Text to Path in Format, through a symbolic link to the file it leads to; the lines
// OwnBreaks names end in their own breaks. An existing file is replaced atomically
// (temporary file in the same directory, renamed over it) keeping its owner, permission
// bits, ACL and extended attributes; it is written in place when it has other hard links,
// lies in a directory that cannot take a new file, or has something of those a new file
// could not be given. An in-place write first reserves the space the new text needs and
// refuses when the volume lacks it or cannot reserve it. A file gone since it was last seen
// as Former comes back with Former's permission bits and owner (see WriteWholeFile in
// platform/Files.h). Throws EFCreateError(Path, ": " + reason); the file is then unchanged
// and no temporary file is left behind.
void WriteTextFile(const String& Path, const String& Text, const TTextFormat& Format, const TOwnBreaks& OwnBreaks = {},
                   const TFileState* Former = nullptr);

// The file's bytes to text, format and the lines' own breaks. Never fails: an unpaired
// UTF-16 surrogate or an odd trailing byte of a UTF-16 file reads as U+FFFD (and Loss says
// so); bytes that are not UTF-8 read as Windows-1252, so every such byte comes back
// unchanged on encoding. CR LF, LF and a lone CR are each one line break.
TTextContent DecodeText(std::string_view Bytes);

// The position of the first CR or LF at or after From in Text, or Text.size().
std::size_t FindLineBreak(std::string_view Text, std::size_t From);

// Text to the bytes of a file in Format; each "\n" (also a "\r\n" or lone "\r") becomes the
// format's line break, or the line's own break where OwnBreaks gives one. Throws
// EEncodingError when a character cannot be stored: one outside Windows-1252 for
// teWindows1252, or invalid UTF-8 for teUtf16LE/BE and teWindows1252 (UTF-8 formats store
// the text's bytes as they are).
std::string EncodeText(const String& Text, const TTextFormat& Format, const TOwnBreaks& OwnBreaks = {});
