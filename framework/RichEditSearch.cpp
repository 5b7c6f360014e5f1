// TRichEdit: finding a text with the search options, and replacing found text.
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>

#include "framework/ComCtrls.h"
#include "framework/QtConvert.h"

namespace {

QString Needle(const String& SearchStr) {
  QString needle = ToQString(SearchStr);
  needle.replace(QLatin1Char('\n'), QChar::ParagraphSeparator);
  return needle;
}

} // namespace

int TRichEdit::FindText(const String& SearchStr, int StartPos, int Length, const TSearchTypes& Options) const {
  if (StartPos < 0 || Length <= 0) return -1;
  return static_cast<int>(
      FindMatch(RawText(), Needle(SearchStr), StartPos, static_cast<long long>(StartPos) + Length, Options));
}

int TRichEdit::FindLastText(const String& SearchStr, int StartPos, int Length, const TSearchTypes& Options) const {
  if (StartPos < 0 || Length <= 0) return -1;
  return static_cast<int>(
      FindMatch(RawText(), Needle(SearchStr), StartPos, static_cast<long long>(StartPos) + Length, Options, true));
}

void TRichEdit::ReplaceRanges(const std::vector<std::pair<int, int>>& Ranges, const String& Text) {
  if (Ranges.empty()) return;
  ApplySelection();
  const QString with = ToQString(Text);
  QTextDocument* doc = Edit()->document();
  // An edit of a line forgets the line's own break; a replacement within it keeps it.
  std::vector<std::pair<int, int>> kept;
  for (QTextBlock b = doc->findBlock(Ranges.front().first); b.isValid(); b = b.next()) {
    if (b.userState() >= 0) kept.emplace_back(b.blockNumber(), b.userState());
    if (b.contains(Ranges.back().first)) break;
  }
  QTextCursor c(doc);
  c.beginEditBlock();
  // From the last to the first, so that the positions before each stay as they were.
  for (auto it = Ranges.rbegin(); it != Ranges.rend(); ++it) {
    c.setPosition(it->first);
    c.setPosition(it->first + it->second, QTextCursor::KeepAnchor);
    c.insertText(with);
  }
  c.endEditBlock();
  for (const auto& [block, state] : kept)
    doc->findBlockByNumber(block).setUserState(state);
  int end = Ranges.back().first + Ranges.back().second;
  for (const auto& range : Ranges)
    end += static_cast<int>(with.size()) - range.second;
  c.setPosition(end);
  Edit()->setTextCursor(c);
}
