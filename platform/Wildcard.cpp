#include "platform/Wildcard.h"

#include <locale.h>

#include <cstring>
#include <cwctype>

#include "platform/Utf8.h"

namespace {

locale_t FoldLocale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
  return locale;
}

// The character of UTF-8 text at I, lower-cased, and I moved past it. A byte that does not
// start a valid sequence counts as one character of its own, one no valid character folds
// to, so that no two names merge.
char32_t NextFolded(const char* Text, std::size_t Length, std::size_t& I) {
  auto c = static_cast<unsigned char>(Text[I]);
  if (c < 0x80) {
    ++I;
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
  }
  char32_t cp;
  const std::size_t length = DecodeUtf8(std::string_view(Text, Length), I, cp);
  if (length == 0) {
    ++I;
    return 0xDC00 + c;
  }
  I += length;
  locale_t fold = FoldLocale();
  return fold ? static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), fold)) : cp;
}

} // namespace

// A star first takes nothing and then one character more each time the rest fails, so no
// state beyond the last star is kept.
bool MatchesWildcard(const std::string& Pattern, const char* Name) {
  const char* p = Pattern.data();
  const std::size_t pn = Pattern.size(), nn = std::strlen(Name);
  // What follows the last star must match the end of the name character for character. When
  // both are plain ASCII, bytes are characters, and most names fail right here.
  const std::size_t tail = Pattern.find_last_of('*') + 1;
  const std::size_t k = pn - tail;
  auto ascii = [](const char* Text, std::size_t Count) {
    for (std::size_t i = 0; i < Count; ++i)
      if (static_cast<unsigned char>(Text[i]) >= 0x80) return false;
    return true;
  };
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; };
  if (ascii(p + tail, k)) {
    if (nn < k) return false;
    if (ascii(Name + nn - k, k))
      for (std::size_t i = 0; i < k; ++i)
        if (p[tail + i] != '?' && lower(p[tail + i]) != lower(Name[nn - k + i])) return false;
  }
  std::size_t pi = 0, ni = 0, starP = std::string::npos, starN = 0;
  while (ni < nn) {
    if (pi < pn && p[pi] == '*') {
      starP = ++pi;
      starN = ni;
      continue;
    }
    if (pi < pn) {
      std::size_t pj = pi, nj = ni;
      char32_t pc = NextFolded(p, pn, pj);
      char32_t nc = NextFolded(Name, nn, nj);
      if (p[pi] == '?' || pc == nc) {
        pi = pj;
        ni = nj;
        continue;
      }
    }
    if (starP == std::string::npos) return false;
    NextFolded(Name, nn, starN);
    ni = starN;
    pi = starP;
  }
  while (pi < pn && p[pi] == '*')
    ++pi;
  return pi == pn;
}
