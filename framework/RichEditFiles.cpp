// A rich edit's own line breaks, its text saved to a file, and on paper.
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QScreen>
#include <QTextBlock>
#include <QTextDocument>
#include <memory>

#include "framework/ComCtrls.h"
#include "framework/Printers.h"
#include "framework/QtConvert.h"

void TRichEdit::KeepOwnBreaks(int Position, int Removed, int Added) {
  if (!FOwnBreaks || Removed != 0) return;
  // The document gives a block it splits the first part's state and the new blocks none, and
  // a block it joins to the next the next one's state: a line keeps its break when it is edited,
  // joined lines keep the second's, and a new line takes the usual break. Only lines put in
  // before a line, at its start, are new lines before it rather than after it.
  QTextDocument* doc = Edit()->document();
  QTextBlock first = doc->findBlock(Position), last = doc->findBlock(Position + Added);
  if (first == last || first.position() != Position || last.position() != Position + Added) return;
  last.setUserState(first.userState());
  first.setUserState(-1);
}

TOwnBreaks TRichEdit::OwnBreaks() const {
  TOwnBreaks breaks;
  if (!FOwnBreaks) return breaks;
  std::size_t line = 0;
  for (QTextBlock b = Edit()->document()->begin(); b.isValid(); b = b.next(), ++line)
    if (b.userState() >= 0) breaks.push_back({line, static_cast<TLineBreak>(b.userState())});
  return breaks;
}

void TRichEdit::SaveToFile(const String& FileName, const TFileState* Former) {
  WriteTextFile(FileName, Text(), FFormat, OwnBreaks(), Former);
  FSaveLoss.clear();
}

void TRichEdit::Print(const String& Caption) {
  QPrinter* printer = Printer()->JobPrinter();
  if (!printer) return;
  printer->setDocName(ToQString(Caption));
  printer->setFullPage(false);
  QPageLayout page = printer->pageLayout();
  printer->setPageMargins(page.minimumMargins(), page.units());

  std::unique_ptr<QTextDocument> doc(Edit()->document()->clone());
  doc->setDocumentMargin(0);
  // Paper has no horizontal scrolling: lines always wrap at the page's width, where the
  // control wraps them.
  QTextOption option = doc->defaultTextOption();
  option.setWrapMode(Edit()->wordWrapMode());
  doc->setDefaultTextOption(option);
  QTextCharFormat color;
  color.setForeground(ToQColor(Font()->Color()));
  QTextCursor all(doc.get());
  all.select(QTextCursor::Document);
  all.mergeCharFormat(color);
  // A page size of its own makes the document lay itself out in pages, without the margins
  // and page numbers Qt adds otherwise; the size is in the screen's units the font is
  // measured in, and the print scales it onto the page's printable area.
  QScreen* screen = QGuiApplication::primaryScreen();
  int dpi = screen ? qRound(screen->logicalDotsPerInchY()) : 96;
  doc->setPageSize(printer->pageLayout().paintRectPixels(dpi).size());
  doc->print(printer);
  if (printer->printerState() == QPrinter::Error)
    throw EPrinter("Cannot print " + Caption + ": the printer cannot be opened");
}
