#include "framework/Accessible.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolButton>
#include <QVariant>
#include <QWidget>

namespace {

const char* const KindProperty = "tabrixAccessibleKind";

// A form's window: a frame while it is a window of its own, a plain part of the MDI child
// window that holds it otherwise.
class TAccessibleForm : public QAccessibleWidget {
public:
  explicit TAccessibleForm(QWidget* Widget) : QAccessibleWidget(Widget) {}
  QAccessible::Role role() const override {
    if (!widget()->isWindow()) return QAccessible::Client;
    return widget()->windowType() == Qt::Dialog ? QAccessible::Dialog : QAccessible::Window;
  }
};

// An MDI child window: a frame inside the MDI area, which may reach past the area's edges.
class TAccessibleMDIChild : public QAccessibleWidget {
public:
  explicit TAccessibleMDIChild(QWidget* Widget) : QAccessibleWidget(Widget, QAccessible::Window) {}
  QString text(QAccessible::Text Text) const override {
    if (Text == QAccessible::Name) return widget()->windowTitle();
    return QAccessibleWidget::text(Text);
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    const QWidget* viewport = widget()->parentWidget();
    state.offscreen = viewport && !viewport->rect().intersects(widget()->geometry());
    const QMdiArea* area = static_cast<QMdiSubWindow*>(widget())->mdiArea();
    state.active = area && area->activeSubWindow() == widget();
    return state;
  }
};

// A label standing for another control: named by its text unless the control names it.
class TAccessibleLabel : public QAccessibleWidget {
public:
  TAccessibleLabel(QWidget* Widget, TAccessibleKind Kind) : QAccessibleWidget(Widget), FKind(Kind) {}
  QAccessible::Role role() const override {
    if (FKind == TAccessibleKind::StatusBar) return QAccessible::StatusBar;
    return widget()->findChild<QToolButton*>(QString(), Qt::FindDirectChildrenOnly) ? QAccessible::ToolBar
                                                                                    : QAccessible::Grouping;
  }
  QString text(QAccessible::Text Text) const override {
    if (Text == QAccessible::Name && widget()->accessibleName().isEmpty())
      return static_cast<QLabel*>(widget())->text();
    return QAccessibleWidget::text(Text);
  }

private:
  TAccessibleKind FKind;
};

// The drive chooser: its name from the control, the chosen drive as its value and as the
// selected entry of its list, which is its one child.
class TAccessibleDriveBox : public QAccessibleWidget {
public:
  explicit TAccessibleDriveBox(QWidget* Widget) : QAccessibleWidget(Widget, QAccessible::ComboBox) {}
  QString text(QAccessible::Text Text) const override {
    if (Text == QAccessible::Value) return Box()->currentText();
    return QAccessibleWidget::text(Text);
  }
  int childCount() const override { return 1; }
  QAccessibleInterface* child(int Index) const override {
    return Index == 0 ? QAccessible::queryAccessibleInterface(Box()->view()) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* Child) const override {
    return Child && Child->object() == Box()->view() ? 0 : -1;
  }
  QStringList actionNames() const override {
    return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& Name) override {
    if (Name == showMenuAction() || Name == pressAction())
      Box()->showPopup();
    else
      QAccessibleWidget::doAction(Name);
  }

private:
  QComboBox* Box() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* DescribeMarkedWindow(const QString&, QObject* Object) {
  if (!Object || !Object->isWidgetType()) return nullptr;
  const QVariant kind = Object->property(KindProperty);
  if (!kind.isValid()) return nullptr;
  auto* widget = static_cast<QWidget*>(Object);
  switch (static_cast<TAccessibleKind>(kind.toInt())) {
  case TAccessibleKind::Form: return new TAccessibleForm(widget);
  case TAccessibleKind::MDIChild: return new TAccessibleMDIChild(widget);
  case TAccessibleKind::StatusBar: return new TAccessibleLabel(widget, TAccessibleKind::StatusBar);
  case TAccessibleKind::Panel: return new TAccessibleLabel(widget, TAccessibleKind::Panel);
  case TAccessibleKind::DriveBox: return new TAccessibleDriveBox(widget);
  }
  return nullptr;
}

} // namespace

void SetAccessibleKind(QWidget* Widget, TAccessibleKind Kind) {
  Widget->setProperty(KindProperty, static_cast<int>(Kind));
}

void InstallAccessibleFactory() {
  // Qt asks the factories installed last first, so this one goes before Qt's own.
  static const bool installed = [] {
    QAccessible::installFactory(&DescribeMarkedWindow);
    return true;
  }();
  (void)installed;
}
