#include "framework/Outline.h"

#include <QAbstractScrollArea>
#include <QScrollBar>
#include <algorithm>

#include "framework/TypInfo.h"
#include "platform/QtWindow.h"

// TOutlineNode

TOutlineNode::TOutlineNode(TOutline* Outline, TOutlineNode* Parent, String Text)
    : FOutline(Outline), FParent(Parent), FText(std::move(Text)), FLevel(Parent ? Parent->FLevel + 1 : 0),
      FExpanded(Parent == nullptr) {}

void TOutlineNode::SetText(const String& Value) {
  if (FText == Value) return;
  FText = Value;
  FOutline->Client()->update();
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
  auto* view = new QAbstractScrollArea;
  view->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  view->setLineWidth(2);
  view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // The outline acts on the mouse itself; a press it does not use goes to no window beneath.
  view->viewport()->setAttribute(Qt::WA_NoMousePropagation);
  SetWidget(view, view->viewport());
  SetColor(clWindow);
}

TOutline::~TOutline() {
  BeginDestruction();
  if (FCanvas.Handle()) ReleaseDC(Handle(), FCanvas.Handle());
}

QAbstractScrollArea* TOutline::View() const { return static_cast<QAbstractScrollArea*>(Widget()); }

QWidget* TOutline::Client() const { return View()->viewport(); }

void TOutline::UpdateScrollBar() {
  const int shown = ShownRows();
  QScrollBar* bar = View()->verticalScrollBar();
  bar->setRange(0, std::max(0, RowCount() - shown));
  bar->setPageStep(shown);
  bar->setSingleStep(1);
}

int TOutline::ShownRows() const { return std::max(1, Client()->height() / FItemHeight); }

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
  UpdateScrollBar();
  Client()->update();
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
  return TRect{0, top, Client()->width(), top + FItemHeight};
}

int TOutline::GetItem(int X, int Y) const {
  const QWidget* client = Client();
  if (X < 0 || Y < 0 || X >= client->width() || Y >= client->height()) return 0;
  const int row = TopRow() + Y / FItemHeight;
  return row < RowCount() ? FRows[static_cast<std::size_t>(row)]->FIndex : 0;
}

int TOutline::Indent(const TOutlineNode* Node) const {
  return (Node->Level() - 1 + (FOptions.count(ooDrawTreeRoot) ? 1 : 0)) * FItemHeight;
}

int TOutline::TextLeft(const TOutlineNode* Node) const {
  return Indent(Node) + (HasPlusMinus() ? FItemHeight : 0) + (HasPicture() ? FItemHeight : 0);
}

TRect TOutline::ItemTextRect(int Index) const {
  const TOutlineNode* node = Items(Index);
  TRect rect = CellRect(0, RowOf(node));
  if (rect.bottom > rect.top) rect.left += TextLeft(node);
  return rect;
}

void TOutline::SetSelectedItem(int Value) { Select(Value == 0 ? nullptr : Items(Value)); }

void TOutline::Select(TOutlineNode* Node) {
  FSelected = Node;
  if (Node) {
    Node->FParent->SetExpanded(true);
    const int row = RowOf(Node), top = TopRow(), shown = ShownRows();
    if (row < top)
      SetTopRow(row);
    else if (row >= top + shown)
      SetTopRow(row - shown + 1);
  }
  Client()->update();
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
  switch (Message.Msg) {
  case WM_PAINT:
    if (QPainter* painter = DCPainter(reinterpret_cast<HDC>(Message.WParam))) PaintRows(*painter);
    break;
  case WM_SIZE: UpdateScrollBar(); break;
  // The selected item looks different while the outline has the focus.
  case WM_SETFOCUS:
  case WM_KILLFOCUS: Client()->update(); break;
  default: break;
  }
}

// The arrows move the selection, + and - expand and collapse the selected item.
void TOutline::DefaultHandler(TMessage& Message) {
  if (Message.Msg == WM_KEYDOWN) {
    Message.Result = 0;
    switch (Message.WParam) {
    case VK_UP: MoveSelection(-1); return;
    case VK_DOWN: MoveSelection(1); return;
    case VK_ADD:
    case VK_SUBTRACT:
      if (FSelected && FSelected->HasItems()) FSelected->SetExpanded(Message.WParam == VK_ADD);
      return;
    default: break;
    }
  }
  TWinControl::DefaultHandler(Message);
}

void TOutline::SetOutlineStyle(TOutlineStyle Value) {
  if (FOutlineStyle == Value) return;
  FOutlineStyle = Value;
  Client()->update();
}

void TOutline::SetOptions(const TOutlineOptions& Value) {
  if (FOptions == Value) return;
  FOptions = Value;
  Client()->update();
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
