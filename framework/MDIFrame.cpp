// A form as an MDI frame: its client area, the children, tiling and cascading, and the menu
// bar that merges a child's menu into the frame's.
#include "framework/Forms.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPalette>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

#include "framework/Accessible.h"
#include "framework/QtConvert.h"
#include "platform/QtWindow.h"

void TForm::BecomeMDIFrame() {
  FClient->setPalette(QPalette());
  FClient->setAutoFillBackground(false);
  FMDIArea = new QMdiArea(FClient);
  FMDIArea->setGeometry(FClient->rect());
  FClientHandle = CreateWindowHandle(FMDIArea, FMDIArea->viewport());
  // The area erases its background with its brush, as Qt would paint it, on any device
  // context: one from GetDC as well as the one of a paint.
  FMDIClientProc = MakeWindowProc([this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m != WM_ERASEBKGND) return DefWindowProcA(h, m, w, l);
    if (QPainter* painter = DCPainter(reinterpret_cast<HDC>(w)))
      painter->fillRect(FMDIArea->viewport()->rect(), FMDIArea->background());
    return 1;
  });
  SetWindowLongA(FClientHandle, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(FMDIClientProc));
  ConnectGuarded(FMDIArea, &QMdiArea::subWindowActivated, [this](QMdiSubWindow*) { ChildActivated(ActiveMDIChild()); });
  FMDIArea->show();
}

void TForm::BecomeMDIChild() {
  TForm* frame = Application ? Application->MainForm() : nullptr;
  if (!frame || !frame->FMDIArea) throw Exception("Cannot create form. No MDI forms are currently active");
  FFrame = frame;
  QSize size = Widget()->size();
  FSubWindow = new QMdiSubWindow;
  SetAccessibleKind(FSubWindow, TAccessibleKind::MDIChild);
  FSubWindow->setWidget(Widget());
  FSubWindow->setWindowTitle(ToQString(FCaption));
  FSubWindow->setWindowIcon(QApplication::windowIcon());
  frame->FMDIArea->addSubWindow(FSubWindow);
  FSubWindow->resize(size);
  FSubWindow->hide();
  frame->FMDIChildren.insert(frame->FMDIChildren.begin(), this);
}

TForm* TForm::MDIChildren(int Index) const {
  if (Index < 0 || Index >= MDIChildCount()) throw EStringListError("List index out of bounds");
  return FMDIChildren[static_cast<std::size_t>(Index)];
}

TForm* TForm::ActiveMDIChild() const {
  if (!FMDIArea) return nullptr;
  QMdiSubWindow* current = FMDIArea->currentSubWindow();
  for (TForm* child : FMDIChildren)
    if (child->FSubWindow == current) return child;
  return nullptr;
}

void TForm::ChildActivated(TForm* Child) {
  // Qt activates a child as it is minimised; that is no activation by the user.
  if (Child && !Child->FSubWindow->isMinimized()) {
    auto it = std::find(FMDIChildren.begin(), FMDIChildren.end(), Child);
    if (it != FMDIChildren.end()) std::rotate(FMDIChildren.begin(), it, it + 1);
  }
  UpdateMenuBar();
  if (Screen) Screen->SetActiveForm(Child ? Child : this);
}

int TForm::CascadeStep(QWidget* W) { return W->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, W) + 4; }

void TForm::Cascade() {
  if (!FMDIArea) return;
  std::vector<QMdiSubWindow*> windows;
  for (QMdiSubWindow* w : FMDIArea->subWindowList(QMdiArea::CreationOrder))
    if (w->isVisible() && !w->isMinimized()) windows.push_back(w);
  QRect area = FMDIArea->viewport()->rect();
  int step = CascadeStep(FMDIArea);
  int width = std::max(area.width() * 3 / 4, 120), height = std::max(area.height() * 3 / 4, 80);
  // Start again at the top left once a window would run past the bottom or right edge.
  int places = std::max(1, std::min((area.width() - width) / step, (area.height() - height) / step) + 1);
  int i = 0;
  for (QMdiSubWindow* w : windows) {
    if (w->isMaximized()) w->showNormal();
    int at = (i++ % places) * step;
    w->setGeometry(at, at, width, height);
    w->raise();
  }
}

