#pragma once
// What a search for a text matches, the same for the editor's Find and Replace and for the
// search of the listed files: the text with its case ignored unless asked, inside words
// unless whole words are asked for.

#include <cstddef>
#include <set>

class QChar;
class QString;

enum TSearchType { stWholeWord, stMatchCase };
using TSearchTypes = std::set<TSearchType>;

// A letter, digit, mark or "_": what a whole word may not have on either side.
bool IsWordCharacter(QChar C);

// The first occurrence of Needle lying wholly within [From, End) of Text, or with Backward
// the last one; -1 when there is none. Positions count the text's UTF-16 units, as the
// editor's text control counts them. A whole word has no letter, digit or "_" on either side.
std::ptrdiff_t FindMatch(const QString& Text, const QString& Needle, std::ptrdiff_t From, std::ptrdiff_t End,
                         const TSearchTypes& Options, bool Backward = false);
