#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QImage>
#include <QKeyEvent>
#include <QWidget>

#include "framework/FormReader.h"
#include "framework/Outline.h"
#include "framework/Registration.h"
#include "framework/StdCtrls.h"
#include "platform/QtWindow.h"
#include "tests/support/PointerInput.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr int RowHeight = 16;

// An outline that shows five whole rows, on a form with a button to take the focus elsewhere.
class OutlineTest : public testing::Test {
protected:
  void SetUp() override {
    RegisterFrameworkClasses();
    Form = new TForm(nullptr);
    Form->SetBounds(0, 0, 400, 300);
    Outline = new TOutline(Form);
    Outline->SetParent(Form);
    Outline->SetBounds(10, 10, 200, 5 * RowHeight + 4);
    Other = new TButton(Form);
    Other->SetParent(Form);
    Other->SetBounds(250, 10, 80, 25);
    Form->Show();
    Settle();
  }
  void TearDown() override { Form->Free(); }

  QWidget* Client() const { return WindowClient(Outline->Handle()); }
  // The indices of the items in the rows now in view, top first.
  std::vector<int> ItemsInView() const {
    std::vector<int> items;
    for (int y = 1; y < Client()->height(); y += RowHeight)
      if (int item = Outline->GetItem(1, y)) items.push_back(item);
    return items;
  }
  void Mouse(QEvent::Type Type, int X, int Y) { Press(Client(), Type, X, Y); }
  void Click(int X, int Y) {
    Mouse(QEvent::MouseButtonPress, X, Y);
    Mouse(QEvent::MouseButtonRelease, X, Y);
  }
  void DoubleClick(int X, int Y) {
    Click(X, Y);
    Mouse(QEvent::MouseButtonDblClick, X, Y);
    Mouse(QEvent::MouseButtonRelease, X, Y);
  }
  void Key(int Key) {
    QKeyEvent e(QEvent::KeyPress, Key, Qt::NoModifier);
    QCoreApplication::sendEvent(Outline->Widget(), &e);
  }
  // A: A1 (A1x), A2; B.
  void AddTree() {
    Outline->Add(0, "A");
    Outline->AddChild(1, "A1");
    Outline->AddChild(2, "A1x");
    Outline->AddChild(1, "A2");
    Outline->Add(0, "B");
  }

  TForm* Form = nullptr;
  TOutline* Outline = nullptr;
  TButton* Other = nullptr;
};

} // namespace

TEST_F(OutlineTest, ItemsAreNumberedInFullyExpandedOrderWhereverTheyAreAdded) {
  EXPECT_EQ(Outline->Add(0, "A"), 1);
  EXPECT_EQ(Outline->Add(1, "B"), 2);
  EXPECT_EQ(Outline->AddChild(2, "B1"), 3);
  EXPECT_EQ(Outline->AddChild(1, "A1"), 2) << "B and B1 move up";
  EXPECT_EQ(Outline->AddChild(2, "A1x"), 3);
  EXPECT_EQ(Outline->Add(2, "A2"), 4) << "a sibling of A1 goes after A1's own items";
  ASSERT_EQ(Outline->ItemCount(), 6);
  const char* texts[] = {"A", "A1", "A1x", "A2", "B", "B1"};
  const int levels[] = {1, 2, 3, 2, 1, 2};
  const int parents[] = {0, 1, 2, 1, 0, 5};
  for (int i = 1; i <= 6; ++i) {
    TOutlineNode* item = Outline->Items(i);
    EXPECT_EQ(item->Text(), texts[i - 1]);
    EXPECT_EQ(item->Index(), i);
    EXPECT_EQ(item->Level(), levels[i - 1]) << texts[i - 1];
    EXPECT_EQ(item->Parent()->Index(), parents[i - 1]) << texts[i - 1];
  }
  TOutlineNode* root = Outline->Items(1)->Parent();
  EXPECT_EQ(root->Level(), 0);
  EXPECT_TRUE(root->Expanded());
  EXPECT_EQ(root->Parent(), nullptr);

  EXPECT_THROW(Outline->Items(0), EOutlineError);
  EXPECT_THROW(Outline->Items(7), EOutlineError);
  EXPECT_THROW(Outline->AddChild(7, "x"), EOutlineError);
  EXPECT_EQ(Outline->ItemCount(), 6) << "nothing added by a bad index";

  Outline->Delete(2); // A1 and A1x
  ASSERT_EQ(Outline->ItemCount(), 4);
  EXPECT_EQ(Outline->Items(2)->Text(), "A2");
  EXPECT_EQ(Outline->Items(3)->Text(), "B");
  Outline->Clear();
  EXPECT_EQ(Outline->ItemCount(), 0);
  EXPECT_EQ(Outline->RowCount(), 0);
}

