#include "platform/Kernel.h"

#include <langinfo.h>
#include <locale.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <string>
#include <string_view>

#include "platform/Utf8.h"

DWORD GetCurrentDirectoryA(DWORD BufferLength, LPSTR Buffer) {
  std::string cwd(256, '\0');
  while (!getcwd(cwd.data(), cwd.size())) {
    if (errno != ERANGE) return 0;
    cwd.resize(cwd.size() * 2);
  }
  std::size_t length = std::strlen(cwd.c_str());
  if (length >= BufferLength) return static_cast<DWORD>(length + 1);
  std::memcpy(Buffer, cwd.c_str(), length + 1);
  return static_cast<DWORD>(length);
}

namespace {

// The locales the comparison uses, made once from the environment: the user's collation,
// and for lower-casing the user's character classes when they are UTF-8 ones, else C.UTF-8.
struct TCollation {
  locale_t Collate;
  locale_t Ctype;
  // Whether the ASCII letters lower-case to their ASCII partners, as everywhere but in a few
  // locales (Turkish I); then ASCII text is folded without asking the locale.
  bool PlainAscii = true;

  TCollation() {
    Collate = newlocale(LC_COLLATE_MASK, "", locale_t(0));
    if (!Collate) Collate = newlocale(LC_COLLATE_MASK, "C", locale_t(0));
    Ctype = newlocale(LC_CTYPE_MASK, "", locale_t(0));
    if (Ctype && std::strcmp(nl_langinfo_l(CODESET, Ctype), "UTF-8") != 0) {
      freelocale(Ctype);
      Ctype = locale_t(0);
    }
    if (!Ctype) Ctype = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
    for (wint_t c = L'A'; Ctype && c <= L'Z'; ++c)
      PlainAscii = PlainAscii && towlower_l(c, Ctype) == c + (L'a' - L'A');
  }
};

const TCollation& Collation() {
  static const TCollation collation;
  return collation;
}

// Decodes UTF-8 into Out, one wide character a code point; a byte that is not part of a
// valid sequence becomes a character of its own (0xDC00 + byte), so no two texts merge.
void Decode(const char* Text, int Count, bool Fold, std::wstring& Out) {
  const std::string_view text(Text, Count < 0 ? std::strlen(Text) : static_cast<std::size_t>(Count));
  const TCollation& collation = Collation();
  Out.clear();
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80 && collation.PlainAscii) {
      Out.push_back(static_cast<wchar_t>(Fold && c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c));
      ++i;
      continue;
    }
    char32_t cp;
    const std::size_t length = DecodeUtf8(text, i, cp);
    if (length == 0) {
      Out.push_back(static_cast<wchar_t>(0xDC00 + c));
      ++i;
      continue;
    }
    wchar_t w = static_cast<wchar_t>(cp);
    Out.push_back(Fold && collation.Ctype ? static_cast<wchar_t>(towlower_l(static_cast<wint_t>(w), collation.Ctype))
                                          : w);
    i += length;
  }
}

} // namespace

int CompareStringA(LCID Locale, DWORD CmpFlags, LPCSTR String1, int Count1, LPCSTR String2, int Count2) {
  if (Locale != LOCALE_USER_DEFAULT || (CmpFlags & ~NORM_IGNORECASE) != 0 || !String1 || !String2) return 0;
  // Kept between calls so that comparing allocates nothing once they have grown.
  thread_local std::wstring a, b;
  const bool fold = (CmpFlags & NORM_IGNORECASE) != 0;
  Decode(String1, Count1, fold, a);
  Decode(String2, Count2, fold, b);
  int result = wcscoll_l(a.c_str(), b.c_str(), Collation().Collate);
  return result < 0 ? CSTR_LESS_THAN : result == 0 ? CSTR_EQUAL : CSTR_GREATER_THAN;
}

int LCMapStringA(LCID Locale, DWORD MapFlags, LPCSTR Src, int SrcCount, LPSTR Dest, int DestCount) {
  if (Locale != LOCALE_USER_DEFAULT || (MapFlags & ~(LCMAP_SORTKEY | NORM_IGNORECASE)) != 0 ||
      !(MapFlags & LCMAP_SORTKEY) || !Src || DestCount < 0 || (DestCount > 0 && !Dest))
    return 0;
  thread_local std::wstring text, key;
  Decode(Src, SrcCount, (MapFlags & NORM_IGNORECASE) != 0, text);
  const locale_t collate = Collation().Collate;
  key.resize(text.size() * 4 + 16);
  std::size_t length = wcsxfrm_l(key.data(), text.c_str(), key.size(), collate);
  if (length >= key.size()) {
    key.resize(length + 1);
    length = wcsxfrm_l(key.data(), text.c_str(), key.size(), collate);
  }
  // Each weight as four bytes, most significant first, so that bytes order as weights do.
  const int bytes = static_cast<int>(length * 4);
  if (DestCount == 0) return bytes;
  if (DestCount < bytes) return 0;
  for (std::size_t i = 0; i < length; ++i) {
    const auto weight = static_cast<std::uint32_t>(key[i]);
    for (std::size_t b = 0; b < 4; ++b)
      Dest[i * 4 + b] = static_cast<char>(weight >> (24 - 8 * b));
  }
  return bytes;
}
