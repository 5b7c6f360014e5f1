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
#include "framework/QtConvert.h"
#include "framework/TypInfo.h"
#include "platform/QtWindow.h"
#include "platform/Seams.h"

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
  if (FCaption == Value) return;
  FCaption = Value;
  FrameWidget()->setWindowTitle(ToQString(Value));
  UpdateAccessibleName();
}

void TForm::SetFormStyle(TFormStyle Value) {
  if (FFormStyle == Value) return;
  if (FFormStyle != fsNormal) throw Exception("Cannot change the style of a form once it is an MDI form");
  FFormStyle = Value;
  if (Value == fsMDIForm) BecomeMDIFrame();
  if (Value == fsMDIChild) BecomeMDIChild();
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
      // A child larger than the area is made to fit it: its title bar's buttons stay in sight.
      FSubWindow->resize(std::min(FSubWindow->width(), area.width()), std::min(FSubWindow->height(), area.height()));
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
    RegisterEnumNames(typeid(TFormStyle), {"fsNormal", "fsMDIChild", "fsMDIForm"});
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
