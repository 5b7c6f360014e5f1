#include <gtest/gtest.h>

#include <QListView>

#include "framework/Registration.h"
#include "framework/StdCtrls.h"
#include "tests/support/TestSupport.h"

namespace {

int ShownRows(TListBox& Box) { return static_cast<QListView*>(Box.Widget())->model()->rowCount(); }

} // namespace

TEST(ListBoxTest, EntriesAddedInABurstReachTheViewTogether) {
  RegisterFrameworkClasses();
  TListBox box(nullptr);
  box.SetBounds(0, 0, 100, 100);
  box.Widget()->show();
  for (int i = 0; i < 500; ++i)
    box.Items()->Add("entry " + std::to_string(i));
  // The list holds them at once; the view learns of them at the next frame.
  EXPECT_EQ(box.Items()->Count(), 500);
  EXPECT_EQ(box.Items()->Strings(499), "entry 499");
  EXPECT_EQ(ShownRows(box), 0);
  WaitUntil([&] { return ShownRows(box) != 0; });
  EXPECT_EQ(ShownRows(box), 500);

  // Anything that asks the view about entries sees every one of them.
  box.Items()->Add("late");
  box.SetItemIndex(500);
  EXPECT_EQ(box.ItemIndex(), 500);
  EXPECT_EQ(ShownRows(box), 501);
  box.Items()->Insert(0, "first");
  box.Items()->Delete(1);
  EXPECT_EQ(box.Items()->Strings(0), "first");
  EXPECT_EQ(box.Items()->Count(), 501);
  box.Items()->Clear();
  EXPECT_EQ(ShownRows(box), 0);
  EXPECT_EQ(box.ItemIndex(), -1);
  EXPECT_THROW(box.Items()->Strings(0), EStringListError);
}
