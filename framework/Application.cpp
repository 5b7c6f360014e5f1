// The application object, its exception box and message loop, and the screen's list of forms.
#include "framework/Forms.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QWidget>
#include <algorithm>

#include "framework/Accessible.h"
#include "framework/QtConvert.h"
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
  if (FTitle == Value) return;
  FTitle = Value;
  QCoreApplication::setApplicationName(ToQString(Value));
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
