#include "framework/Menus.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QProxyStyle>
#include <algorithm>

#include "framework/Controls.h"
#include "framework/QtConvert.h"
#include "framework/TypInfo.h"
#include "platform/QtWindow.h"

namespace {

// Lets disabled items be highlighted like the others, so that their hints show too, and
// makes a menu taller than the screen one column with scroll arrows: a menu of thousands of
// items would otherwise spread over more columns than fit beside each other.
class TMenuStyle : public QProxyStyle {
public:
  int styleHint(StyleHint Hint, const QStyleOption* Option, const QWidget* Widget,
                QStyleHintReturn* Return) const override {
    if (Hint == SH_Menu_AllowActiveAndDisabled || Hint == SH_Menu_Scrollable) return 1;
    return QProxyStyle::styleHint(Hint, Option, Widget, Return);
  }
};

QStyle* MenuStyle() {
  static auto* style = new TMenuStyle;
  return style;
}

std::function<void(const String&)>& HintTarget() {
  static std::function<void(const String&)> target;
  return target;
}

void ShowHint(const String& Hint) {
  if (HintTarget()) HintTarget()(Hint);
}

// What a menu shows of a caption: at most this many characters and an ellipsis. A caption
// thousands of characters long would make its menu as wide and slow to measure.
constexpr qsizetype MaxShownCaption = 100;

QString ShownCaption(const String& Caption) {
  QString text = ToQString(Caption);
  if (text.size() <= MaxShownCaption) return text;
  text.truncate(MaxShownCaption);
  if (text.back().isHighSurrogate()) text.chop(1);
  return text + QChar(0x2026);
}

} // namespace

void SetMenuHintTarget(std::function<void(const String&)> Target) { HintTarget() = std::move(Target); }

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), FAction(new QAction(nullptr)) {
  ConnectGuarded(FAction, &QAction::triggered, [this](bool) { Click(); });
  ConnectGuarded(FAction, &QAction::hovered, [this] { ShowHint(GetLongHint(FHint)); });
}

TMenuItem::~TMenuItem() {
  // The menu goes first, so that the items do not leave it one by one: each leaving searches
  // all of it, which adds up for a menu of thousands.
  delete FMenu;
  FMenu = nullptr;
  FreeObjectInstance(FMenuProc);
  BeginDestruction();
  while (!FItems.empty())
    Remove(FItems.back());
  if (FParent) FParent->Remove(this);
  delete FAction;
}

void TMenuItem::SetCaption(const String& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  FAction->setSeparator(IsLine());
  // A separator is a line only; the style would write the "-" beside it.
  FAction->setText(IsLine() ? QString() : ShownCaption(Value));
}

void TMenuItem::SetShortCut(const String& Value) {
  if (FShortCut == Value) return;
  FShortCut = Value;
  FAction->setShortcut(QKeySequence::fromString(ToQString(Value), QKeySequence::PortableText));
}

void TMenuItem::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  FAction->setEnabled(Value);
}

void TMenuItem::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  FAction->setVisible(Value);
  if (TMainMenu* menu = MainMenu(); menu && menu->OnChange()) menu->OnChange()();
}

void TMenuItem::SetGroupIndex(int Value) {
  if (FGroupIndex == Value) return;
  FGroupIndex = Value;
  if (TMainMenu* menu = MainMenu(); menu && menu->OnChange()) menu->OnChange()();
}

TMenuItem* TMenuItem::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EStringListError("List index out of bounds");
  return FItems[static_cast<std::size_t>(Index)];
}

QMenu* TMenuItem::Menu() {
  ShowItems();
  return MenuWidget();
}

QAction* TMenuItem::MenuAction() { return MenuWidget()->menuAction(); }

