// Matches a name against a wildcard pattern (the input holds the pattern, a NUL, then the
// name) and compares with a reference written here: both turned into characters (a valid
// UTF-8 sequence is one character, folded to lower case; any other byte is a character of its
// own that no valid one equals), then matched by dynamic programming over the characters.
#include <locale.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <string>
#include <vector>

#include "platform/FindFile.h"
#include "platform/Utf8.h"
#include "platform/Wildcard.h"

namespace {

constexpr char32_t Star = U'*', Question = U'?';
// Where the characters that stand for single bytes begin, past every code point.
constexpr char32_t ByteCharacters = 0x110000;

std::vector<char32_t> Characters(const std::string& Text, bool Pattern) {
  static const locale_t fold = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
  std::vector<char32_t> chars;
  for (std::size_t i = 0; i < Text.size();) {
    char32_t code;
    std::size_t length = DecodeUtf8(Text, i, code);
    if (length == 0) {
      chars.push_back(ByteCharacters + static_cast<unsigned char>(Text[i]));
      ++i;
      continue;
    }
    i += length;
    // The pattern's wildcards are themselves; everything else compares folded.
    if (!(Pattern && (code == Star || code == Question)))
      code = static_cast<char32_t>(towlower_l(static_cast<wint_t>(code), fold));
    chars.push_back(code);
  }
  return chars;
}

bool ReferenceMatch(const std::string& Pattern, const std::string& Name) {
  const std::vector<char32_t> p = Characters(Pattern, true), n = Characters(Name, false);
  // row[j]: the pattern so far matches the first j characters of the name.
  std::vector<char> row(n.size() + 1, 0), next(n.size() + 1);
  row[0] = 1;
  for (char32_t c : p) {
    next.assign(n.size() + 1, 0);
    if (c == Star) {
      next[0] = row[0];
      for (std::size_t j = 1; j <= n.size(); ++j)
        next[j] = row[j] || next[j - 1];
    } else {
      for (std::size_t j = 1; j <= n.size(); ++j)
        next[j] = row[j - 1] && (c == Question || c == n[j - 1]);
    }
    row.swap(next);
  }
  return row[n.size()];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  // Names are short; long inputs would only slow the reference down.
  if (Size > 1024) return 0;
  const std::string input(reinterpret_cast<const char*>(Data), Size);
  const std::size_t split = input.find('\0');
  const std::string pattern = input.substr(0, split);
  // A name is a C string: it ends at its first NUL.
  const std::string name = split == std::string::npos ? std::string() : std::string(input.c_str() + split + 1);
  const bool matched = MatchesWildcard(pattern, name.c_str());
  if (matched != ReferenceMatch(pattern, name)) {
    std::fprintf(stderr, "pattern \"%s\", name \"%s\": the search says %s\n", pattern.c_str(), name.c_str(),
                 matched ? "it matches" : "it does not match");
    std::abort();
  }
  return 0;
}
