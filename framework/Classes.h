#pragma once
// Components with ownership, events, and lists of strings.

#include <cstdint>
#include <functional>
#include <set>
#include <vector>

#include "framework/SysUtils.h"
#include "framework/System.h"

class TPersistent : public TObject {};

enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = std::set<TShiftStateFlag>;

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, std::int32_t X, std::int32_t Y)>;

enum TComponentStateFlag { csLoading, csDesigning, csDestroying };
using TComponentState = std::set<TComponentStateFlag>;

// A component belongs to its owner, which frees it; it has a name unique among its owner's components.
class TComponent : public TPersistent {
public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const;
  TComponent* FindComponent(const String& AName) const;

  const String& Name() const { return FName; }
  void SetName(const String& Value) { FName = Value; }

  bool IsLoading() const { return FComponentState.count(csLoading) != 0; }
  bool IsDesigning() const { return FComponentState.count(csDesigning) != 0; }
  bool IsDestroying() const { return FComponentState.count(csDestroying) != 0; }
  void SetDesigning(bool Value);

  // Called once the whole description of the form holding the component has been read.
  virtual void Loaded();
  // The reader hands each component the one its description stands in (a control's parent).
  virtual void SetParentComponent(TComponent*) {}

  // Frees every owned component, the last one first.
  void DestroyComponents();

  // The form reader marks components while it writes their properties.
  void BeginLoading() { FComponentState.insert(csLoading); }
  void EndLoading() { FComponentState.erase(csLoading); }

protected:
  // Runs at the start of the destruction of a component that owns native windows, so that
  // owned components go before the window they live in.
  void BeginDestruction();

private:
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);

  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
  String FName;
  TComponentState FComponentState;
};

// An ordered list of strings, each with an optional object.
class TStrings : public TPersistent {
public:
  virtual int Count() const = 0;
  virtual String Strings(int Index) const = 0;
  virtual void SetStrings(int Index, const String& S);
  virtual TObject* Objects(int Index) const;
  virtual void SetObjects(int Index, TObject* AObject);
  virtual void Insert(int Index, const String& S) = 0;
  virtual void InsertObject(int Index, const String& S, TObject* AObject);
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;
  virtual int Add(const String& S);
  virtual int AddObject(const String& S, TObject* AObject);
  virtual int IndexOf(const String& S) const;
  void Assign(const TStrings& Source);

  // The strings joined, each followed by a line break.
  String Text() const;
  void SetText(const String& Value);

protected:
  [[noreturn]] static void Error(const char* Message);
  void CheckIndex(int Index, int Limit) const;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

// Compares two strings: negative, zero or positive.
using TStringListCompare = std::function<int(const String& A, const String& B)>;

class TStringList : public TStrings {
public:
  TStringList() = default;
  ~TStringList() override;

  int Count() const override { return static_cast<int>(FItems.size()); }
  String Strings(int Index) const override;
  void SetStrings(int Index, const String& S) override;
  TObject* Objects(int Index) const override;
  void SetObjects(int Index, TObject* AObject) override;
  void Insert(int Index, const String& S) override;
  void InsertObject(int Index, const String& S, TObject* AObject) override;
  void Delete(int Index) override;
  void Clear() override;
  int AddObject(const String& S, TObject* AObject) override;
  int IndexOf(const String& S) const override;

  // In a sorted list: true when S is present, Index is where it is or would be inserted.
  bool Find(const String& S, int& Index) const;

  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
  // The order of a sorted list; the default compares byte by byte.
  void SetCompare(TStringListCompare Compare);
  // The list frees its objects when they are deleted or the list goes.
  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

private:
  struct TItem {
    String Str;
    TObject* Obj;
  };
  int CompareStrings(const String& A, const String& B) const;
  void Sort();

  std::vector<TItem> FItems;
  bool FSorted = false;
  TDuplicates FDuplicates = dupIgnore;
  TStringListCompare FCompare;
  bool FOwnsObjects = false;
};
