#include "framework/StdCtrls.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QStyledItemDelegate>

#include "framework/TypInfo.h"
#include "platform/QtWindow.h"

namespace {

// Gives every row of a list the list's one item height.
class TItemHeightDelegate : public QStyledItemDelegate {
public:
  TItemHeightDelegate(QObject* Parent, const int& Height) : QStyledItemDelegate(Parent), FHeight(Height) {}
  QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override {
    QSize size = QStyledItemDelegate::sizeHint(Option, Index);
    size.setHeight(FHeight);
    return size;
  }

private:
  const int& FHeight;
};

// A list box's entries, kept in the list widget itself.
class TListBoxStrings : public TStrings {
public:
  explicit TListBoxStrings(QListWidget* List) : FList(List) {}
  int Count() const override { return FList->count(); }
  String Strings(int Index) const override {
    CheckIndex(Index, Count());
    return FList->item(Index)->text().toStdString();
  }
  void SetStrings(int Index, const String& S) override {
    CheckIndex(Index, Count());
    FList->item(Index)->setText(QString::fromStdString(S));
  }
  void Insert(int Index, const String& S) override {
    CheckIndex(Index, Count() + 1);
    FList->insertItem(Index, QString::fromStdString(S));
  }
  void Delete(int Index) override {
    CheckIndex(Index, Count());
    delete FList->takeItem(Index);
  }
  void Clear() override { FList->clear(); }

private:
  QListWidget* FList;
};

} // namespace

TListBox::TListBox(TComponent* AOwner) : TWinControl(AOwner) {
  auto* list = new QListWidget;
  list->setUniformItemSizes(true);
  list->setItemDelegate(new TItemHeightDelegate(list, FItemHeight));
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setTextElideMode(Qt::ElideNone);
  SetWidget(list, list->viewport());
  FItems = std::make_unique<TListBoxStrings>(list);
  SetColor(clWindow);
}

TListBox::~TListBox() { BeginDestruction(); }

QListWidget* TListBox::ListWidget() const { return static_cast<QListWidget*>(Widget()); }

int TListBox::ItemIndex() const {
  QListWidgetItem* item = ListWidget()->currentItem();
  return item && item->isSelected() ? ListWidget()->row(item) : -1;
}

void TListBox::SetItemIndex(int Value) {
  if (Value < 0 || Value >= Items()->Count())
    ListWidget()->setCurrentRow(-1);
  else
    ListWidget()->setCurrentRow(Value);
}

void TListBox::SetItemHeight(int Value) {
  if (FItemHeight == Value || Value <= 0) return;
  FItemHeight = Value;
  ListWidget()->doItemsLayout();
}

int TListBox::ItemAtPos(int X, int Y) const {
  QListWidgetItem* item = ListWidget()->itemAt(X, Y);
  return item ? ListWidget()->row(item) : -1;
}

RECT TListBox::ItemRect(int Index) const {
  QListWidgetItem* item = ListWidget()->item(Index);
  if (!item) return RECT{};
  QRect r = ListWidget()->visualItemRect(item);
  return RECT{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
}

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
  auto* button = new QPushButton;
  SetWidget(button);
  QObject::connect(button, &QPushButton::clicked, button, [this] { GuardedCall([this] { Click(); }); });
}

void TButton::SetCaption(const String& Value) {
  FCaption = Value;
  static_cast<QPushButton*>(Widget())->setText(QString::fromStdString(Value));
}

void TButton::SetDefault(bool Value) {
  FDefault = Value;
  static_cast<QPushButton*>(Widget())->setDefault(Value);
}

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
  auto* box = new QCheckBox;
  SetWidget(box);
  QObject::connect(box, &QCheckBox::clicked, box, [this] { GuardedCall([this] { Click(); }); });
}

void TCheckBox::SetCaption(const String& Value) {
  FCaption = Value;
  static_cast<QCheckBox*>(Widget())->setText(QString::fromStdString(Value));
}

bool TCheckBox::Checked() const { return static_cast<QCheckBox*>(Widget())->isChecked(); }
void TCheckBox::SetChecked(bool Value) { static_cast<QCheckBox*>(Widget())->setChecked(Value); }

void RegisterStdCtrlsClasses() {
  static const bool done = [] {
    RegisterControlsClasses();
    TClassRegistration<TListBox>("TListBox", "TWinControl")
        .Property("ItemHeight", &TListBox::ItemHeight, &TListBox::SetItemHeight)
        .Object("Items", &TListBox::Items, "TStrings");
    TClassRegistration<TButton>("TButton", "TWinControl")
        .Property("Caption", &TButton::Caption, &TButton::SetCaption)
        .Property("Default", &TButton::Default, &TButton::SetDefault, false)
        .Property("ModalResult", &TButton::ModalResult, &TButton::SetModalResult, 0);
    TClassRegistration<TCheckBox>("TCheckBox", "TWinControl")
        .Property("Caption", &TCheckBox::Caption, &TCheckBox::SetCaption)
        .Property("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked, false);
    return true;
  }();
  (void)done;
}