TEST_F(OutlineTest, AnItemShowsExactlyWhenItsParentIsExpanded) {
  AddTree();
  EXPECT_EQ(ItemsInView(), (std::vector<int>{1, 5})) << "new items are collapsed";

  Outline->Items(3)->SetExpanded(true);
  EXPECT_TRUE(Outline->Items(1)->Expanded()) << "expanding an item expands its ancestors";
  EXPECT_TRUE(Outline->Items(2)->Expanded());
  EXPECT_EQ(ItemsInView(), (std::vector<int>{1, 2, 3, 4, 5}));

  Outline->Items(1)->SetExpanded(false);
  EXPECT_FALSE(Outline->Items(2)->Expanded()) << "collapsing an item collapses its descendants";
  EXPECT_FALSE(Outline->Items(3)->Expanded());
  Outline->Items(1)->SetExpanded(true);
  EXPECT_EQ(ItemsInView(), (std::vector<int>{1, 2, 4, 5})) << "A1 stays collapsed";
  Outline->Items(5)->SetExpanded(true);
  Outline->AddChild(5, "B1");
  Outline->AddChild(2, "A1y");
  EXPECT_EQ(ItemsInView(), (std::vector<int>{1, 2, 5, 6, 7})) << "B1 shows under the expanded B";
  for (int i = 1; i <= Outline->ItemCount(); ++i) {
    const std::vector<int> shown = ItemsInView();
    const bool isShown = std::find(shown.begin(), shown.end(), i) != shown.end();
    EXPECT_EQ(isShown, Outline->Items(i)->Parent()->Expanded()) << "item " << i;
  }
}

TEST_F(OutlineTest, SelectingShowsTheItemAndCollapsingSelectsTheAncestorThatHidesIt) {
  AddTree();
  Outline->SetSelectedItem(3);
  EXPECT_EQ(Outline->SelectedItem(), 3);
  EXPECT_TRUE(Outline->Items(2)->Expanded());
  Outline->Items(1)->SetExpanded(false);
  EXPECT_EQ(Outline->SelectedItem(), 1);
  Outline->AddChild(0, "C");
  Outline->Add(0, "D");
  EXPECT_EQ(Outline->SelectedItem(), 1);
  Outline->SetSelectedItem(5); // B
  Outline->Delete(5);
  EXPECT_EQ(Outline->SelectedItem(), 0) << "a deleted item is no longer selected";
  EXPECT_THROW(Outline->SetSelectedItem(99), EOutlineError);
}

