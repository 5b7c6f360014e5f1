#include "platform/Utf8.h"

#include <cstdint>
#include <cstring>

std::size_t DecodeUtf8(std::string_view Text, std::size_t Pos, char32_t& Code) {
  const auto first = static_cast<unsigned char>(Text[Pos]);
  if (first < 0x80) {
    Code = first;
    return 1;
  }
  // The lead byte gives the length and the least value that length may hold; C0, C1 and
  // F5..FF never lead a valid sequence.
  std::size_t length;
  char32_t least;
  if (first >= 0xC2 && first <= 0xDF) {
    length = 2, least = 0x80, Code = first & 0x1F;
  } else if (first >= 0xE0 && first <= 0xEF) {
    length = 3, least = 0x800, Code = first & 0x0F;
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4, least = 0x10000, Code = first & 0x07;
  } else {
    return 0;
  }
  if (Text.size() - Pos < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(Text[Pos + i]);
    if ((next & 0xC0) != 0x80) return 0;
    Code = (Code << 6) | (next & 0x3F);
  }
  if (Code < least || Code > 0x10FFFF || (Code >= 0xD800 && Code <= 0xDFFF)) return 0;
  return length;
}

std::size_t AsciiPrefix(std::string_view Text) {
  std::size_t i = 0;
  // Sixty-four bytes at a time, then eight.
  using TVector = std::uint64_t __attribute__((vector_size(16)));
  for (TVector v[4]; i + 64 <= Text.size(); i += 64) {
    std::memcpy(v, Text.data() + i, 64);
    const TVector any = (v[0] | v[1] | v[2] | v[3]) & 0x8080808080808080ull;
    if (any[0] | any[1]) break;
  }
  for (std::uint64_t word; i + 8 <= Text.size(); i += 8) {
    std::memcpy(&word, Text.data() + i, 8);
    if (word & 0x8080808080808080ull) break;
  }
  while (i < Text.size() && static_cast<unsigned char>(Text[i]) < 0x80)
    ++i;
  return i;
}

bool IsValidUtf8(std::string_view Text) {
  char32_t code;
  for (std::size_t i = 0; i < Text.size();) {
    if (static_cast<unsigned char>(Text[i]) < 0x80) {
      i += AsciiPrefix(Text.substr(i));
      continue;
    }
    const std::size_t length = DecodeUtf8(Text, i, code);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string ReadableName(std::string_view Name) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string shown;
  shown.reserve(Name.size());
  const auto Escape = [&](unsigned char B) {
    shown += "\\x";
    shown += Hex[B >> 4];
    shown += Hex[B & 15];
  };
  char32_t code;
  for (std::size_t i = 0; i < Name.size();) {
    const auto b = static_cast<unsigned char>(Name[i]);
    if (b < 0x20 || b == 0x7F || (b == '\\' && i + 1 < Name.size() && Name[i + 1] == 'x')) {
      Escape(b);
      ++i;
    } else if (b < 0x80) {
      shown += Name[i++];
    } else if (const std::size_t length = DecodeUtf8(Name, i, code)) {
      shown.append(Name.substr(i, length));
      i += length;
    } else {
      Escape(b);
      ++i;
    }
  }
  return shown;
}
