#include "framework/Outline.h"

#include <QAbstractScrollArea>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "framework/TypInfo.h"
#include "platform/QtWindow.h"

// The outline's window: it draws the rows and takes the keys; the mouse reaches the outline as
// messages through its window procedure.
class TOutlineView : public QAbstractScrollArea {
public:
  explicit TOutlineView(TOutline* Outline) : FOutline(Outline) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  }

  // Fits the scroll bar to the rows and to the number of whole rows the client area shows.
  void UpdateScrollBar() {
    if (!FOutline) return;
    const int shown = ShownRows();
    verticalScrollBar()->setRange(0, std::max(0, FOutline->RowCount() - shown));
    verticalScrollBar()->setPageStep(shown);
    verticalScrollBar()->setSingleStep(1);
  }
  // The number of rows the client area shows whole, at least one.
  int ShownRows() const { return std::max(1, viewport()->height() / FOutline->ItemHeight()); }

  // Set to none while the outline goes.
  TOutline* FOutline;

protected:
  void paintEvent(QPaintEvent* Event) override {
    if (!FOutline) return;
    QPainter painter(viewport());
    CallGuarded([&] { PaintRows(painter, Event->rect()); });
  }
  void resizeEvent(QResizeEvent* Event) override {
    QAbstractScrollArea::resizeEvent(Event);
    UpdateScrollBar();
  }
  void scrollContentsBy(int, int) override { viewport()->update(); }
  // The selected item looks different while the outline has the focus.
  void focusInEvent(QFocusEvent* Event) override {
    QAbstractScrollArea::focusInEvent(Event);
    viewport()->update();
  }
  void focusOutEvent(QFocusEvent* Event) override {
    QAbstractScrollArea::focusOutEvent(Event);
    viewport()->update();
  }
  void keyPressEvent(QKeyEvent* Event) override;
  // The outline acts on the mouse in its window procedure; taking the events here keeps them
  // from going on to the form beneath.
  void mousePressEvent(QMouseEvent* Event) override { Event->accept(); }
  void mouseReleaseEvent(QMouseEvent* Event) override { Event->accept(); }
  void mouseDoubleClickEvent(QMouseEvent* Event) override { Event->accept(); }
  void mouseMoveEvent(QMouseEvent* Event) override { Event->accept(); }

private:
  void PaintRows(QPainter& Painter, const QRect& Area);
  void PaintRow(QPainter& Painter, const TOutlineNode* Node, const QRect& Cell);
  void PaintTreeLines(QPainter& Painter, const TOutlineNode* Node, const QRect& Cell);
};

