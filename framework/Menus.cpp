#include "framework/Menus.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QProxyStyle>
#include <algorithm>

#include "framework/Forms.h"
#include "framework/TypInfo.h"
#include "platform/QtWindow.h"

namespace {

// Lets disabled items be highlighted like the others, so that their hints show too.
class TMenuStyle : public QProxyStyle {
public:
  int styleHint(StyleHint Hint, const QStyleOption* Option, const QWidget* Widget,
                QStyleHintReturn* Return) const override {
    if (Hint == SH_Menu_AllowActiveAndDisabled) return 1;
    return QProxyStyle::styleHint(Hint, Option, Widget, Return);
  }
};

QStyle* MenuStyle() {
  static auto* style = new TMenuStyle;
  return style;
}

// Pointing at a part of a menu with no item, such as a separator, leaves no hint behind.
class THintClearer : public QObject {
public:
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    if (Event->type() == QEvent::MouseMove) {
      auto* menu = static_cast<QMenu*>(Watched);
      QAction* at = menu->actionAt(static_cast<QMouseEvent*>(Event)->position().toPoint());
      if (!at || at->isSeparator())
        CallGuarded([] {
          if (Application) Application->SetHint("");
        });
    }
    return false;
  }
};

QObject* HintClearer() {
  static auto* clearer = new THintClearer;
  return clearer;
}

} // namespace

String GetLongHint(const String& Hint) {
  std::size_t bar = Hint.find('|');
  return bar == String::npos ? Hint : Hint.substr(bar + 1);
}

String GetShortHint(const String& Hint) { return Hint.substr(0, Hint.find('|')); }

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), FAction(new QAction(nullptr)) {
  ConnectGuarded(FAction, &QAction::triggered, [this](bool) { Click(); });
  ConnectGuarded(FAction, &QAction::hovered, [this] {
    if (Application) Application->SetHint(GetLongHint(FHint));
  });
}

TMenuItem::~TMenuItem() {
  BeginDestruction();
  while (!FItems.empty())
    Remove(FItems.back());
  if (FParent) FParent->Remove(this);
  delete FMenu;
  delete FAction;
}

void TMenuItem::SetCaption(const String& Value) {
  FCaption = Value;
  FAction->setSeparator(IsLine());
  FAction->setText(QString::fromStdString(Value));
}

void TMenuItem::SetEnabled(bool Value) {
  FEnabled = Value;
  FAction->setEnabled(Value);
}

void TMenuItem::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  FAction->setVisible(Value);
  if (TMainMenu* menu = MainMenu(); menu && menu->OnChange) menu->OnChange();
}

void TMenuItem::SetGroupIndex(int Value) {
  if (FGroupIndex == Value) return;
  FGroupIndex = Value;
  if (TMainMenu* menu = MainMenu(); menu && menu->OnChange) menu->OnChange();
}

TMenuItem* TMenuItem::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EStringListError("List index out of bounds");
  return FItems[static_cast<std::size_t>(Index)];
}

QMenu* TMenuItem::Menu() {
  if (!FMenu) {
    // The menu takes the place of the plain action, which keeps the item's caption and state.
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
      if (Application) Application->SetHint(GetLongHint(FHint));
    });
    // An entry that is not an item of the program's own (a window in the window list) has
    // no hint.
    ConnectGuarded(FMenu, &QMenu::hovered, [this](QAction* Action) {
      for (TMenuItem* item : FItems)
        if (item->FAction == Action || (item->FMenu && item->FMenu->menuAction() == Action)) return;
      if (Application) Application->SetHint("");
    });
    FMenu->setStyle(MenuStyle());
    FMenu->installEventFilter(HintClearer());
    // A menu that closes leaves no hint behind.
    ConnectGuarded(FMenu, &QMenu::aboutToHide, [] {
      if (Application) Application->SetHint("");
    });
    if (FParent && FParent->FMenu) {
      FParent->FMenu->insertAction(FAction, FMenu->menuAction());
      FParent->FMenu->removeAction(FAction);
    }
    if (TMainMenu* menu = MainMenu(); menu && FParent == menu->Items() && menu->OnChange) menu->OnChange();
  }
  return FMenu;
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (Index < 0 || Index > Count()) throw EStringListError("List index out of bounds");
  if (Item->FParent) Item->FParent->Remove(Item);
  Item->FParent = this;
  FItems.insert(FItems.begin() + Index, Item);
  if (FMenuOwner && FMenuOwner->Items() == this) {
    if (FMenuOwner->OnChange) FMenuOwner->OnChange();
    return;
  }
  QMenu* menu = Menu();
  QAction* before = Index + 1 < Count() ? FItems[static_cast<std::size_t>(Index) + 1]->Action() : nullptr;
  QAction* entry = Item->FMenu ? Item->FMenu->menuAction() : Item->FAction;
  menu->insertAction(before, entry);
}

void TMenuItem::Remove(TMenuItem* Item) {
  auto it = std::find(FItems.begin(), FItems.end(), Item);
  if (it == FItems.end()) return;
  FItems.erase(it);
  Item->FParent = nullptr;
  if (FMenu) {
    FMenu->removeAction(Item->FAction);
    if (Item->FMenu) FMenu->removeAction(Item->FMenu->menuAction());
  }
  if (FMenuOwner && FMenuOwner->Items() == this && FMenuOwner->OnChange) FMenuOwner->OnChange();
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
        .Property("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible, true)
        .Property("OnClick", &TMenuItem::OnClick, &TMenuItem::SetOnClick);
    TClassRegistration<TMainMenu>("TMainMenu", "TComponent");
    return true;
  }();
  (void)done;
}
