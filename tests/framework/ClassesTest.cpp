#include <gtest/gtest.h>

#include "framework/Classes.h"

namespace {

// Notes its own destruction.
class TTracked : public TComponent {
public:
  TTracked(TComponent* AOwner, std::vector<String>& Log, String Tag)
      : TComponent(AOwner), FLog(Log), FTag(std::move(Tag)) {}
  ~TTracked() override { FLog.push_back(FTag); }

private:
  std::vector<String>& FLog;
  String FTag;
};

int CaseBlind(const String& A, const String& B) {
  auto lower = [](String s) {
    for (char& c : s)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  return lower(A).compare(lower(B));
}

} // namespace

TEST(ComponentTest, OwnerFreesWhatItOwnsLastFirstAndForgetsWhatGoesEarlier) {
  std::vector<String> log;
  auto* owner = new TTracked(nullptr, log, "owner");
  auto* a = new TTracked(owner, log, "a");
  auto* b = new TTracked(owner, log, "b");
  new TTracked(b, log, "b.child");
  auto* c = new TTracked(owner, log, "c");
  a->SetName("A");
  c->SetName("C");
  EXPECT_EQ(owner->ComponentCount(), 3);
  EXPECT_EQ(owner->FindComponent("C"), c);
  EXPECT_EQ(owner->FindComponent("c"), nullptr);
  EXPECT_EQ(owner->FindComponent(""), nullptr);

  delete a; // an owned component freed early leaves its owner's list
  EXPECT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(owner->Components(0), b);
  EXPECT_THROW(owner->Components(2), EStringListError);

  delete owner;
  // The owner's own destructor runs first, then its components go, the last one first.
  EXPECT_EQ(log, (std::vector<String>{"a", "owner", "c", "b", "b.child"}));
}

TEST(ComponentTest, DestroyingStateIsSetWhileOwnedComponentsGo) {
  struct TProbe : TComponent {
    using TComponent::TComponent;
    bool* OwnerDestroying = nullptr;
    ~TProbe() override { *OwnerDestroying = Owner() == nullptr; }
  };
  auto* owner = new TComponent(nullptr);
  auto* probe = new TProbe(owner);
  bool ownerGone = false;
  probe->OwnerDestroying = &ownerGone;
  EXPECT_FALSE(owner->IsDestroying());
  delete owner;
  EXPECT_TRUE(ownerGone);
}

TEST(StringListTest, IndexesOutsideTheListRaiseListIndexOutOfBounds) {
  TStringList list;
  list.Add("one");
  list.Insert(0, "zero");
  list.Insert(2, "two");
  EXPECT_EQ(list.Text(), "zero\none\ntwo\n");
  for (auto bad : {-1, 3}) {
    try {
      list.Strings(bad);
      FAIL() << "no error for " << bad;
    } catch (const EStringListError& e) {
      EXPECT_EQ(e.Message(), "List index out of bounds");
    }
  }
  EXPECT_THROW(list.Delete(3), EStringListError);
  EXPECT_THROW(list.Insert(5, "x"), EStringListError);
  list.Delete(1);
  EXPECT_EQ(list.IndexOf("two"), 1);
  EXPECT_EQ(list.IndexOf("one"), -1);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_THROW(list.Strings(0), EStringListError);
}

TEST(StringListTest, SortedListKeepsOrderOfItsComparisonAndIgnoresDuplicates) {
  TStringList list;
  list.SetCompare(CaseBlind);
  list.SetSorted(true);
  for (const char* s : {"b.ini", "A.ini", "c.INI", "B.INI", "a.ini"})
    list.Add(s);
  // "B.INI" and "a.ini" compare equal to entries already there and are not added again.
  EXPECT_EQ(list.Text(), "A.ini\nb.ini\nc.INI\n");
  int index = -1;
  EXPECT_TRUE(list.Find("C.ini", index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(list.Find("bb", index));
  EXPECT_EQ(index, 2);
  EXPECT_EQ(list.Add("B.ini"), 1); // the index of the entry kept
  EXPECT_THROW(list.Insert(0, "x"), EStringListError);

  list.SetDuplicates(dupAccept);
  list.Add("a.INI");
  EXPECT_EQ(list.Count(), 4);
  list.SetDuplicates(dupError);
  EXPECT_THROW(list.Add("A.INI"), EStringListError);
}

TEST(StringListTest, OwnedObjectsAreFreedWithTheirEntries) {
  struct TCounted : TObject {
    explicit TCounted(int& N) : Count(N) { ++Count; }
    ~TCounted() override { --Count; }
    int& Count;
  };
  int alive = 0;
  {
    TStringList list;
    list.SetOwnsObjects(true);
    list.AddObject("a", new TCounted(alive));
    list.AddObject("b", new TCounted(alive));
    list.AddObject("c", new TCounted(alive));
    list.Delete(0);
    EXPECT_EQ(alive, 2);
    list.SetObjects(0, new TCounted(alive));
    EXPECT_EQ(alive, 2);
    TStringList sorted;
    sorted.SetOwnsObjects(true);
    sorted.SetSorted(true);
    sorted.AddObject("x", new TCounted(alive));
    sorted.AddObject("x", new TCounted(alive)); // ignored as a duplicate, and its object with it
    EXPECT_EQ(alive, 3);
  }
  EXPECT_EQ(alive, 0);
}