namespace {

QRect ToQRect(const TRect& R) { return QRect(R.left, R.top, R.right - R.left, R.bottom - R.top); }

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

void TOutlineView::keyPressEvent(QKeyEvent* Event) {
  bool handled = FOutline != nullptr;
  if (handled)
    CallGuarded([&] {
      TOutlineNode* selected = FOutline->FSelected;
      switch (Event->key()) {
      case Qt::Key_Up: FOutline->MoveSelection(-1); break;
      case Qt::Key_Down: FOutline->MoveSelection(1); break;
      case Qt::Key_Plus:
        if (selected && selected->HasItems()) selected->SetExpanded(true);
        break;
      case Qt::Key_Minus:
        if (selected && selected->HasItems()) selected->SetExpanded(false);
        break;
      default: handled = false;
      }
    });
  if (!handled) QAbstractScrollArea::keyPressEvent(Event);
}

void TOutlineView::PaintRows(QPainter& Painter, const QRect& Area) {
  FOutline->Update();
  const int height = FOutline->ItemHeight(), top = FOutline->TopRow();
  const int last = std::min(FOutline->RowCount() - 1, top + Area.bottom() / height);
  for (int row = top + std::max(0, Area.top()) / height; row <= last; ++row)
    PaintRow(Painter, FOutline->FRows[static_cast<std::size_t>(row)], ToQRect(FOutline->CellRect(0, row)));
}

void TOutlineView::PaintRow(QPainter& Painter, const TOutlineNode* Node, const QRect& Cell) {
  const int height = Cell.height();
  if (FOutline->HasTreeLines()) PaintTreeLines(Painter, Node, Cell);
  int left = Cell.left() + FOutline->Indent(Node);
  if (FOutline->HasPlusMinus()) {
    if (Node->HasItems()) DrawPlusMinus(Painter, QRect(left, Cell.top(), height, height), !Node->Expanded());
    left += height;
  }
  if (FOutline->HasPicture()) {
    const QRect area(left, Cell.top(), height, height);
    if (Node->HasItems())
      DrawFolder(Painter, area, Node->Expanded());
    else
      DrawLeaf(Painter, area);
    left += height;
  }
  // The text starts exactly at the left of its place, so that it shows whole when it ends
  // within the client area.
  const QString text = QString::fromStdString(Node->Text());
  const QPalette& palette = this->palette();
  QColor color = palette.color(QPalette::Active, QPalette::Text);
  if (Node == FOutline->FSelected) {
    const QRect mark(left, Cell.top(), Painter.fontMetrics().horizontalAdvance(text) + 2, height);
    if (hasFocus()) {
      Painter.fillRect(mark, palette.color(QPalette::Active, QPalette::Highlight));
      color = palette.color(QPalette::Active, QPalette::HighlightedText);
      if (FOutline->Options().count(ooDrawFocusRect)) {
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
void TOutlineView::PaintTreeLines(QPainter& Painter, const TOutlineNode* Node, const QRect& Cell) {
  const int height = Cell.height(), root = FOutline->Options().count(ooDrawTreeRoot) ? 1 : 0;
  const int top = Cell.top(), middle = top + height / 2, bottom = top + height - 1;
  // The middle of the step of indentation in which the lines of items of a level lie.
  auto lineX = [&](int Level) { return Cell.left() + (Level - 2 + root) * height + height / 2; };
  Painter.setPen(QColor(128, 128, 128));
  if (Node->Level() - 2 + root >= 0) {
    const int x = lineX(Node->Level());
    const bool first = Node->Parent() == &FOutline->FRoot && FOutline->FRoot.FChildren.front().get() == Node;
    Painter.drawLine(x, middle, x + height - height / 2 - 1, middle);
    Painter.drawLine(x, first ? middle : top, x, Node->IsLastChild() ? middle : bottom);
  }
  for (const TOutlineNode* a = Node->Parent(); a->Parent(); a = a->Parent())
    if (a->Level() - 2 + root >= 0 && !a->IsLastChild())
      Painter.drawLine(lineX(a->Level()), top, lineX(a->Level()), bottom);
  // Below an expanded item's picture, the line of its children begins.
  if (FOutline->HasPicture() && Node->Expanded() && Node->HasItems())
    Painter.drawLine(lineX(Node->Level() + 1), bottom - 2, lineX(Node->Level() + 1), bottom);
}

// TOutlineNode

TOutlineNode::TOutlineNode(TOutline* Outline, TOutlineNode* Parent, String Text)
    : FOutline(Outline), FParent(Parent), FText(std::move(Text)), FLevel(Parent ? Parent->FLevel + 1 : 0),
      FExpanded(Parent == nullptr) {}

void TOutlineNode::SetText(const String& Value) {
  if (FText == Value) return;
  FText = Value;
  FOutline->View()->viewport()->update();
}

int TOutlineNode::Index() const {
  FOutline->Update();
  return FIndex;
}

bool TOutlineNode::IsAncestorOf(const TOutlineNode* Node) const {
  for (const TOutlineNode* n = Node ? Node->FParent : nullptr; n; n = n->FParent)
    if (n == this) return true;
  return false;
}

void TOutlineNode::SetExpanded(bool Value) {
  if (!FParent || FExpanded == Value) return;
  if (Value) {
    for (TOutlineNode* n = this; n->FParent; n = n->FParent)
      n->FExpanded = true;
  } else {
    std::vector<TOutlineNode*> pending{this};
    while (!pending.empty()) {
      TOutlineNode* n = pending.back();
      pending.pop_back();
      n->FExpanded = false;
      for (const auto& child : n->FChildren)
        pending.push_back(child.get());
    }
    FOutline->Collapsed(this);
  }
  FOutline->ItemsChanged();
}

// TOutline

TOutline::TOutline(TComponent* AOwner) : TWinControl(AOwner), FRoot(this, nullptr, "") {
  auto* view = new TOutlineView(this);
  SetWidget(view, view->viewport());
  SetColor(clWindow);
}

TOutline::~TOutline() {
  BeginDestruction();
  if (FCanvas.Handle()) ReleaseDC(Handle(), FCanvas.Handle());
  View()->FOutline = nullptr;
}

TOutlineView* TOutline::View() const { return static_cast<TOutlineView*>(Widget()); }

TCanvas* TOutline::Canvas() {
  if (!FCanvas.Handle()) FCanvas.SetHandle(GetDC(Handle()));
  return &FCanvas;
}

TOutlineNode* TOutline::Node(int Index) { return Index == 0 ? &FRoot : Items(Index); }

TOutlineNode* TOutline::Items(int Index) const {
  Update();
  if (Index < 1 || Index > ItemCount())
    throw EOutlineError("Outline index " + std::to_string(Index) + " out of range (the outline has " +
                        std::to_string(ItemCount()) + " items)");
  return FItems[static_cast<std::size_t>(Index - 1)];
}

int TOutline::ItemCount() const {
  Update();
  return static_cast<int>(FItems.size());
}

int TOutline::Add(int Index, const String& Text) {
  TOutlineNode* node = Node(Index);
  return Insert(node->FParent ? node->FParent : node, Text);
}

int TOutline::AddChild(int Index, const String& Text) { return Insert(Node(Index), Text); }

int TOutline::Insert(TOutlineNode* Parent, const String& Text) {
  Update();
  // An outline is mostly built in the order it shows: an item that goes last in that order
  // leaves the others' numbers and rows as they are.
  const bool last = Parent == &FRoot || FItems.back() == Parent || Parent->IsAncestorOf(FItems.back());
  Parent->FChildren.push_back(std::unique_ptr<TOutlineNode>(new TOutlineNode(this, Parent, Text)));
  TOutlineNode* node = Parent->FChildren.back().get();
  if (last) {
    FItems.push_back(node);
    node->FIndex = static_cast<int>(FItems.size());
    if (Parent->FExpanded) FRows.push_back(node);
    ShowRows();
  } else {
    ItemsChanged();
  }
  return node->Index();
}

void TOutline::Delete(int Index) {
  TOutlineNode* node = Items(Index);
  if (node == FSelected || node->IsAncestorOf(FSelected)) FSelected = nullptr;
  auto& siblings = node->FParent->FChildren;
  siblings.erase(std::find_if(siblings.begin(), siblings.end(), [&](const auto& n) { return n.get() == node; }));
  ItemsChanged();
}

void TOutline::Clear() {
  FSelected = nullptr;
  FRoot.FChildren.clear();
  ItemsChanged();
}

void TOutline::Update() const {
  if (!FChanged) return;
  FChanged = false;
  FItems.clear();
  FRows.clear();
  // Depth first, each item before its children: the order of the fully expanded outline.
  std::vector<std::pair<TOutlineNode*, bool>> pending;
  for (auto it = FRoot.FChildren.rbegin(); it != FRoot.FChildren.rend(); ++it)
    pending.emplace_back(it->get(), true);
  while (!pending.empty()) {
    auto [node, shown] = pending.back();
    pending.pop_back();
    FItems.push_back(node);
    node->FIndex = static_cast<int>(FItems.size());
    if (shown) FRows.push_back(node);
    for (auto it = node->FChildren.rbegin(); it != node->FChildren.rend(); ++it)
      pending.emplace_back(it->get(), shown && node->FExpanded);
  }
}

void TOutline::ItemsChanged() {
  FChanged = true;
  ShowRows();
}

void TOutline::ShowRows() {
  View()->UpdateScrollBar();
  View()->viewport()->update();
}

void TOutline::Collapsed(TOutlineNode* Node) {
  if (Node->IsAncestorOf(FSelected)) FSelected = Node;
}

int TOutline::RowCount() const {
  Update();
  return static_cast<int>(FRows.size());
}

int TOutline::RowOf(const TOutlineNode* Node) const {
  Update();
  auto it = std::find(FRows.begin(), FRows.end(), Node);
  return it == FRows.end() ? -1 : static_cast<int>(it - FRows.begin());
}

int TOutline::TopRow() const { return View()->verticalScrollBar()->value(); }

void TOutline::SetTopRow(int Value) { View()->verticalScrollBar()->setValue(Value); }

TRect TOutline::CellRect(int ACol, int ARow) const {
  if (ACol != 0 || ARow < 0 || ARow >= RowCount()) return TRect{};
  const int top = (ARow - TopRow()) * FItemHeight;
  return TRect{0, top, View()->viewport()->width(), top + FItemHeight};
}

int TOutline::GetItem(int X, int Y) const {
  const QWidget* client = View()->viewport();
  if (X < 0 || Y < 0 || X >= client->width() || Y >= client->height()) return 0;
  const int row = TopRow() + Y / FItemHeight;
  return row < RowCount() ? FRows[static_cast<std::size_t>(row)]->FIndex : 0;
}

int TOutline::Indent(const TOutlineNode* Node) const {
  return (Node->Level() - 1 + (FOptions.count(ooDrawTreeRoot) ? 1 : 0)) * FItemHeight;
}

void TOutline::SetSelectedItem(int Value) { Select(Value == 0 ? nullptr : Items(Value)); }

void TOutline::Select(TOutlineNode* Node) {
  FSelected = Node;
  if (Node) {
    Node->FParent->SetExpanded(true);
    const int row = RowOf(Node), top = TopRow(), shown = View()->ShownRows();
    if (row < top)
      SetTopRow(row);
    else if (row >= top + shown)
      SetTopRow(row - shown + 1);
  }
  View()->viewport()->update();
}

void TOutline::MoveSelection(int Delta) {
  const int rows = RowCount();
  if (rows == 0) return;
  const int row = FSelected ? RowOf(FSelected) + Delta : 0;
  Select(FRows[static_cast<std::size_t>(std::clamp(row, 0, rows - 1))]);
}

void TOutline::Press(int X, int Y, bool Double) {
  const int index = GetItem(X, Y);
  if (index < 1) return;
  TOutlineNode* node = FItems[static_cast<std::size_t>(index - 1)];
  Select(node);
  const int box = Indent(node);
  const bool onBox = HasPlusMinus() && X >= box && X < box + FItemHeight;
  if (node->HasItems() && (Double || onBox)) node->SetExpanded(!node->Expanded());
  Click();
}

void TOutline::WndProc(TMessage& Message) {
  if (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK)
    Press(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam), Message.Msg == WM_LBUTTONDBLCLK);
  TWinControl::WndProc(Message);
}

void TOutline::SetOutlineStyle(TOutlineStyle Value) {
  if (FOutlineStyle == Value) return;
  FOutlineStyle = Value;
  View()->viewport()->update();
}

void TOutline::SetOptions(const TOutlineOptions& Value) {
  if (FOptions == Value) return;
  FOptions = Value;
  View()->viewport()->update();
}

void TOutline::SetItemHeight(int Value) {
  if (FItemHeight == Value || Value <= 0) return;
  FItemHeight = Value;
  ShowRows();
}

void RegisterOutlineClasses() {
  static const bool done = [] {
    RegisterControlsClasses();
    RegisterEnumNames(typeid(TOutlineStyle), {"osText", "osPlusMinusText", "osPictureText", "osPlusMinusPictureText",
                                              "osTreeText", "osTreePictureText"});
    RegisterEnumNames(typeid(TOutlineOption), {"ooDrawTreeRoot", "ooDrawFocusRect"});
    TClassRegistration<TOutline>("TOutline", "TWinControl")
        .Property("ItemHeight", &TOutline::ItemHeight, &TOutline::SetItemHeight, 16)
        .Property("Options", &TOutline::Options, &TOutline::SetOptions,
                  TOutlineOptions{ooDrawTreeRoot, ooDrawFocusRect})
        .Property("OutlineStyle", &TOutline::OutlineStyle, &TOutline::SetOutlineStyle, osTreePictureText);
    return true;
  }();
  (void)done;
}
