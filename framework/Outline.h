#pragma once
// The outline: a tree of text items shown one per row, indented by level, whose items the user
// expands and collapses. The framework draws it as a grid of one column and a row per shown item.

#include <memory>
#include <set>
#include <vector>

#include "framework/Bitmaps.h"
#include "framework/Controls.h"

class QAbstractScrollArea;
class QPainter;
class QRect;
class TOutline;

// An item index that names no item of the outline.
class EOutlineError : public Exception {
public:
  using Exception::Exception;
};

// What a row shows before the item's text: nothing, a plus/minus box for items with children,
// a picture (a folder for items with children, a leaf for the others), or tree lines.
enum TOutlineStyle { osText, osPlusMinusText, osPictureText, osPlusMinusPictureText, osTreeText, osTreePictureText };
// ooDrawTreeRoot: the top-level items hang from a root of their own, one step further in.
// ooDrawFocusRect: a dotted frame marks the selected item while the outline has the focus.
enum TOutlineOption { ooDrawTreeRoot, ooDrawFocusRect };
using TOutlineOptions = std::set<TOutlineOption>;

// An item of an outline, or the outline's invisible root, the parent of its top-level items.
class TOutlineNode {
public:
  TOutlineNode(const TOutlineNode&) = delete;
  TOutlineNode& operator=(const TOutlineNode&) = delete;

  const String& Text() const { return FText; }
  void SetText(const String& Value);
  // The item's number among all items, shown or hidden, counted from 1 in the order in which
  // they show with everything expanded; 0 for the root.
  int Index() const;
  // The number of its ancestors, the root counted: 1 for a top-level item, 0 for the root.
  int Level() const { return FLevel; }
  // The root for a top-level item; none for the root.
  TOutlineNode* Parent() const { return FParent; }
  bool HasItems() const { return !FChildren.empty(); }
  // An expanded item shows its children. Expanding an item expands its ancestors and collapsing
  // one collapses its descendants, so an item shows exactly when its parent is expanded. The
  // root is always expanded.
  bool Expanded() const { return FExpanded; }
  void SetExpanded(bool Value);

private:
  friend class TOutline;
  TOutlineNode(TOutline* Outline, TOutlineNode* Parent, String Text);
  bool IsLastChild() const { return FParent && FParent->FChildren.back().get() == this; }
  bool IsAncestorOf(const TOutlineNode* Node) const;

  TOutline* FOutline;
  TOutlineNode* FParent;
  String FText;
  int FLevel;
  bool FExpanded;
  // Kept up to date by the outline whenever an item is added or deleted.
  mutable int FIndex = 0;
  std::vector<std::unique_ptr<TOutlineNode>> FChildren;
};

class TOutline : public TWinControl {
public:
  explicit TOutline(TComponent* AOwner);
  ~TOutline() override;

  // Adds an item after the last child of item Index's parent, or a top-level item for Index 0,
  // and returns the new item's index. The items after it move up by one.
  int Add(int Index, const String& Text);
  // Adds an item after the last child of item Index (0: a top-level item) and returns its index.
  int AddChild(int Index, const String& Text);
  // Removes item Index and the items below it.
  void Delete(int Index);
  void Clear();
  int ItemCount() const;
  // Item Index, from 1 to ItemCount; any other index raises EOutlineError.
  TOutlineNode* Items(int Index) const;

  // The selected item, 0 for none. Selecting an item expands its ancestors and scrolls it into
  // view; collapsing an ancestor of the selected item selects that ancestor.
  int SelectedItem() const { return FSelected ? FSelected->Index() : 0; }
  void SetSelectedItem(int Value);

  TOutlineStyle OutlineStyle() const { return FOutlineStyle; }
  void SetOutlineStyle(TOutlineStyle Value);
  const TOutlineOptions& Options() const { return FOptions; }
  void SetOptions(const TOutlineOptions& Value);
  // The height of a row in pixels, also the width of a step of indentation, a plus/minus box
  // and a picture.
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int Value);

  // The shown items as rows of a grid, row 0 first.
  int RowCount() const;
  // The row at the top of the client area; scrolling moves it.
  int TopRow() const;
  void SetTopRow(int Value);
  // The rectangle of a cell in client coordinates as currently scrolled, also for a row
  // scrolled out of view; empty for a cell the grid does not have (the only column is 0).
  TRect CellRect(int ACol, int ARow) const;
  // The index of the item shown at a point of the client area; 0 when there is none.
  int GetItem(int X, int Y) const;
  // Where item Index's text is drawn: its row's cell from the left of the text on; empty for
  // an item that does not show.
  TRect ItemTextRect(int Index) const;

  // A canvas on the outline's window, for measuring its items' texts.
  TCanvas* Canvas();

  void WndProc(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

private:
  friend class TOutlineNode;
  // The root for 0, else Items(Index).
  TOutlineNode* Node(int Index);
  int Insert(TOutlineNode* Parent, const String& Text);
  // Renumbers the items and finds the shown ones, if an item was added, deleted, expanded or
  // collapsed since the last time.
  void Update() const;
  // After items were added, deleted, expanded or collapsed: they are numbered and found anew
  // when next asked for.
  void ItemsChanged();
  // Fits the scroll bar to the rows and draws them again.
  void ShowRows();
  void Collapsed(TOutlineNode* Node);
  // The row an item shows in; -1 for a hidden item.
  int RowOf(const TOutlineNode* Node) const;
  // The distance from the left of its cell at which an item's row starts to show more than
  // tree lines.
  int Indent(const TOutlineNode* Node) const;
  // The distance from the left of its cell at which an item's text starts.
  int TextLeft(const TOutlineNode* Node) const;
  bool HasPlusMinus() const { return FOutlineStyle == osPlusMinusText || FOutlineStyle == osPlusMinusPictureText; }
  bool HasPicture() const {
    return FOutlineStyle == osPictureText || FOutlineStyle == osPlusMinusPictureText ||
           FOutlineStyle == osTreePictureText;
  }
  bool HasTreeLines() const { return FOutlineStyle == osTreeText || FOutlineStyle == osTreePictureText; }
  void Select(TOutlineNode* Node);
  // Moves the selection Delta rows down (up for a negative Delta), staying within the rows.
  void MoveSelection(int Delta);
  // A press of the left button: selects the item there; a double-click, or a press on the
  // plus/minus box, expands or collapses it.
  void Press(int X, int Y, bool Double);
  QAbstractScrollArea* View() const;
  QWidget* Client() const;
  // Fits the scroll bar to the rows and to the number of whole rows the client area shows.
  void UpdateScrollBar();
  // The number of rows the client area shows whole, at least one.
  int ShownRows() const;
  // Draws the rows shown in the client area (in OutlineView.cpp).
  void PaintRows(QPainter& Painter) const;
  void PaintRow(QPainter& Painter, const TOutlineNode* Node, const QRect& Cell) const;
  void PaintTreeLines(QPainter& Painter, const TOutlineNode* Node, const QRect& Cell) const;

  TOutlineNode FRoot;
  mutable std::vector<TOutlineNode*> FItems;
  mutable std::vector<TOutlineNode*> FRows;
  mutable bool FChanged = false;
  TOutlineNode* FSelected = nullptr;
  TOutlineStyle FOutlineStyle = osTreePictureText;
  TOutlineOptions FOptions{ooDrawTreeRoot, ooDrawFocusRect};
  int FItemHeight = 16;
  TCanvas FCanvas;
};

void RegisterOutlineClasses();