void TForm::Tile() {
  if (!FMDIArea) return;
  std::vector<QMdiSubWindow*> windows;
  for (QMdiSubWindow* w : FMDIArea->subWindowList(QMdiArea::CreationOrder))
    if (w->isVisible() && !w->isMinimized()) windows.push_back(w);
  if (windows.empty()) return;
  QRect area = FMDIArea->viewport()->rect();
  int n = static_cast<int>(windows.size());
  // Strips lower than a title bar and two lines of text show nothing: Qt's grid then.
  if (area.height() / n < 3 * CascadeStep(FMDIArea)) {
    FMDIArea->tileSubWindows();
    return;
  }
  for (int i = 0; i < n; ++i) {
    if (windows[static_cast<std::size_t>(i)]->isMaximized()) windows[static_cast<std::size_t>(i)]->showNormal();
    int top = area.height() * i / n, bottom = area.height() * (i + 1) / n;
    windows[static_cast<std::size_t>(i)]->setGeometry(0, top, area.width(), bottom - top);
  }
}

void TForm::ArrangeIcons() {
  if (!FMDIArea) return;
  // Rows along the bottom, left to right; a row that is full goes on above the last.
  int x = 0;
  int bottom = FMDIArea->viewport()->height(), width = FMDIArea->viewport()->width();
  for (QMdiSubWindow* w : FMDIArea->subWindowList(QMdiArea::CreationOrder)) {
    if (!w->isMinimized()) continue;
    QSize size = w->size();
    if (x > 0 && x + size.width() > width) {
      x = 0;
      bottom -= size.height();
    }
    w->move(x, bottom - size.height());
    x += size.width();
  }
}

void TForm::SetMenu(TMainMenu* Value) {
  if (FMenu) FMenu->SetOnChange(nullptr);
  FMenu = Value;
  if (FMenu)
    FMenu->SetOnChange([this] {
      UpdateMenuBar();
      if (FFrame) FFrame->UpdateMenuBar();
    });
  if (!FSubWindow && !FMenuBar && FMenu) {
    FMenuBar = new QMenuBar(Widget());
    static_cast<QVBoxLayout*>(Widget()->layout())->setMenuBar(FMenuBar);
  }
  UpdateMenuBar();
  if (FFrame) FFrame->UpdateMenuBar();
}

void TForm::UpdateMenuBar() {
  if (!FMenuBar || IsDestroying()) return;
  std::vector<TMenuItem*> items;
  if (FMenu)
    for (int i = 0; i < FMenu->Items()->Count(); ++i)
      items.push_back(FMenu->Items()->Items(i));
  TForm* child = ActiveMDIChild();
  if (child && child->Menu()) {
    TMenuItem* merged = child->Menu()->Items();
    for (int i = 0; i < merged->Count(); ++i) {
      int group = merged->Items(i)->GroupIndex();
      items.erase(std::remove_if(items.begin(), items.end(),
                                 [&](TMenuItem* m) { return m->GroupIndex() == group && m->MainMenu() == FMenu; }),
                  items.end());
    }
    for (int i = 0; i < merged->Count(); ++i)
      items.push_back(merged->Items(i));
  }
  std::stable_sort(items.begin(), items.end(),
                   [](TMenuItem* a, TMenuItem* b) { return a->GroupIndex() < b->GroupIndex(); });
  FMenuBar->clear();
  for (TMenuItem* item : items)
    FMenuBar->addAction(item->Count() ? item->MenuAction() : item->Action());
}

void TForm::SetWindowMenu(TMenuItem* Value) {
  if (FWindowMenu == Value) return;
  FWindowMenu = Value;
  if (!Value) return;
  QMenu* menu = Value->Menu();
  ConnectGuarded(menu, &QMenu::aboutToShow, [this, Value] {
    if (FWindowMenu == Value) FillWindowMenu();
  });
}

void TForm::FillWindowMenu() {
  QMenu* menu = FWindowMenu->Menu();
  for (QAction* a : menu->actions())
    if (a->parent() == menu) delete a;
  if (!FMDIArea || FMDIChildren.empty()) return;
  menu->addSeparator()->setParent(menu);
  int number = 1;
  for (QMdiSubWindow* w : FMDIArea->subWindowList(QMdiArea::CreationOrder)) {
    // A digit of its own underlined for each of the first nine; a title's "&" is shown as it is.
    QString title = w->windowTitle().replace(QLatin1Char('&'), QLatin1String("&&"));
    QAction* a = menu->addAction(QString(number < 10 ? "&%1 %2" : "%1 %2").arg(number).arg(title));
    ++number;
    a->setParent(menu);
    a->setCheckable(true);
    a->setChecked(w == FMDIArea->currentSubWindow());
    QObject::connect(a, &QAction::triggered, w, [this, w] { FMDIArea->setActiveSubWindow(w); });
  }
}

int TForm::MenuBarHeight() const {
  if (!FMenuBar) return 0;
  const int height = FMenuBar->heightForWidth(Widget()->width());
  return height >= 0 ? height : FMenuBar->sizeHint().height();
}

int TForm::ClientWidth() const { return Widget()->width(); }
int TForm::ClientHeight() const { return Widget()->height() - MenuBarHeight(); }
