#include "framework/IniHighlighter.h"

#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>
#include <iterator>

TIniHighlighter::TIniHighlighter(QTextDocument* Document, const QColor& Background) : QSyntaxHighlighter(Document) {
  // Dark colours on a light background, light ones on a dark one.
  const bool light = Background.lightness() >= 128;
  FHeader.setForeground(light ? QColor(0xA0, 0x00, 0x00) : QColor(0xFF, 0x90, 0x90));
  FHeader.setFontWeight(QFont::Bold);
  FKey.setForeground(light ? QColor(0x00, 0x00, 0x80) : QColor(0x9C, 0xDC, 0xFE));
  FValue.setForeground(light ? QColor(0x00, 0x60, 0x00) : QColor(0xB5, 0xE8, 0xB0));
  FComment.setForeground(light ? QColor(0x60, 0x60, 0x60) : QColor(0xB0, 0xB0, 0xB0));
  FComment.setFontItalic(true);
}

void TIniHighlighter::SetMarkedLines(std::vector<int> Lines) {
  if (Lines == FMarked) return;
  std::vector<int> changed;
  std::set_symmetric_difference(Lines.begin(), Lines.end(), FMarked.begin(), FMarked.end(),
                                std::back_inserter(changed));
  FMarked = std::move(Lines);
  for (const int line : changed)
    if (const QTextBlock block = document()->findBlockByNumber(line); block.isValid()) rehighlightBlock(block);
}

void TIniHighlighter::Reveal(const QTextBlock& Block) {
  // A line too long to colour is left as it is: taking its text over again would cost much.
  if (Block.isValid() && !Block.userData() && Block.length() - 1 <= LongestLine) rehighlightBlock(Block);
}

void TIniHighlighter::highlightBlock(const QString& Text) {
  if (FDeferred && FColouredFirst++ >= ColouredFirst) {
    // Coloured before, it is coloured again when it shows: a line marked meanwhile is underlined.
    if (currentBlockUserData()) setCurrentBlockUserData(nullptr);
    return;
  }
  if (!currentBlockUserData()) setCurrentBlockUserData(new QTextBlockUserData);
  if (Text.size() > LongestLine) return;
  const bool marked =
      !FMarked.empty() && std::binary_search(FMarked.begin(), FMarked.end(), currentBlock().blockNumber());
  const auto Put = [&](qsizetype Start, qsizetype Length, QTextCharFormat Format) {
    if (marked) {
      Format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
      Format.setUnderlineColor(QColor(0xE0, 0x20, 0x20));
    }
    setFormat(static_cast<int>(Start), static_cast<int>(Length), Format);
  };
  qsizetype first = 0;
  while (first < Text.size() && (Text[first] == u' ' || Text[first] == u'\t'))
    ++first;
  if (first == Text.size()) return;
  const QChar lead = Text[first];
  if (lead == u';' || lead == u'#') {
    Put(0, Text.size(), FComment);
  } else if (lead == u'[') {
    Put(0, Text.size(), FHeader);
  } else if (const qsizetype equals = Text.indexOf(u'='); equals >= 0) {
    Put(0, equals, FKey);
    Put(equals, 1, FPlain);
    Put(equals + 1, Text.size() - equals - 1, FValue);
  } else if (marked) {
    Put(0, Text.size(), FPlain);
  }
}
