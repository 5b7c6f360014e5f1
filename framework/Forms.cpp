#include "framework/Forms.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

#include "framework/Accessible.h"
#include "framework/FormReader.h"
#include "framework/Geometry.h"
#include "framework/TypInfo.h"
#include "platform/QtWindow.h"
#include "platform/Seams.h"

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

TApplication::TApplication(int& argc, char** argv)
    : TComponent(nullptr), FQtApplication(std::make_unique<QApplication>(argc, argv)) {
  QApplication* app = FQtApplication.get();
  app->setQuitOnLastWindowClosed(false);
  Application = this;
  SetMenuHintTarget([this](const String& Hint) { SetHint(Hint); });
  Screen = new TScreen(this);
  ConnectGuarded(app, &QApplication::focusChanged, [](QWidget*, QWidget*) {
    if (Screen) Screen->UpdateActiveForm();
  });
  SetMessageExceptionHandler([] {
    if (Application) Application->HandleException(nullptr);
  });
  // Each test starts with an application that has not been told to terminate.
  Seams::AddResetAction([this] { FTerminated = false; });
  RegisterFormsClasses();
  InstallAccessibleFactory();
}

TApplication::~TApplication() {
  // The forms go first, then Qt: only then does text copied to the clipboard pass to the
  // desktop's clipboard manager.
  BeginDestruction();
  Screen = nullptr;
  SetMessageExceptionHandler(nullptr);
  SetMenuHintTarget(nullptr);
  Application = nullptr;
  FQtApplication.reset();
}

void TApplication::Initialize() {
  // The program's icon, where it carries one, marks every window.
  if (QFile::exists(":/MAINICON.ico")) QApplication::setWindowIcon(QIcon(":/MAINICON.ico"));
}

void TApplication::SetTitle(const String& Value) {
  FTitle = Value;
  QCoreApplication::setApplicationName(QString::fromStdString(Value));
}

void TApplication::Run() {
  if (FMainForm && !FTerminated) FMainForm->Show();
  if (!FTerminated) QApplication::exec();
}

void TApplication::Terminate() {
  FTerminated = true;
  QCoreApplication::exit(0);
}

void TApplication::ProcessMessages() {
  // What the program posted is delivered at every call. The window system's input and the
  // timers need a turn of Qt's event loop, which costs a system call even when nothing is
  // waiting; they are gathered at most once a millisecond, so that a walk that calls this
  // for every directory costs next to nothing while it stays as live as can be seen.
  QCoreApplication::sendPostedEvents();
  const auto now = std::chrono::steady_clock::now();
  if (now - FLastEventLoopTurn < std::chrono::milliseconds(1)) return;
  FLastEventLoopTurn = now;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::SetHint(const String& Value) {
  if (FHint == Value) return;
  FHint = Value;
  if (FOnHint) FOnHint(this);
}

void TApplication::HandleException(TObject*) {
  try {
    throw;
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    ShowException(e.what());
  } catch (...) {
    ShowException("Unknown error");
  }
}

void TApplication::ShowException(const String& Message) {
  String text = Message;
  if (!text.empty() && text.back() != '.') text += '.';
  HWND owner = FMainForm ? FMainForm->Handle() : nullptr;
  MessageBoxA(owner, text.c_str(), FTitle.c_str(), MB_OK | MB_ICONSTOP);
}

// TScreen

void TScreen::AddForm(TForm* Form) { FForms.push_back(Form); }

void TScreen::RemoveForm(TForm* Form) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end());
  if (FActiveForm == Form) FActiveForm = nullptr;
  // A form going away is a change of the active form for those who count forms; it is told
  // from a destructor, so nothing may escape.
  if (FOnActiveFormChange && !IsDestroying()) CallGuarded([this] { FOnActiveFormChange(this); });
}

void TScreen::UpdateActiveForm() {
  TForm* found = nullptr;
  for (QWidget* w = QApplication::focusWidget(); w && !found; w = w->parentWidget())
    for (TForm* f : FForms)
      if (f->Widget() == w) found = f;
  if (found) SetActiveForm(found);
}

