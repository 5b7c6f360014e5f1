#include "framework/Forms.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPointer>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

#include "framework/FormReader.h"
#include "framework/TypInfo.h"
#include "platform/QtWindow.h"

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {

// The Qt application behind the application object, made unless one exists already.
QApplication* QtApplication(int& argc, char** argv) {
  if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) return existing;
  return new QApplication(argc, argv);
}

} // namespace

TApplication::TApplication(int& argc, char** argv) : TComponent(nullptr) {
  QApplication* app = QtApplication(argc, argv);
  app->setQuitOnLastWindowClosed(false);
  Application = this;
  Screen = new TScreen(this);
  QObject::connect(app, &QApplication::focusChanged, app, [](QWidget*, QWidget*) {
    if (Screen) Screen->UpdateActiveForm();
  });
  SetMessageExceptionHandler([] {
    if (Application) Application->HandleException(nullptr);
  });
  RegisterFormsClasses();
}

TApplication::~TApplication() {
  BeginDestruction();
  Screen = nullptr;
  SetMessageExceptionHandler(nullptr);
  Application = nullptr;
}

void TApplication::Initialize() {}

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
  QCoreApplication::sendPostedEvents();
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
  // A form going away is a change of the active form for those who count forms.
  UpdateActiveForm();
  if (FOnActiveFormChange && !IsDestroying()) FOnActiveFormChange(this);
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
  CreateWindow();
  if (Screen) Screen->AddForm(this);
}

TForm::~TForm() {
  if (FOnDestroy) GuardedCall([this] { FOnDestroy(this); });
  delete FReleaser;
  BeginDestruction();
  if (Application && Application->FMainForm == this) Application->FMainForm = nullptr;
  if (Screen) Screen->RemoveForm(this);
}

void TForm::CreateWindow() {
  auto* window = new QWidget(nullptr, Qt::Window);
  auto* layout = new QVBoxLayout(window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  FClient = new QWidget(window);
  layout->addWidget(FClient, 1);
  window->resize(320, 240);
  SetWidget(window);
  SetVisible(false);
}

void TForm::ReadDescription(const String& ClassName) {
  ReadFormResource(this, ClassName);
  if (FOnCreate) FOnCreate(this);
  if (Visible()) Show();
}

void TForm::SetCaption(const String& Value) {
  FCaption = Value;
  Widget()->setWindowTitle(QString::fromStdString(Value));
}

void TForm::SetFormStyle(TFormStyle Value) { FFormStyle = Value; }

void TForm::SetBorderStyle(TFormBorderStyle Value) {
  FBorderStyle = Value;
  if (Value == bsDialog) Widget()->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
}

int TForm::ClientWidth() const { return FClient->width(); }
int TForm::ClientHeight() const { return FClient->height(); }
void TForm::SetClientWidth(int Value) {
  Widget()->resize(Value, Widget()->height() - FClient->height() + ClientHeight());
}
void TForm::SetClientHeight(int Value) {
  Widget()->resize(Widget()->width(), Widget()->height() - FClient->height() + Value);
}

void TForm::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  Widget()->setGeometry(ALeft, ATop, std::max(AWidth, 0), std::max(AHeight, 0));
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
  Widget()->show();
  Widget()->raise();
  Widget()->activateWindow();
  if (!FShown) {
    FShown = true;
    AlignControls();
  }
  if (Screen) Screen->SetActiveForm(this);
}

void TForm::Hide() {
  if (Visible()) TControl::SetVisible(false);
  Widget()->hide();
}

bool TForm::CloseQuery() {
  bool canClose = true;
  if (FOnCloseQuery) FOnCloseQuery(this, canClose);
  return canClose;
}

void TForm::DoClose(TCloseAction& Action) {
  if (FOnClose) FOnClose(this, Action);
}

void TForm::Close() {
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
  default: break;
  }
}

void TForm::Release() {
  if (FReleaser) return;
  FReleaser = new QObject;
  QObject::connect(FReleaser, &QObject::destroyed, [this] {
    FReleaser = nullptr;
    delete this;
  });
  FReleaser->deleteLater();
}

void TForm::WndProc(TMessage& Message) {
  // The close box asks the form like its Close command does.
  if (Message.Msg == WM_CLOSE) {
    Close();
    return;
  }
  TWinControl::WndProc(Message);
}

void RegisterFormsClasses() {
  static const bool done = [] {
    RegisterControlsClasses();
    RegisterEnumNames(typeid(TFormStyle), {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"});
    RegisterEnumNames(typeid(TPosition),
                      {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter"});
    RegisterEnumNames(typeid(TFormBorderStyle), {"bsNone", "bsSingle", "bsSizeable", "bsDialog"});
    TClassRegistration<TForm>("TForm", "TWinControl")
        .Property("Caption", &TForm::Caption, &TForm::SetCaption)
        .Property("FormStyle", &TForm::FormStyle, &TForm::SetFormStyle, fsNormal)
        .Property("Position", &TForm::Position, &TForm::SetPosition, poDesigned)
        .Property("BorderStyle", &TForm::BorderStyle, &TForm::SetBorderStyle, bsSizeable)
        .Property("ClientWidth", &TForm::ClientWidth, &TForm::SetClientWidth)
        .Property("ClientHeight", &TForm::ClientHeight, &TForm::SetClientHeight)
        .Property("OnCreate", &TForm::OnCreate, &TForm::SetOnCreate)
        .Property("OnDestroy", &TForm::OnDestroy, &TForm::SetOnDestroy)
        .Property("OnClose", &TForm::OnClose, &TForm::SetOnClose)
        .Property("OnCloseQuery", &TForm::OnCloseQuery, &TForm::SetOnCloseQuery);
    return true;
  }();
  (void)done;
}
