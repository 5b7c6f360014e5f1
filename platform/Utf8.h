#pragma once
// The one UTF-8 decoder of the program. It is strict: an overlong form, an encoded surrogate
// (U+D800..U+DFFF), a value above U+10FFFF and a sequence cut short are not UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

// Decodes the character that begins at Pos of Text into Code. Returns the length of its
// sequence (1 to 4), or 0 when the bytes at Pos are not a valid sequence; Code is then
// undefined. Pos must lie inside Text.
std::size_t DecodeUtf8(std::string_view Text, std::size_t Pos, char32_t& Code);

// Whether all of Text is valid UTF-8.
bool IsValidUtf8(std::string_view Text);

// The length of the run of ASCII bytes that Text begins with.
std::size_t AsciiPrefix(std::string_view Text);

// A file name or path as the user is shown it: each byte that is not part of valid UTF-8,
// and each control character (a newline, a tab, ...), as "\xNN" in hexadecimal, and a "\"
// that would itself begin such a form as "\x5C", so that two names never look alike. Any
// other text comes back unchanged.
std::string ReadableName(std::string_view Name);