void TScreen::SetActiveForm(TForm* Form) {
  if (FActiveForm == Form) return;
  FActiveForm = Form;
  if (FOnActiveFormChange) FOnActiveFormChange(this);
}

// TForm

TForm::TForm(TComponent* AOwner) : TForm(AOwner, TNoDescription{}) {}

TForm::TForm(TComponent* AOwner, TNoDescription) : TWinControl(AOwner) {
  FCanvas.Brush()->SetColor(Color());
  CreateWindow();
  if (Screen) Screen->AddForm(this);
}

void TForm::BeforeDestruction() {
  // A destruction cannot be refused: what goes wrong in the handler is shown, and the form goes.
  if (FOnDestroy) CallGuarded([this] { FOnDestroy(this); });
}

TForm::~TForm() {
  BeginDestruction();
  if (Application && Application->FMainForm == this) Application->FMainForm = nullptr;
  if (FFrame) {
    auto& children = FFrame->FMDIChildren;
    children.erase(std::remove(children.begin(), children.end(), this), children.end());
    // The child's window leaves its frame before the frame counts its children again.
    Widget()->setParent(nullptr);
    delete FSubWindow;
    FFrame->UpdateMenuBar();
  }
  // A child that outlives its frame takes its window out first: the frame's window would
  // take it along.
  for (TForm* child : FMDIChildren) {
    child->FFrame = nullptr;
    child->FSubWindow->setParent(nullptr);
  }
  if (Screen) Screen->RemoveForm(this);
  DestroyWindow();
  FreeObjectInstance(FClientProc);
  FreeObjectInstance(FMDIClientProc);
}

void TForm::CreateWindow() {
  auto* window = new QWidget(nullptr, Qt::Window);
  SetAccessibleKind(window, TAccessibleKind::Form);
  auto* layout = new QVBoxLayout(window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  FClient = new QWidget(window);
  layout->addWidget(FClient, 1);
  // The controls are laid out again whenever the client area, not the whole window, changes size.
  HWND client = CreateWindowHandle(FClient);
  FClientProc = MakeWindowProc([this](HWND h, UINT m, WPARAM w, LPARAM l) {
    LRESULT result = DefWindowProcA(h, m, w, l);
    if (m == WM_SIZE) AlignControls();
    // The form's OnMouseMove is for moves over the form itself, not over its controls.
    if (m == WM_MOUSEMOVE && !FClient->childAt(GET_X_LPARAM(l), GET_Y_LPARAM(l)))
      MouseMove(ShiftStateOf(w), GET_X_LPARAM(l), GET_Y_LPARAM(l));
    return result;
  });
  SetWindowLongA(client, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(FClientProc));
  window->resize(320, 240);
  SetWidget(window);
  // A form shows when it is shown, not when it is made.
  TControl::SetVisible(false);
}

void TForm::ReadDescription(const String& ClassName) {
  ReadFormResource(this, ClassName);
  if (FOnCreate) FOnCreate(this);
  if (Visible()) Show();
}

QWidget* TForm::FrameWidget() const {
  if (FSubWindow) return FSubWindow;
  return Widget();
}

void TForm::SetCaption(const String& Value) {
  FCaption = Value;
  FrameWidget()->setWindowTitle(QString::fromStdString(Value));
  UpdateAccessibleName();
}

void TForm::SetFormStyle(TFormStyle Value) {
  if (FFormStyle == Value) return;
  if (FFormStyle != fsNormal) throw Exception("Cannot change the style of a form once it is an MDI form");
  FFormStyle = Value;
  if (Value == fsMDIForm) BecomeMDIFrame();
  if (Value == fsMDIChild) BecomeMDIChild();
}

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
  FSubWindow->setWindowTitle(QString::fromStdString(FCaption));
  FSubWindow->setWindowIcon(QApplication::windowIcon());
  frame->FMDIArea->addSubWindow(FSubWindow);
  FSubWindow->resize(size);
  FSubWindow->hide();
  frame->FMDIChildren.insert(frame->FMDIChildren.begin(), this);
}