QMenu* TMenuItem::MenuWidget() {
  if (!FMenu) {
    // The menu takes the place of the plain action, which keeps the item's caption and state.
    if (FParent && FParent->FMenu) FParent->ShowItems();
    FMenu = new QMenu;
    FMenu->setTitle(FAction->text());
    FMenu->menuAction()->setEnabled(FEnabled);
    FMenu->menuAction()->setVisible(FVisible);
    QObject::connect(FAction, &QAction::changed, FMenu, [this] {
      FMenu->setTitle(FAction->text());
      FMenu->menuAction()->setEnabled(FAction->isEnabled());
      FMenu->menuAction()->setVisible(FAction->isVisible());
    });
    // A menu that opens shows its own hint until an item in it is highlighted.
    ConnectGuarded(FMenu, &QMenu::aboutToShow, [this] {
      ShowItems();
      ShowHint(GetLongHint(FHint));
      Click();
    });
    // An entry that is not an item of the program's own (a window in the window list) has
    // no hint.
    ConnectGuarded(FMenu, &QMenu::hovered, [this](QAction* Action) {
      for (TMenuItem* item : FItems)
        if (item->FAction == Action || (item->FMenu && item->FMenu->menuAction() == Action)) return;
      ShowHint("");
    });
    FMenu->setStyle(MenuStyle());
    // Pointing at a part of the menu with no item, such as a separator, leaves no hint behind.
    FMenuProc = MakeWindowProc([Menu = FMenu](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      if (m == WM_MOUSEMOVE) {
        QAction* at = Menu->actionAt(QPoint(GET_X_LPARAM(l), GET_Y_LPARAM(l)));
        if (!at || at->isSeparator()) ShowHint("");
      }
      return DefWindowProcA(h, m, w, l);
    });
    SetWindowLongA(CreateWindowHandle(FMenu), GWL_WNDPROC, reinterpret_cast<LONG_PTR>(FMenuProc));
    // A menu that closes leaves no hint behind.
    ConnectGuarded(FMenu, &QMenu::aboutToHide, [] { ShowHint(""); });
    if (FParent && FParent->FMenu) {
      FParent->FMenu->insertAction(FAction, FMenu->menuAction());
      FParent->FMenu->removeAction(FAction);
    }
    if (TMainMenu* menu = MainMenu(); menu && FParent == menu->Items() && menu->OnChange()) menu->OnChange()();
  }
  return FMenu;
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (Index < 0 || Index > Count()) throw EStringListError("List index out of bounds");
  if (Item->FParent) Item->FParent->Remove(Item);
  Item->FParent = this;
  if (FMenuOwner && FMenuOwner->Items() == this) {
    FItems.insert(FItems.begin() + Index, Item);
    if (FMenuOwner->OnChange()) FMenuOwner->OnChange()();
    return;
  }
  QMenu* menu = MenuWidget();
  ShowItems();
  FItems.insert(FItems.begin() + Index, Item);
  QAction* before = Index + 1 < Count() ? FItems[static_cast<std::size_t>(Index) + 1]->Action() : nullptr;
  QAction* entry = Item->FMenu ? Item->FMenu->menuAction() : Item->FAction;
  menu->insertAction(before, entry);
}

void TMenuItem::Add(const std::vector<TMenuItem*>& Items) {
  if (FMenuOwner && FMenuOwner->Items() == this) {
    for (TMenuItem* item : Items)
      Add(item);
    return;
  }
  QMenu* menu = MenuWidget();
  for (TMenuItem* item : Items) {
    if (item->FParent) item->FParent->Remove(item);
    item->FParent = this;
    FItems.push_back(item);
    ++FUnshown;
  }
  if (menu->isVisible()) ShowItems();
}

void TMenuItem::ShowItems() {
  if (FUnshown == 0) return;
  // Last first, each before the one after it: Qt finds that place near the start of the
  // items put in, not at the end of the menu.
  QAction* before = nullptr;
  for (std::size_t i = FItems.size(); i-- > FItems.size() - FUnshown;) {
    TMenuItem* item = FItems[i];
    QAction* entry = item->FMenu ? item->FMenu->menuAction() : item->FAction;
    FMenu->insertAction(before, entry);
    before = entry;
  }
  FUnshown = 0;
}

void TMenuItem::Remove(TMenuItem* Item) {
  // Items mostly go last first.
  auto it = std::find(FItems.rbegin(), FItems.rend(), Item);
  if (it == FItems.rend()) return;
  const bool unshown = static_cast<std::size_t>(it - FItems.rbegin()) < FUnshown;
  FItems.erase(std::next(it).base());
  Item->FParent = nullptr;
  if (unshown) {
    --FUnshown;
  } else if (FMenu) {
    FMenu->removeAction(Item->FAction);
    if (Item->FMenu) FMenu->removeAction(Item->FMenu->menuAction());
  }
  if (FMenuOwner && FMenuOwner->Items() == this && FMenuOwner->OnChange()) FMenuOwner->OnChange()();
}

void TMenuItem::Click() {
  if (FEnabled && FOnClick) FOnClick(this);
}

TMainMenu* TMenuItem::MainMenu() const {
  const TMenuItem* top = this;
  while (top->FParent)
    top = top->FParent;
  return top->FMenuOwner;
}

void TMenuItem::SetParentComponent(TComponent* Value) {
  if (auto* item = dynamic_cast<TMenuItem*>(Value)) {
    item->Add(this);
  } else if (auto* menu = dynamic_cast<TMainMenu*>(Value)) {
    menu->Items()->Add(this);
  }
}

TMainMenu::TMainMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(nullptr)) {
  FItems->FMenuOwner = this;
}

TMainMenu::~TMainMenu() {
  BeginDestruction();
  delete FItems;
}

void TMainMenu::SetParentComponent(TComponent*) {}

void RegisterMenusClasses() {
  static const bool done = [] {
    RegisterComponentClasses();
    TClassRegistration<TMenuItem>("TMenuItem", "TComponent")
        .Property("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption)
        .Property("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled, true)
        .Property("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex, 0)
        .Property("Hint", &TMenuItem::Hint, &TMenuItem::SetHint)
        .Property("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut)
        .Property("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible, true)
        .Property("OnClick", &TMenuItem::OnClick, &TMenuItem::SetOnClick);
    TClassRegistration<TMainMenu>("TMainMenu", "TComponent");
    return true;
  }();
  (void)done;
}
