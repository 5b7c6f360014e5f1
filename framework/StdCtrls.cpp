#include "framework/StdCtrls.h"

#include <QAbstractListModel>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>

#include "framework/Forms.h"
#include "framework/QtConvert.h"
#include "framework/TypInfo.h"
#include "platform/QtWindow.h"
#include "platform/Utf8.h"

namespace {

// Gives every row of a list the list's one item height.
class TItemHeightDelegate : public QStyledItemDelegate {
public:
  TItemHeightDelegate(QObject* Parent, int Height) : QStyledItemDelegate(Parent), FHeight(Height) {}
  QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override {
    QSize size = QStyledItemDelegate::sizeHint(Option, Index);
    size.setHeight(FHeight);
    return size;
  }
  void SetHeight(int Height) { FHeight = Height; }

private:
  int FHeight;
};

} // namespace

// A list box's entries. The view is told of added entries at most once a display frame, so
// that a list filling fast does not lay itself out and repaint after every entry; only a few
// times a second while they land below what it shows, where they move no more than the
// scroll bar, since each telling repaints the whole list.
class TListBoxModel : public QAbstractListModel {
  static constexpr int FrameMs = 16, OutOfSightMs = 200;

public:
  explicit TListBoxModel(QListView* View) : QAbstractListModel(View), FView(View) {
    FFlushTimer.setSingleShot(true);
    QObject::connect(&FFlushTimer, &QTimer::timeout, this, [this] { Flush(); });
  }

  int rowCount(const QModelIndex& Parent) const override { return Parent.isValid() ? 0 : FShown; }
  QVariant data(const QModelIndex& Index, int Role) const override {
    if (Role != Qt::DisplayRole || !Index.isValid() || Index.row() >= FShown) return {};
    // An entry is shown readably, whatever bytes it holds: a path that is not UTF-8 included.
    return ToQString(ReadableName(FItems[static_cast<std::size_t>(Index.row())]));
  }

  // Shows the view every entry added so far.
  void Flush() {
    FFlushTimer.stop();
    int count = static_cast<int>(FItems.size());
    if (FShown >= count) return;
    beginInsertRows(QModelIndex(), FShown, count - 1);
    FShown = count;
    endInsertRows();
  }

  void Append(const String& S) {
    FItems.push_back(S);
    if (!FFlushTimer.isActive()) FFlushTimer.start(NewEntriesInSight() ? FrameMs : OutOfSightMs);
  }

  void InsertAt(int Index, const String& S) {
    Flush();
    beginInsertRows(QModelIndex(), Index, Index);
    FItems.insert(FItems.begin() + Index, S);
    ++FShown;
    endInsertRows();
  }

  void Remove(int Index) {
    Flush();
    beginRemoveRows(QModelIndex(), Index, Index);
    FItems.erase(FItems.begin() + Index);
    --FShown;
    endRemoveRows();
  }

  void Change(int Index, const String& S) {
    FItems[static_cast<std::size_t>(Index)] = S;
    if (Index < FShown) emit dataChanged(index(Index), index(Index));
  }

  void RemoveAll() {
    beginResetModel();
    FItems.clear();
    FShown = 0;
    FFlushTimer.stop();
    endResetModel();
  }

  std::vector<String> FItems;

private:
  bool NewEntriesInSight() const {
    if (FShown == 0) return true;
    return FView->visualRect(index(FShown - 1)).bottom() < FView->viewport()->height();
  }

  QListView* FView;
  int FShown = 0;
  QTimer FFlushTimer;
};

namespace {

class TListBoxStrings : public TStrings {
public:
  explicit TListBoxStrings(TListBoxModel* Model) : FModel(Model) {}
  int Count() const override { return static_cast<int>(FModel->FItems.size()); }
  String Strings(int Index) const override {
    CheckIndex(Index, Count());
    return FModel->FItems[static_cast<std::size_t>(Index)];
  }
  void SetStrings(int Index, const String& S) override {
    CheckIndex(Index, Count());
    FModel->Change(Index, S);
  }
  void Insert(int Index, const String& S) override {
    CheckIndex(Index, Count() + 1);
    if (Index == Count())
      FModel->Append(S);
    else
      FModel->InsertAt(Index, S);
  }
  void Delete(int Index) override {
    CheckIndex(Index, Count());
    FModel->Remove(Index);
  }
  void Clear() override { FModel->RemoveAll(); }

private:
  TListBoxModel* FModel;
};

} // namespace