void TForm::ColorChanged() {
  FCanvas.Brush()->SetColor(Color());
  // The form's colour is the background of its client area, beneath its controls; an MDI
  // frame's client area is covered by its children's area, which keeps its own colours.
  if (FFormStyle == fsMDIForm) return;
  QPalette palette = FClient->palette();
  palette.setColor(QPalette::Window, ToQColor(Color()));
  FClient->setPalette(palette);
  FClient->setAutoFillBackground(true);
}

void TForm::AlignRemainder(int ALeft, int ATop, int AWidth, int AHeight) {
  if (FMDIArea) FMDIArea->setGeometry(ALeft, ATop, ClampExtent(AWidth), ClampExtent(AHeight));
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

namespace {

// The distance between two cascaded children: one title bar.
int CascadeStep(QWidget* W) { return W->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, W) + 4; }

} // namespace

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
  for (int i = 0; i < n; ++i) {
    if (windows[static_cast<std::size_t>(i)]->isMaximized()) windows[static_cast<std::size_t>(i)]->showNormal();
    int top = area.height() * i / n, bottom = area.height() * (i + 1) / n;
    windows[static_cast<std::size_t>(i)]->setGeometry(0, top, area.width(), bottom - top);
  }
}

void TForm::ArrangeIcons() {
  if (!FMDIArea) return;
  int x = 0;
  int bottom = FMDIArea->viewport()->height();
  for (QMdiSubWindow* w : FMDIArea->subWindowList(QMdiArea::CreationOrder)) {
    if (!w->isMinimized()) continue;
    QSize size = w->size();
    w->move(x, bottom - size.height());
    x += size.width();
  }
}

TWindowState TForm::WindowState() const {
  QWidget* w = FrameWidget();
  if (w->isMinimized()) return wsMinimized;
  if (w->isMaximized()) return wsMaximized;
  return wsNormal;
}

void TForm::SetWindowState(TWindowState Value) {
  if (WindowState() == Value) return;
  QWidget* w = FrameWidget();
  switch (Value) {
  case wsMinimized: w->showMinimized(); break;
  case wsMaximized: w->showMaximized(); break;
  default: w->showNormal();
  }
}

void TForm::SetMenu(TMainMenu* Value) {
  if (FMenu) FMenu->OnChange = nullptr;
  FMenu = Value;
  if (FMenu)
    FMenu->OnChange = [this] {
      UpdateMenuBar();
      if (FFrame) FFrame->UpdateMenuBar();
    };
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
    FMenuBar->addAction(item->Count() ? item->Menu()->menuAction() : item->Action());
}

void TForm::SetWindowMenu(TMenuItem* Value) {
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
    QAction* a = menu->addAction(QString("&%1 %2").arg(number++).arg(w->windowTitle()));
    a->setParent(menu);
    a->setCheckable(true);
    a->setChecked(w == FMDIArea->currentSubWindow());
    QObject::connect(a, &QAction::triggered, w, [this, w] { FMDIArea->setActiveSubWindow(w); });
  }
}

void TForm::SetBorderStyle(TFormBorderStyle Value) {
  if (FBorderStyle == Value) return;
  const bool wasDialog = FBorderStyle == bsDialog;
  FBorderStyle = Value;
  // An MDI child keeps the frame its MDI area gives it.
  if (FSubWindow || wasDialog == (Value == bsDialog)) return;
  QWidget* window = Widget();
  const QSize size = window->size();
  // New window flags hide the window; it shows again as it was.
  const bool shown = window->isVisible();
  if (Value == bsDialog) {
    window->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  } else {
    window->setWindowFlags(Qt::Window);
    window->setMinimumSize(0, 0);
    window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  }
  ResizeWindow(size.width(), size.height());
  if (shown) window->show();
}

void TForm::ResizeWindow(int AWidth, int AHeight) {
  QWidget* window = FrameWidget();
  if (FBorderStyle == bsDialog && !FSubWindow)
    window->setFixedSize(ClampExtent(AWidth), ClampExtent(AHeight));
  else
    window->resize(ClampExtent(AWidth), ClampExtent(AHeight));
}

