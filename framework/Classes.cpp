#include "framework/Classes.h"

#include <algorithm>

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  BeginDestruction();
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::BeginDestruction() {
  FComponentState.insert(csDestroying);
  DestroyComponents();
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* last = FComponents.back();
    RemoveComponent(last);
    last->Free();
  }
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount()) throw EStringListError("List index out of bounds");
  return FComponents[static_cast<std::size_t>(Index)];
}

TComponent* TComponent::FindComponent(const String& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (c->Name() == AName) return c;
  return nullptr;
}

void TComponent::SetDesigning(bool Value) {
  if (Value)
    FComponentState.insert(csDesigning);
  else
    FComponentState.erase(csDesigning);
}

void TComponent::Loaded() { EndLoading(); }

void TComponent::InsertComponent(TComponent* AComponent) {
  AComponent->FOwner = this;
  FComponents.push_back(AComponent);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  // Components mostly go last first (DestroyComponents).
  auto it = std::find(FComponents.rbegin(), FComponents.rend(), AComponent);
  if (it != FComponents.rend()) FComponents.erase(std::next(it).base());
  AComponent->FOwner = nullptr;
}

// TStrings

void TStrings::Error(const char* Message) { throw EStringListError(Message); }

void TStrings::CheckIndex(int Index, int Limit) const {
  if (Index < 0 || Index >= Limit) Error("List index out of bounds");
}

void TStrings::SetStrings(int Index, const String& S) {
  TObject* obj = Objects(Index);
  Delete(Index);
  InsertObject(Index, S, obj);
}

TObject* TStrings::Objects(int Index) const {
  CheckIndex(Index, Count());
  return nullptr;
}

void TStrings::SetObjects(int Index, TObject*) { CheckIndex(Index, Count()); }

void TStrings::InsertObject(int Index, const String& S, TObject* AObject) {
  Insert(Index, S);
  SetObjects(Index, AObject);
}

int TStrings::Add(const String& S) { return AddObject(S, nullptr); }

int TStrings::AddObject(const String& S, TObject* AObject) {
  int index = Count();
  InsertObject(index, S, AObject);
  return index;
}

int TStrings::IndexOf(const String& S) const {
  for (int i = 0; i < Count(); ++i)
    if (Strings(i) == S) return i;
  return -1;
}

void TStrings::Assign(const TStrings& Source) {
  if (&Source == this) return;
  Clear();
  for (int i = 0; i < Source.Count(); ++i)
    Add(Source.Strings(i));
}

String TStrings::Text() const {
  String result;
  for (int i = 0; i < Count(); ++i) {
    result += Strings(i);
    result += '\n';
  }
  return result;
}

void TStrings::SetText(const String& Value) {
  Clear();
  std::size_t start = 0;
  while (start < Value.size()) {
    std::size_t end = Value.find('\n', start);
    if (end == String::npos) end = Value.size();
    String line = Value.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Add(line);
    start = end + 1;
  }
}

// TStringList

TStringList::~TStringList() { Clear(); }

String TStringList::Strings(int Index) const {
  CheckIndex(Index, Count());
  return FItems[static_cast<std::size_t>(Index)].Str;
}

void TStringList::SetStrings(int Index, const String& S) {
  if (FSorted) Error("Operation not allowed on sorted list");
  CheckIndex(Index, Count());
  FItems[static_cast<std::size_t>(Index)].Str = S;
}

TObject* TStringList::Objects(int Index) const {
  CheckIndex(Index, Count());
  return FItems[static_cast<std::size_t>(Index)].Obj;
}

void TStringList::SetObjects(int Index, TObject* AObject) {
  CheckIndex(Index, Count());
  TObject*& slot = FItems[static_cast<std::size_t>(Index)].Obj;
  if (FOwnsObjects && slot != AObject) delete slot;
  slot = AObject;
}

void TStringList::Insert(int Index, const String& S) { InsertObject(Index, S, nullptr); }

void TStringList::InsertObject(int Index, const String& S, TObject* AObject) {
  if (FSorted) Error("Operation not allowed on sorted list");
  CheckIndex(Index, Count() + 1);
  FItems.insert(FItems.begin() + Index, TItem{S, AObject});
}

void TStringList::Delete(int Index) {
  CheckIndex(Index, Count());
  if (FOwnsObjects) delete FItems[static_cast<std::size_t>(Index)].Obj;
  FItems.erase(FItems.begin() + Index);
}

void TStringList::Clear() {
  if (FOwnsObjects)
    for (TItem& item : FItems)
      delete item.Obj;
  FItems.clear();
}

int TStringList::AddObject(const String& S, TObject* AObject) {
  if (!FSorted) {
    FItems.push_back(TItem{S, AObject});
    return Count() - 1;
  }
  int index;
  if (Find(S, index)) {
    if (FDuplicates == dupIgnore) {
      // The entry kept is the one already there; an object handed over with the new one goes.
      if (FOwnsObjects && AObject != FItems[static_cast<std::size_t>(index)].Obj) delete AObject;
      return index;
    }
    if (FDuplicates == dupError) Error("String list does not allow duplicates");
  }
  FItems.insert(FItems.begin() + index, TItem{S, AObject});
  return index;
}

int TStringList::IndexOf(const String& S) const {
  if (!FSorted) return TStrings::IndexOf(S);
  int index;
  return Find(S, index) ? index : -1;
}

int TStringList::CompareStrings(const String& A, const String& B) const {
  if (FCompare) return FCompare(A, B);
  return A.compare(B);
}

bool TStringList::Find(const String& S, int& Index) const {
  // Binary search for the first entry not less than S.
  int low = 0, high = Count() - 1;
  bool found = false;
  while (low <= high) {
    int mid = low + (high - low) / 2;
    int c = CompareStrings(FItems[static_cast<std::size_t>(mid)].Str, S);
    if (c < 0) {
      low = mid + 1;
    } else {
      high = mid - 1;
      if (c == 0) found = true;
    }
  }
  Index = low;
  return found;
}

void TStringList::SetSorted(bool Value) {
  if (FSorted == Value) return;
  if (Value) Sort();
  FSorted = Value;
}

void TStringList::SetCompare(TStringListCompare Compare) {
  FCompare = std::move(Compare);
  if (FSorted) Sort();
}

void TStringList::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(),
                   [this](const TItem& a, const TItem& b) { return CompareStrings(a.Str, b.Str) < 0; });
}
