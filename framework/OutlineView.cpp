// The outline's drawing: its rows, each with tree lines, a plus/minus box, a picture and the text.
#include "framework/Outline.h"

#include "framework/QtConvert.h"
#include <QPainter>
#include <QWidget>
#include <algorithm>

namespace {

// A box with a minus in it, and a plus while Collapsed, centred in Area.
void DrawPlusMinus(QPainter& Painter, const QRect& Area, bool Collapsed) {
  const int size = std::max(5, (Area.height() / 2) | 1);
  const int left = Area.left() + (Area.width() - size) / 2, top = Area.top() + (Area.height() - size) / 2;
  const int middle = size / 2;
  Painter.setPen(QColor(128, 128, 128));
  Painter.setBrush(Qt::white);
  Painter.drawRect(left, top, size - 1, size - 1);
  Painter.setPen(Qt::black);
  Painter.drawLine(left + 2, top + middle, left + size - 3, top + middle);
  if (Collapsed) Painter.drawLine(left + middle, top + 2, left + middle, top + size - 3);
}

// A folder, open or closed, filling Area less a margin.
void DrawFolder(QPainter& Painter, const QRect& Area, bool Open) {
  const QRect r = Area.adjusted(2, 3, -2, -3);
  const int tab = std::max(2, r.height() / 4);
  Painter.setPen(QColor(128, 96, 0));
  Painter.setBrush(QColor(232, 184, 64));
  Painter.drawRect(r.left(), r.top(), r.width() / 2, tab);
  Painter.drawRect(r.left(), r.top() + tab, r.width() - 1, r.height() - tab - 1);
  if (!Open) return;
  // The front of an open folder leans back over the lower part.
  const int shift = std::max(2, r.width() / 4), top = r.top() + tab + r.height() / 3;
  const QPoint front[] = {
      {r.left() + shift, top}, {r.right(), top}, {r.right() - shift, r.bottom()}, {r.left(), r.bottom()}};
  Painter.setBrush(QColor(255, 224, 128));
  Painter.drawPolygon(front, 4);
}

// A sheet of paper with a folded corner and lines of writing, filling Area less a margin.
void DrawLeaf(QPainter& Painter, const QRect& Area) {
  const QRect r = Area.adjusted(Area.width() / 5, 2, -Area.width() / 5, -2);
  const int fold = std::max(2, r.width() / 3);
  const QPoint sheet[] = {{r.left(), r.top()},
                          {r.right() - fold, r.top()},
                          {r.right(), r.top() + fold},
                          {r.right(), r.bottom()},
                          {r.left(), r.bottom()}};
  Painter.setPen(QColor(96, 96, 96));
  Painter.setBrush(Qt::white);
  Painter.drawPolygon(sheet, 5);
  Painter.drawLine(r.right() - fold, r.top(), r.right() - fold, r.top() + fold);
  Painter.drawLine(r.right() - fold, r.top() + fold, r.right(), r.top() + fold);
  Painter.setPen(QColor(160, 160, 160));
  for (int y = r.top() + fold + 2; y < r.bottom() - 1; y += 2)
    Painter.drawLine(r.left() + 2, y, r.right() - 2, y);
}

} // namespace

void TOutline::PaintRows(QPainter& Painter) const {
  Update();
  const int height = ItemHeight(), top = TopRow();
  const int last = std::min(RowCount() - 1, top + Client()->height() / height);
  for (int row = top; row <= last; ++row)
    PaintRow(Painter, FRows[static_cast<std::size_t>(row)], ToQRect(CellRect(0, row)));
}

void TOutline::PaintRow(QPainter& Painter, const TOutlineNode* Node, const QRect& Cell) const {
  const int height = Cell.height();
  if (HasTreeLines()) PaintTreeLines(Painter, Node, Cell);
  int left = Cell.left() + Indent(Node);
  if (HasPlusMinus()) {
    if (Node->HasItems()) DrawPlusMinus(Painter, QRect(left, Cell.top(), height, height), !Node->Expanded());
    left += height;
  }
  if (HasPicture()) {
    const QRect area(left, Cell.top(), height, height);
    if (Node->HasItems())
      DrawFolder(Painter, area, Node->Expanded());
    else
      DrawLeaf(Painter, area);
  }
  // The text starts exactly at the left of its place, so that it shows whole when it ends
  // within the client area.
  left = Cell.left() + TextLeft(Node);
  const QString text = ToQString(Node->Text());
  const QPalette& palette = Widget()->palette();
  QColor color = palette.color(QPalette::Active, QPalette::Text);
  if (Node == FSelected) {
    const QRect mark(left, Cell.top(), Painter.fontMetrics().horizontalAdvance(text) + 2, height);
    if (Widget()->hasFocus()) {
      Painter.fillRect(mark, palette.color(QPalette::Active, QPalette::Highlight));
      color = palette.color(QPalette::Active, QPalette::HighlightedText);
      if (Options().count(ooDrawFocusRect)) {
        Painter.setPen(QPen(color, 1, Qt::DotLine));
        Painter.setBrush(Qt::NoBrush);
        Painter.drawRect(mark.adjusted(0, 0, -1, -1));
      }
    } else {
      Painter.fillRect(mark, palette.color(QPalette::Active, QPalette::Button));
    }
  }
  Painter.setPen(color);
  Painter.drawText(QRect(left, Cell.top(), Cell.right() + 1 - left, height),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

// Each item hangs from a vertical line that joins it to its siblings, in the step of
// indentation before it; the lines of its ancestors that have siblings below pass through
// its row.
void TOutline::PaintTreeLines(QPainter& Painter, const TOutlineNode* Node, const QRect& Cell) const {
  const int height = Cell.height(), root = Options().count(ooDrawTreeRoot) ? 1 : 0;
  const int top = Cell.top(), middle = top + height / 2, bottom = top + height - 1;
  // The middle of the step of indentation in which the lines of items of a level lie.
  auto lineX = [&](int Level) { return Cell.left() + (Level - 2 + root) * height + height / 2; };
  Painter.setPen(QColor(128, 128, 128));
  if (Node->Level() - 2 + root >= 0) {
    const int x = lineX(Node->Level());
    const bool first = Node->Parent() == &FRoot && FRoot.FChildren.front().get() == Node;
    Painter.drawLine(x, middle, x + height - height / 2 - 1, middle);
    Painter.drawLine(x, first ? middle : top, x, Node->IsLastChild() ? middle : bottom);
  }
  for (const TOutlineNode* a = Node->Parent(); a->Parent(); a = a->Parent())
    if (a->Level() - 2 + root >= 0 && !a->IsLastChild())
      Painter.drawLine(lineX(a->Level()), top, lineX(a->Level()), bottom);
  // Below an expanded item's picture, the line of its children begins.
  if (HasPicture() && Node->Expanded() && Node->HasItems())
    Painter.drawLine(lineX(Node->Level() + 1), bottom - 2, lineX(Node->Level() + 1), bottom);
}