// The client area's size is worked out from the window's: the client widget is laid out
// only once the window shows.
int TForm::MenuBarHeight() const {
  if (!FMenuBar) return 0;
  const int height = FMenuBar->heightForWidth(Widget()->width());
  return height >= 0 ? height : FMenuBar->sizeHint().height();
}

int TForm::ClientWidth() const { return Widget()->width(); }
int TForm::ClientHeight() const { return Widget()->height() - MenuBarHeight(); }
// The frame's and the menu bar's share are added to a client size within the window range.
void TForm::SetClientWidth(int Value) {
  ResizeWindow(FrameWidget()->width() - Widget()->width() + ClampExtent(Value), FrameWidget()->height());
}
void TForm::SetClientHeight(int Value) {
  ResizeWindow(FrameWidget()->width(),
               FrameWidget()->height() - Widget()->height() + MenuBarHeight() + ClampExtent(Value));
}

void TForm::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  ResizeWindow(AWidth, AHeight);
  FrameWidget()->setGeometry(ClampPosition(ALeft), ClampPosition(ATop), ClampExtent(AWidth), ClampExtent(AHeight));
}

void TForm::SetVisible(bool Value) {
  TControl::SetVisible(Value);
  if (IsLoading()) return;
  if (Value)
    Show();
  else
    Hide();
}

void TForm::Show() {
  if (!Visible()) TControl::SetVisible(true);
  if (FSubWindow) {
    if (!FShown && FPosition == poDefault) {
      // The frame chooses where a new child goes: one step below and right of the last.
      QRect area = FFrame->FMDIArea->viewport()->rect();
      int step = CascadeStep(FFrame->FMDIArea);
      int room = std::max(1, std::min(area.width() - FSubWindow->width(), area.height() - FSubWindow->height()) / step);
      int at = (FFrame->MDIChildCount() - 1) % room * step;
      FSubWindow->move(at, at);
    }
    FShown = true;
    FSubWindow->show();
    FFrame->FMDIArea->setActiveSubWindow(FSubWindow);
    FFrame->ChildActivated(this);
    return;
  }
  if (!FShown) Place();
  Widget()->show();
  Widget()->raise();
  Widget()->activateWindow();
  if (!FShown) {
    FShown = true;
    AlignControls();
  }
  if (Screen) Screen->SetActiveForm(this);
}

void TForm::Place() {
  QWidget* window = Widget();
  switch (FPosition) {
  case poDefault:
  case poDefaultPosOnly:
    // The window manager places a window that was never moved.
    window->setAttribute(Qt::WA_Moved, false);
    break;
  case poScreenCenter:
    // The window is made first: its frame, where the platform knows it, then counts too.
    (void)window->winId();
    if (QScreen* screen = window->screen()) {
      QRect frame = window->frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      window->move(frame.topLeft());
    }
    break;
  default: break;
  }
}

void TForm::Hide() {
  if (Visible()) TControl::SetVisible(false);
  FrameWidget()->hide();
}

bool TForm::CloseQuery() {
  bool canClose = true;
  if (FOnCloseQuery) FOnCloseQuery(this, canClose);
  return canClose;
}

void TForm::DoClose(TCloseAction& Action) {
  if (FOnClose) FOnClose(this, Action);
}

