#pragma once
// Menus: a form's main menu, its items, and items made at run time.

#include <functional>
#include <vector>

#include "framework/Classes.h"
#include "platform/Windows.h"

class QAction;
class QMenu;
class TMainMenu;

class TMenuItem : public TComponent {
public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  // With its & accelerator; "-" makes a separator.
  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  const String& Hint() const { return FHint; }
  void SetHint(const String& Value) { FHint = Value; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  // The key that chooses the item while its menu is in the window's menu bar, shown beside its
  // caption: Qt's portable text of a key sequence ("Ctrl+O", "Shift+F3"); empty for none.
  const String& ShortCut() const { return FShortCut; }
  void SetShortCut(const String& Value);
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int Value);
  TNotifyEvent OnClick() const { return FOnClick; }
  void SetOnClick(TNotifyEvent Value) { FOnClick = std::move(Value); }

  int Count() const { return static_cast<int>(FItems.size()); }
  TMenuItem* Items(int Index) const;
  TMenuItem* Parent() const { return FParent; }
  void Add(TMenuItem* Item);
  // Adds Items at the end, in their order; a menu that is closed gets them as it opens, all at
  // once, as a menu of thousands of entries, a file's sections, needs.
  void Add(const std::vector<TMenuItem*>& Items);
  void Insert(int Index, TMenuItem* Item);
  void Remove(TMenuItem* Item);
  bool IsLine() const { return FCaption == "-"; }

  // Fires OnClick; an item with items of its own fires it also as its menu opens, so that it
  // can set their states first.
  virtual void Click();

  // The action that stands for the item in a menu; items with items of their own have a menu.
  QAction* Action() const { return FAction; }
  // The menu with all the item's entries in it.
  QMenu* Menu();
  // The action that stands for the item's menu in a menu bar or another menu.
  QAction* MenuAction();

  void SetParentComponent(TComponent* Value) override;

  // Called when an item's set of top-level entries changes, so a merged menu bar rebuilds.
  TMainMenu* MainMenu() const;

private:
  String FCaption;
  String FHint;
  String FShortCut;
  bool FEnabled = true;
  bool FVisible = true;
  int FGroupIndex = 0;
  TNotifyEvent FOnClick;
  TMenuItem* FParent = nullptr;
  TMainMenu* FMenuOwner = nullptr;
  std::vector<TMenuItem*> FItems;
  QAction* FAction;
  QMenu* FMenu = nullptr;
  // The menu's window procedure, while it has a menu.
  WNDPROC FMenuProc = nullptr;
  // The last this many items are not in the menu yet. Qt searches the whole menu for each
  // action put in: thousands put in one by one, as a file's sections are found, took a quarter
  // of a second.
  std::size_t FUnshown = 0;

  QMenu* MenuWidget();
  void ShowItems();
  friend class TMainMenu;
};

class TMainMenu : public TComponent {
public:
  explicit TMainMenu(TComponent* AOwner);
  ~TMainMenu() override;
  // The invisible root whose items are the menu bar's entries.
  TMenuItem* Items() const { return FItems; }
  void SetParentComponent(TComponent* Value) override;

  // Told when an item of the menu changes its visibility or group index, and when a
  // top-level entry is added, removed or gets items of its own: the menu bar is built anew.
  const std::function<void()>& OnChange() const { return FOnChange; }
  void SetOnChange(std::function<void()> Value) { FOnChange = std::move(Value); }

private:
  TMenuItem* FItems;
  std::function<void()> FOnChange;
};

// Where the menus' hints go: the application shows them, and sets this while it exists.
void SetMenuHintTarget(std::function<void(const String&)> Target);

void RegisterMenusClasses();
