#include "framework/TextSearch.h"

#include <QString>
#include <algorithm>

bool IsWordCharacter(QChar C) { return C.isLetterOrNumber() || C.isMark() || C == QLatin1Char('_'); }

namespace {

bool IsWholeWord(const QString& Text, std::ptrdiff_t At, std::ptrdiff_t Length) {
  if (At > 0 && IsWordCharacter(Text[At - 1])) return false;
  return At + Length >= Text.size() || !IsWordCharacter(Text[At + Length]);
}

} // namespace

std::ptrdiff_t FindMatch(const QString& Text, const QString& Needle, std::ptrdiff_t From, std::ptrdiff_t End,
                         const TSearchTypes& Options, bool Backward) {
  const std::ptrdiff_t length = Needle.size();
  End = std::min<std::ptrdiff_t>(End, Text.size());
  From = std::max<std::ptrdiff_t>(From, 0);
  if (length == 0 || From + length > End) return -1;
  const Qt::CaseSensitivity cs = Options.count(stMatchCase) ? Qt::CaseSensitive : Qt::CaseInsensitive;
  const bool wholeWord = Options.count(stWholeWord) > 0;
  if (Backward) {
    for (std::ptrdiff_t at = End - length; at >= From; --at) {
      at = Text.lastIndexOf(Needle, at, cs);
      if (at < From) return -1;
      if (!wholeWord || IsWholeWord(Text, at, length)) return at;
    }
    return -1;
  }
  for (std::ptrdiff_t at = From;; ++at) {
    at = Text.indexOf(Needle, at, cs);
    if (at < 0 || at + length > End) return -1;
    if (!wholeWord || IsWholeWord(Text, at, length)) return at;
  }
}