int TForm::ShowModal() {
  if (Visible() || FModal || FFormStyle == fsMDIChild) throw EInvalidOperation("Cannot make a visible window modal");
  QPointer<QWidget> previous = QApplication::activeWindow();
  // Whichever way the run ends, an exception included, the form is hidden and the window
  // that was active before is active again.
  struct TModalRun {
    TForm& Form;
    QPointer<QWidget> Previous;
    ~TModalRun() {
      Form.FModal = false;
      Form.Hide();
      Form.Widget()->setWindowModality(Qt::NonModal);
      if (Previous && Previous->isVisible()) Previous->activateWindow();
    }
  } run{*this, previous};
  Widget()->setWindowModality(Qt::ApplicationModal);
  FModal = true;
  FModalResult = mrNone;
  Show();
  while (FModalResult == mrNone) {
    if (Application && Application->Terminated()) {
      FModalResult = mrCancel;
      break;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (FModalResult != mrNone) CloseModal();
  }
  return FModalResult;
}

void TForm::CloseModal() {
  try {
    TCloseAction action = caNone;
    if (CloseQuery()) {
      action = caHide;
      DoClose(action);
    }
    if (action == caNone) FModalResult = mrNone;
    if (action == caFree) Release();
  } catch (...) {
    // The form stays up, and the user is told why.
    FModalResult = mrNone;
    if (Application) Application->HandleException(this);
  }
}

void TForm::Close() {
  if (FModal) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = FFormStyle == fsMDIChild ? caMinimize : caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->MainForm() == this) {
    Application->Terminate();
    return;
  }
  switch (action) {
  case caHide: Hide(); break;
  case caFree: Release(); break;
  case caMinimize: SetWindowState(wsMinimized); break;
  default: break;
  }
}

void TForm::WndProc(TMessage& Message) {
  // The close box asks the form like its Close command does.
  if (Message.Msg == WM_CLOSE) {
    Close();
    return;
  }
  // Moves reach the window only when a control or the client area let them through; the
  // client area reports those over the bare form.
  if (Message.Msg == WM_MOUSEMOVE) {
    DefaultHandler(Message);
    return;
  }
  // Enter that no control took presses the button that has the focus, else the form's default
  // button, as it does in a dialog.
  if (Message.Msg == WM_KEYDOWN && Message.WParam == VK_RETURN) {
    QWidget* window = Widget();
    auto* button = qobject_cast<QPushButton*>(window->focusWidget());
    for (QPushButton* candidate : window->findChildren<QPushButton*>())
      if (!button && candidate->isDefault() && candidate->window() == window && candidate->isVisible() &&
          candidate->isEnabled())
        button = candidate;
    if (button) {
      button->click();
      Message.Result = 0;
      return;
    }
  }
  TWinControl::WndProc(Message);
}

TForm* GetParentForm(TControl* Control) {
  while (Control && Control->Parent())
    Control = Control->Parent();
  return dynamic_cast<TForm*>(Control);
}

void RegisterFormsClasses() {
  static const bool done = [] {
    RegisterControlsClasses();
    RegisterMenusClasses();
    RegisterEnumNames(typeid(TWindowState), {"wsNormal", "wsMinimized", "wsMaximized"});
    RegisterEnumNames(typeid(TFormStyle), {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"});
    RegisterEnumNames(typeid(TPosition),
                      {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter"});
    TClassRegistration<TForm>("TForm", "TWinControl")
        .Property("Caption", &TForm::Caption, &TForm::SetCaption)
        .Property("FormStyle", &TForm::FormStyle, &TForm::SetFormStyle, fsNormal)
        .Property("Position", &TForm::Position, &TForm::SetPosition, poDesigned)
        .Property("BorderStyle", &TForm::BorderStyle, &TForm::SetBorderStyle, bsSizeable)
        .Property("ClientWidth", &TForm::ClientWidth, &TForm::SetClientWidth)
        .Property("ClientHeight", &TForm::ClientHeight, &TForm::SetClientHeight)
        .Property("Menu", &TForm::Menu, &TForm::SetMenu)
        .Property("WindowMenu", &TForm::WindowMenu, &TForm::SetWindowMenu)
        .Property("WindowState", &TForm::WindowState, &TForm::SetWindowState, wsNormal)
        .Property("OnCreate", &TForm::OnCreate, &TForm::SetOnCreate)
        .Property("OnDestroy", &TForm::OnDestroy, &TForm::SetOnDestroy)
        .Property("OnClose", &TForm::OnClose, &TForm::SetOnClose)
        .Property("OnCloseQuery", &TForm::OnCloseQuery, &TForm::SetOnCloseQuery);
    return true;
  }();
  (void)done;
}
