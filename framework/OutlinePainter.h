#pragma once
// Draws an outline's rows: tree lines, plus/minus boxes, pictures and texts, each where the
// outline's geometry puts it.

class QPainter;
class QRect;
class TOutline;
class TOutlineNode;

class TOutlinePainter {
public:
  TOutlinePainter(const TOutline& Outline, QPainter& Painter) : FOutline(Outline), FPainter(Painter) {}
  // Draws the rows shown in the outline's client area.
  void PaintRows();

private:
  void PaintRow(const TOutlineNode* Node, const QRect& Cell);
  void PaintTreeLines(const TOutlineNode* Node, const QRect& Cell);

  const TOutline& FOutline;
  QPainter& FPainter;
};
