#pragma once
// Colours for the lines of an INI file in a text document.

#include <QSyntaxHighlighter>
#include <vector>

// Draws section headers, keys, values and comments (";" or "#" first on the line) each in a
// colour of its own, picked for the document's background, with headers bold and comments
// italic so that they differ in a high-contrast theme too. A line longer than LongestLine is
// drawn plain. Lines marked as looking wrong are underlined with a wave. It keeps no state in the blocks: the rich edit
// control keeps line breaks there; a block it has coloured carries user data.
class TIniHighlighter : public QSyntaxHighlighter {
public:
  static constexpr int LongestLine = 10000;

  // Background: the colour behind the text.
  TIniHighlighter(QTextDocument* Document, const QColor& Background);

  // The lines, by number from 0 in ascending order, that are underlined as looking wrong.
  void SetMarkedLines(std::vector<int> Lines);
  // While deferred, the lines a change of the text puts in are left uncoloured, but for the
  // first few that a window shows at once, until Reveal colours them: a large file loaded is
  // coloured as its lines are shown, not all at once. Those first lines are coloured before
  // they are laid out: colouring a line laid out lays it and the next one out again.
  void SetDeferred(bool Value) {
    FDeferred = Value;
    FColouredFirst = 0;
  }
  // Colours Block if it has not been coloured since it was put in.
  void Reveal(const QTextBlock& Block);

protected:
  void highlightBlock(const QString& Text) override;

private:
  QTextCharFormat FHeader, FKey, FValue, FComment, FPlain;
  std::vector<int> FMarked;
  bool FDeferred = false;
  // More lines than a window shows at once, and how many of them were coloured while deferred.
  static constexpr int ColouredFirst = 200;
  int FColouredFirst = 0;
};