TEST_F(OutlineTest, TheItemAtAPointAndTheCellRectangleFollowTheScrolling) {
  for (int i = 1; i <= 20; ++i)
    Outline->Add(0, "Item " + std::to_string(i));
  Outline->AddChild(1, "hidden"); // item 2, under the collapsed item 1
  const int width = Client()->width();
  EXPECT_EQ(Outline->RowCount(), 20);
  EXPECT_EQ(Outline->GetItem(5, RowHeight + 3), 3) << "the hidden item takes no row";

  Outline->SetTopRow(10);
  EXPECT_EQ(Outline->TopRow(), 10);
  EXPECT_EQ(Outline->GetItem(5, 3), 12);
  EXPECT_EQ(Outline->GetItem(width - 1, 4 * RowHeight + RowHeight - 1), 16);
  const TRect cell = Outline->CellRect(0, 12);
  EXPECT_EQ(cell.left, 0);
  EXPECT_EQ(cell.top, 2 * RowHeight);
  EXPECT_EQ(cell.right, width);
  EXPECT_EQ(cell.bottom, 3 * RowHeight);
  EXPECT_EQ(Outline->CellRect(0, 3).top, -7 * RowHeight) << "a row scrolled out of view lies above";

  const TRect none{};
  for (const TRect& r : {Outline->CellRect(1, 12), Outline->CellRect(0, 20), Outline->CellRect(0, -1)}) {
    EXPECT_EQ(r.left, none.left);
    EXPECT_EQ(r.right, none.right);
    EXPECT_EQ(r.bottom, none.bottom);
  }
  EXPECT_EQ(Outline->GetItem(-1, 3), 0);
  EXPECT_EQ(Outline->GetItem(5, -1), 0);
  EXPECT_EQ(Outline->GetItem(width, 3), 0);

  Outline->SetTopRow(100);
  EXPECT_EQ(Outline->TopRow(), 15) << "the last row stays at the bottom";
  Outline->Items(1)->SetExpanded(true);
  Outline->Clear();
  EXPECT_EQ(Outline->TopRow(), 0);
  Outline->Add(0, "only");
  EXPECT_EQ(Outline->GetItem(5, 3), 1);
  EXPECT_EQ(Outline->GetItem(5, RowHeight + 3), 0) << "below the last row";
}

TEST_F(OutlineTest, APressSelectsADoubleClickOrThePlusMinusBoxExpandsAndCollapses) {
  Outline->SetOutlineStyle(osPlusMinusText);
  Outline->SetOptions({});
  AddTree();
  int clicks = 0, doubleClicks = 0;
  Outline->SetOnClick([&](TObject*) { ++clicks; });
  Outline->SetOnDblClick([&](TObject*) { ++doubleClicks; });
  Other->SetFocus();
  Settle();

  Click(2 * RowHeight, RowHeight / 2); // on A's text
  EXPECT_EQ(Outline->SelectedItem(), 1);
  EXPECT_FALSE(Outline->Items(1)->Expanded());
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(GetFocus(), Outline->Handle());

  Click(RowHeight / 2, RowHeight / 2); // on A's box
  EXPECT_TRUE(Outline->Items(1)->Expanded());
  EXPECT_EQ(ItemsInView(), (std::vector<int>{1, 2, 4, 5}));

  DoubleClick(3 * RowHeight, 3 * RowHeight + 3); // on B, which has no items
  EXPECT_EQ(Outline->SelectedItem(), 5);
  EXPECT_EQ(doubleClicks, 1);
  EXPECT_EQ(Outline->RowCount(), 4);

  DoubleClick(3 * RowHeight, RowHeight + 3); // on A1's text
  EXPECT_TRUE(Outline->Items(2)->Expanded());
  DoubleClick(2 * RowHeight, 3); // on A's text
  EXPECT_FALSE(Outline->Items(1)->Expanded());
  EXPECT_EQ(ItemsInView(), (std::vector<int>{1, 5}));

  Click(2 * RowHeight, 4 * RowHeight); // below the last row
  EXPECT_EQ(Outline->SelectedItem(), 1);
}

TEST_F(OutlineTest, KeysMoveTheSelectionAndExpandAndCollapseTheSelectedItem) {
  AddTree();
  for (int i = 0; i < 8; ++i)
    Outline->Add(0, "more " + std::to_string(i));
  Outline->SetFocus();
  Settle();
  Key(Qt::Key_Down);
  EXPECT_EQ(Outline->SelectedItem(), 1) << "the first row, when nothing was selected";
  Key(Qt::Key_Plus);
  EXPECT_TRUE(Outline->Items(1)->Expanded());
  Key(Qt::Key_Down);
  Key(Qt::Key_Down);
  EXPECT_EQ(Outline->SelectedItem(), 4) << "A1's own item stays hidden";
  Key(Qt::Key_Up);
  Key(Qt::Key_Up);
  Key(Qt::Key_Up);
  EXPECT_EQ(Outline->SelectedItem(), 1) << "the selection stops at the first row";
  Key(Qt::Key_Minus);
  EXPECT_FALSE(Outline->Items(1)->Expanded());

  for (int i = 0; i < 6; ++i)
    Key(Qt::Key_Down);
  EXPECT_EQ(Outline->SelectedItem(), 10);
  EXPECT_EQ(Outline->TopRow(), 2) << "scrolled so that the selected row shows";
  EXPECT_EQ(Outline->GetItem(5, 4 * RowHeight + 3), 10);
}