TListBox::TListBox(TComponent* AOwner) : TWinControl(AOwner) {
  auto* list = new QListView;
  FModel = new TListBoxModel(list);
  list->setModel(FModel);
  list->setUniformItemSizes(true);
  list->setItemDelegate(new TItemHeightDelegate(list, FItemHeight));
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setTextElideMode(Qt::ElideNone);
  SetWidget(list, list->viewport());
  FItems = std::make_unique<TListBoxStrings>(FModel);
  SetColor(clWindow);
}

TListBox::~TListBox() {
  BeginDestruction();
  if (FCanvas.Handle()) ReleaseDC(Handle(), FCanvas.Handle());
}

TCanvas* TListBox::Canvas() {
  if (!FCanvas.Handle()) FCanvas.SetHandle(GetDC(Handle()));
  return &FCanvas;
}

QListView* TListBox::ListView() const {
  FModel->Flush();
  return static_cast<QListView*>(Widget());
}

int TListBox::ItemIndex() const {
  QListView* list = ListView();
  QModelIndex current = list->currentIndex();
  return current.isValid() && list->selectionModel()->isSelected(current) ? current.row() : -1;
}

void TListBox::SetItemIndex(int Value) {
  QListView* list = ListView();
  if (Value < 0 || Value >= Items()->Count()) {
    list->selectionModel()->clear();
    list->setCurrentIndex(QModelIndex());
  } else {
    list->setCurrentIndex(FModel->index(Value));
  }
}

void TListBox::DefaultHandler(TMessage& Message) {
  // The part of the list below its last entry holds nothing to choose: pressing or dragging
  // there takes the focus but leaves the selection as it was, so that a double-click there
  // acts on the selected entry.
  const bool pressOrDrag = Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK ||
                           Message.Msg == WM_RBUTTONDOWN || Message.Msg == WM_RBUTTONDBLCLK ||
                           (Message.Msg == WM_MOUSEMOVE && (Message.WParam & (MK_LBUTTON | MK_RBUTTON)));
  if (pressOrDrag && ItemAtPos(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)) < 0) {
    if (Message.Msg != WM_MOUSEMOVE && !ListView()->hasFocus()) ListView()->setFocus(Qt::MouseFocusReason);
    Message.Result = 0;
    return;
  }
  // Enter is the list's own: it acts on the selected entry as a double-click does.
  if (Message.Msg == WM_KEYDOWN && Message.WParam == VK_RETURN && NoShiftKeys()) {
    DblClick();
    Message.Result = 0;
    return;
  }
  TWinControl::DefaultHandler(Message);
}

void TListBox::SetItemHeight(int Value) {
  if (FItemHeight == Value || Value <= 0) return;
  FItemHeight = Value;
  static_cast<TItemHeightDelegate*>(ListView()->itemDelegate())->SetHeight(Value);
  ListView()->doItemsLayout();
}

int TListBox::ItemAtPos(int X, int Y) const {
  QModelIndex index = ListView()->indexAt(QPoint(X, Y));
  return index.isValid() ? index.row() : -1;
}

RECT TListBox::ItemRect(int Index) const {
  QListView* list = ListView();
  if (Index < 0 || Index >= Items()->Count()) return RECT{};
  QRect r = list->visualRect(FModel->index(Index));
  return RECT{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
}

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
  auto* button = new QPushButton;
  SetWidget(button);
  ConnectGuarded(button, &QPushButton::clicked, [this](bool) { Click(); });
}

void TButton::SetCaption(const String& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  static_cast<QPushButton*>(Widget())->setText(ToQString(Value));
  UpdateAccessibleName();
}

String TButton::AccessibleName() const {
  return FCaption.empty() ? TWinControl::AccessibleName() : StripAccelerator(FCaption);
}

void TButton::SetDefault(bool Value) {
  if (FDefault == Value) return;
  FDefault = Value;
  static_cast<QPushButton*>(Widget())->setDefault(Value);
}

void TButton::Click() {
  if (FModalResult != mrNone)
    if (TForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
  TWinControl::Click();
}

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
  auto* box = new QCheckBox;
  SetWidget(box);
  ConnectGuarded(box, &QCheckBox::clicked, [this](bool) { Click(); });
}

void TCheckBox::SetCaption(const String& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  static_cast<QCheckBox*>(Widget())->setText(ToQString(Value));
  KeepCaptionWhole();
  UpdateAccessibleName();
}

String TCheckBox::AccessibleName() const {
  return FCaption.empty() ? TWinControl::AccessibleName() : StripAccelerator(FCaption);
}

void TCheckBox::FontChanged() {
  TWinControl::FontChanged();
  KeepCaptionWhole();
}

