#include "framework/IniHighlighter.h"

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

void TIniHighlighter::highlightBlock(const QString& Text) {
  if (Text.size() > LongestLine) return;
  qsizetype first = 0;
  while (first < Text.size() && (Text[first] == u' ' || Text[first] == u'\t'))
    ++first;
  if (first == Text.size()) return;
  const QChar lead = Text[first];
  const int size = static_cast<int>(Text.size());
  if (lead == u';' || lead == u'#') {
    setFormat(0, size, FComment);
  } else if (lead == u'[') {
    setFormat(0, size, FHeader);
  } else if (const qsizetype equals = Text.indexOf(u'='); equals >= 0) {
    setFormat(0, static_cast<int>(equals), FKey);
    setFormat(static_cast<int>(equals + 1), size - static_cast<int>(equals) - 1, FValue);
  }
}