TEST_F(OutlineTest, TheSelectedItemIsHighlightedOnlyWhileTheOutlineHasTheFocus) {
  AddTree();
  Outline->SetOutlineStyle(osText);
  Outline->SetOptions({});
  Outline->SetSelectedItem(5); // B, in row 1
  auto markColour = [&] { return Client()->grab().toImage().pixelColor(1, RowHeight + 1); };
  const QPalette palette = Outline->Widget()->palette();
  Outline->SetFocus();
  Settle();
  EXPECT_EQ(markColour(), palette.color(QPalette::Active, QPalette::Highlight));
  Other->SetFocus();
  Settle();
  EXPECT_NE(markColour(), palette.color(QPalette::Active, QPalette::Highlight));
  EXPECT_NE(markColour(), palette.color(QPalette::Active, QPalette::Base)) << "still marked as selected";
}

// Each style draws a box, a picture or lines before the text, each one row height wide, so
// that a level-2 text starts so many row heights in.
TEST_F(OutlineTest, EachStyleStartsTheTextWhereItsDecorationsEnd) {
  Outline->Font()->SetColor(clRed);
  Outline->Add(0, "HHH");
  Outline->AddChild(1, "HHH");
  Outline->AddChild(2, "HHH");
  Outline->Items(2)->SetExpanded(true);
  struct TCase {
    TOutlineStyle Style;
    int Steps; // before a level-2 text, without the tree root
    bool Decorated;
  };
  const TCase cases[] = {{osText, 1, false},       {osPlusMinusText, 2, true},
                         {osPictureText, 2, true}, {osPlusMinusPictureText, 3, true},
                         {osTreeText, 1, true},    {osTreePictureText, 2, true}};
  for (const TCase& c : cases) {
    for (bool root : {false, true}) {
      Outline->SetOutlineStyle(c.Style);
      Outline->SetOptions(root ? TOutlineOptions{ooDrawTreeRoot} : TOutlineOptions{});
      const QImage image = Client()->grab().toImage();
      const int top = RowHeight, expected = (c.Steps + (root ? 1 : 0)) * RowHeight;
      int textLeft = -1, marks = 0;
      for (int x = 0; x < image.width() && textLeft < 0; ++x)
        for (int y = top; y < top + RowHeight; ++y) {
          const QColor p = image.pixelColor(x, y);
          if (p.red() > 160 && p.green() < 100 && p.blue() < 100) textLeft = x;
          if (x < expected - 1 && p != image.pixelColor(image.width() - 1, y)) ++marks;
        }
      SCOPED_TRACE(testing::Message() << "style " << c.Style << (root ? " with" : " without") << " the root");
      EXPECT_GE(textLeft, expected);
      EXPECT_LT(textLeft, expected + 3);
      EXPECT_EQ(marks > 0, c.Decorated) << "something drawn before the text";
    }
  }
}

TEST(OutlineDescriptionTest, AFormDescriptionSetsStyleOptionsAndItemHeight) {
  RegisterFrameworkClasses();
  TForm* form = new TForm(nullptr);
  ReadFormDescription(form, R"(object Form1: TForm
  object Outline1: TOutline
    Left = 8
    Top = 8
    Width = 150
    Height = 100
    ItemHeight = 20
    OutlineStyle = osPlusMinusText
    Options = [ooDrawFocusRect]
  end
end
)",
                      "OutlineTest.form");
  auto* outline = dynamic_cast<TOutline*>(form->FindComponent("Outline1"));
  ASSERT_NE(outline, nullptr);
  EXPECT_EQ(outline->ItemHeight(), 20);
  EXPECT_EQ(outline->OutlineStyle(), osPlusMinusText);
  EXPECT_EQ(outline->Options(), TOutlineOptions{ooDrawFocusRect});
  form->Free();
}