void TCheckBox::KeepCaptionWhole() {
  QWidget* box = Widget();
  if (!box) return;
  box->setMinimumWidth(box->sizeHint().width());
  if (box->width() < box->minimumWidth()) box->resize(box->minimumWidth(), box->height());
}

bool TCheckBox::Checked() const { return static_cast<QCheckBox*>(Widget())->isChecked(); }
void TCheckBox::SetChecked(bool Value) { static_cast<QCheckBox*>(Widget())->setChecked(Value); }

// TLabel

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner) {
  auto* label = new QLabel;
  // A caption is shown as written, never read as markup.
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  SetWidget(label);
}

void TLabel::SetCaption(const String& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  static_cast<QLabel*>(Widget())->setText(ToQString(Value));
  AdjustBounds();
  UpdateAccessibleName();
}

String TLabel::AccessibleName() const { return FCaption.empty() ? TControl::AccessibleName() : FCaption; }

void TLabel::SetAutoSize(bool Value) {
  if (FAutoSize == Value) return;
  FAutoSize = Value;
  AdjustBounds();
}

void TLabel::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  const Qt::Alignment horizontal = Value == taCenter         ? Qt::AlignHCenter
                                   : Value == taRightJustify ? Qt::AlignRight
                                                             : Qt::AlignLeft;
  static_cast<QLabel*>(Widget())->setAlignment(horizontal | Qt::AlignTop);
}

void TLabel::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  static_cast<QLabel*>(Widget())->setWordWrap(Value);
  AdjustBounds();
}

void TLabel::Loaded() {
  TControl::Loaded();
  AdjustBounds();
}

void TLabel::FontChanged() {
  TControl::FontChanged();
  AdjustBounds();
}

// Sizes an auto-sized label to its text, once its description has been read whole; a
// right-justified label keeps its right edge where it was.
void TLabel::AdjustBounds() {
  auto* label = static_cast<QLabel*>(Widget());
  if (!FAutoSize || IsLoading() || !label) return;
  const QSize size = FWordWrap ? QSize(Width(), label->heightForWidth(Width())) : label->sizeHint();
  const int left = FAlignment == taRightJustify ? Left() + Width() - size.width() : Left();
  SetBounds(left, Top(), size.width(), size.height());
}

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
  SetWidget(new QLineEdit);
  SetColor(clWindow);
}

String TEdit::Text() const { return FromQString(static_cast<QLineEdit*>(Widget())->text()); }
void TEdit::SetText(const String& Value) { static_cast<QLineEdit*>(Widget())->setText(ToQString(Value)); }
bool TEdit::ReadOnly() const { return static_cast<QLineEdit*>(Widget())->isReadOnly(); }
void TEdit::SetReadOnly(bool Value) { static_cast<QLineEdit*>(Widget())->setReadOnly(Value); }

void TEdit::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  static_cast<QLineEdit*>(Widget())->setFrame(Value != bsNone);
}

void RegisterStdCtrlsClasses() {
  static const bool done = [] {
    RegisterControlsClasses();
    TClassRegistration<TListBox>("TListBox", "TWinControl")
        .Property("ItemHeight", &TListBox::ItemHeight, &TListBox::SetItemHeight)
        .Object("Items", &TListBox::Items, "TStrings");
    TClassRegistration<TButton>("TButton", "TWinControl")
        .Property("Caption", &TButton::Caption, &TButton::SetCaption)
        .Property("Default", &TButton::Default, &TButton::SetDefault, false)
        .Property("ModalResult", &TButton::ModalResult, &TButton::SetModalResult, mrNone);
    TClassRegistration<TEdit>("TEdit", "TWinControl")
        .Property("BorderStyle", &TEdit::BorderStyle, &TEdit::SetBorderStyle, bsSingle)
        .Property("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly, false)
        .Property("Text", &TEdit::Text, &TEdit::SetText);
    RegisterEnumNames(typeid(TAlignment), {"taLeftJustify", "taRightJustify", "taCenter"});
    TClassRegistration<TLabel>("TLabel", "TControl")
        .Property("Alignment", &TLabel::Alignment, &TLabel::SetAlignment, taLeftJustify)
        .Property("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize, true)
        .Property("Caption", &TLabel::Caption, &TLabel::SetCaption)
        .Property("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap, false);
    TClassRegistration<TCheckBox>("TCheckBox", "TWinControl")
        .Property("Caption", &TCheckBox::Caption, &TCheckBox::SetCaption)
        .Property("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked, false);
    return true;
  }();
  (void)done;
}
