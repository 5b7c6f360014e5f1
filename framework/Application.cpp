// The application object, its exception box and message loop, and the screen's list of forms.
#include "framework/Forms.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QIcon>
#include <QRegularExpression>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

#include "framework/Accessible.h"
#include "framework/QtConvert.h"
#include "platform/ProgramChannel.h"
#include "platform/QtWindow.h"
#include "platform/Seams.h"
#include "platform/Utf8.h"

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
  FChannel.reset();
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

void TApplication::BringToFront() {
  if (!FMainForm) return;
  QWidget* window = FMainForm->Widget();
  window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  window->raise();
  window->activateWindow();
}

int TApplication::JoinRunningProgram(const std::vector<String>& Files) {
  FChannel = std::make_unique<TProgramChannel>(TProgramChannel::DefaultName());
  switch (FChannel->Start(Files, [this](const TPathList& Handed) {
    if (FOnOpenFiles) FOnOpenFiles(Handed);
  })) {
  case TProgramChannel::psHandedOver: return 0;
  case TProgramChannel::psNoAnswer:
    std::fputs("tabrix: the Tabrix running on this display does not answer; no file was opened.\n", stderr);
    return 1;
  case TProgramChannel::psFirst: break;
  }
  return -1;
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

// The command line

namespace {

// Path made absolute from the working directory, "." and ".." taken out of it as a shell's
// "cd" takes them; left as it is when the working directory has gone.
String AbsolutePath(const String& Path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(Path, error);
  return error ? Path : absolute.lexically_normal().string();
}

} // namespace

TCommandLine ReadCommandLine(int argc, char** argv, const String& Version) {
  TCommandLine line;
  // Qt's parser is given each argument as it is shown, bytes that are not UTF-8 as "\xNN":
  // that keeps every two arguments apart, and a file is then given its argument's own bytes.
  QStringList arguments;
  std::map<QString, String> bytes;
  for (int i = 0; i < argc; ++i) {
    const QString shown = ToQString(ReadableName(argv[i]));
    arguments << shown;
    bytes[shown] = argv[i];
  }
  QCommandLineParser parser;
  parser.setApplicationDescription("Finds the INI and INF files of a drive and edits them. Each FILE opens in an "
                                   "editor window of its own; when Tabrix runs already, it opens them.");
  parser.addPositionalArgument("FILE", "A file to open (after --, a name may begin with \"-\").", "[FILE...]");
  const QCommandLineOption newWindow("new-window", "Start a program of its own instead of opening the files in the "
                                                   "one already running.");
  const QCommandLineOption help(QStringList{"h", "help"}, "Show this help and exit.");
  const QCommandLineOption version(QStringList{"v", "version"}, "Show the version and exit.");
  parser.addOptions({newWindow, help, version});
  if (!parser.parse(arguments)) {
    std::fprintf(stderr, "tabrix: %s\nTry \"tabrix --help\".\n", parser.errorText().toStdString().c_str());
    line.ExitCode = 2;
  } else if (parser.isSet(help)) {
    // The usage names the program as it is called, not by the path it was started from.
    QString usage = parser.helpText();
    usage.replace(QRegularExpression("^Usage: \\S+"), "Usage: tabrix");
    std::fputs(usage.toStdString().c_str(), stdout);
    line.ExitCode = 0;
  } else if (parser.isSet(version)) {
    std::printf("Tabrix %s\n", Version.c_str());
    line.ExitCode = 0;
  } else {
    line.NewWindow = parser.isSet(newWindow);
    for (const QString& file : parser.positionalArguments())
      line.Files.push_back(AbsolutePath(bytes[file]));
  }
  return line;
}
