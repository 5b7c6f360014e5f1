#pragma once
// The application object, the screen, and forms.

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "framework/Bitmaps.h"
#include "framework/Controls.h"
#include "framework/Menus.h"

class QApplication;
class QWidget;
class QMdiArea;
class QMdiSubWindow;
class QMenuBar;
class QObject;
class TForm;
class TMainMenu;
class TMenuItem;
class TProgramChannel;

enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };

// The result a modal form ends with: none while it runs, else the result of the button that
// ended it, or mrCancel for a close through its close box or Close.
constexpr int mrNone = 0;
constexpr int mrOk = IDOK;
constexpr int mrCancel = IDCANCEL;

// An operation a control cannot do in its present state.
class EInvalidOperation : public Exception {
public:
  using Exception::Exception;
};

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
// Files to open, in order, each an absolute path.
using TOpenFilesEvent = std::function<void(const std::vector<String>& Files)>;

class TApplication : public TComponent {
public:
  TApplication(int& argc, char** argv);
  ~TApplication() override;

  void Initialize();
  const String& Title() const { return FTitle; }
  void SetTitle(const String& Value);

  // Makes a form of class T owned by the application; the first one made is the main form.
  // Makes a form owned by the application; the first becomes the main form. A form that
  // cannot be made (its description does not fit its class) is reported, and the program
  // stops: Run returns at once.
  template <class T> void CreateForm(T*& Reference) {
    try {
      Reference = new T(this);
    } catch (...) {
      Reference = nullptr;
      HandleException(this);
      Terminate();
      return;
    }
    if (!FMainForm) FMainForm = Reference;
  }
  TForm* MainForm() const { return FMainForm; }

  // Shows the main form and runs the message loop until Terminate.
  void Run();
  void Terminate();
  bool Terminated() const { return FTerminated; }
  // Delivers every posted message and handles the window system's pending input and due
  // timers, then returns; may be called from a handler.
  void ProcessMessages();
  // Brings the main form to the front, restored when it was minimised, and activates it.
  void BringToFront();
  // One program for a user on a display. When one runs there, hands Files over to it and
  // returns 0, or says on standard error that it does not take them within 3 s and returns 1:
  // the program then ends with that status. Otherwise returns -1: this program is the one,
  // and OnOpenFiles is told of the files each later start hands over (none: come to the front).
  int JoinRunningProgram(const std::vector<String>& Files);
  TOpenFilesEvent OnOpenFiles() const { return FOnOpenFiles; }
  void SetOnOpenFiles(TOpenFilesEvent Value) { FOnOpenFiles = std::move(Value); }

  const String& Hint() const { return FHint; }
  void SetHint(const String& Value);
  TNotifyEvent OnHint() const { return FOnHint; }
  void SetOnHint(TNotifyEvent Value) { FOnHint = std::move(Value); }

  // Shows the message of the exception being handled (inside a catch block).
  void HandleException(TObject* Sender);
  // A modal box with the message and a full stop, captioned with the title, stop icon, OK.
  void ShowException(const String& Message);

private:
  friend class TForm;
  std::unique_ptr<QApplication> FQtApplication;
  std::chrono::steady_clock::time_point FLastEventLoopTurn;
  String FTitle;
  TForm* FMainForm = nullptr;
  bool FTerminated = false;
  String FHint;
  TNotifyEvent FOnHint;
  std::unique_ptr<TProgramChannel> FChannel;
  TOpenFilesEvent FOnOpenFiles;
};

extern TApplication* Application;

// What the program was started with.
struct TCommandLine {
  // The files to open, in the order given, each made absolute from the working directory;
  // the bytes of each name as they came, UTF-8 or not.
  std::vector<String> Files;
  // Start a program of its own rather than hand the files to the one running.
  bool NewWindow = false;
  // From 0 up: the program ends at once with this status, having printed its usage or
  // version on standard output, or (2) what was wrong on standard error.
  int ExitCode = -1;
};

// Reads the command line: [--new-window] [FILE...], --help, --version ("Tabrix " Version).
// Runs before the application object exists, so that it answers without a display.
TCommandLine ReadCommandLine(int argc, char** argv, const String& Version);

class TScreen : public TComponent {
public:
  using TComponent::TComponent;

  // The form that holds the focus (an MDI child when the focus is inside one).
  TForm* ActiveForm() const { return FActiveForm; }
  int FormCount() const { return static_cast<int>(FForms.size()); }
  TForm* Forms(int Index) const { return FForms.at(static_cast<std::size_t>(Index)); }

  TNotifyEvent OnActiveFormChange() const { return FOnActiveFormChange; }
  void SetOnActiveFormChange(TNotifyEvent Value) { FOnActiveFormChange = std::move(Value); }

  // Looks again at where the focus is and reports a change of the active form.
  void UpdateActiveForm();

private:
  friend class TForm;
  void AddForm(TForm* Form);
  void RemoveForm(TForm* Form);
  void SetActiveForm(TForm* Form);
  std::vector<TForm*> FForms;
  TForm* FActiveForm = nullptr;
  TNotifyEvent FOnActiveFormChange;
};

extern TScreen* Screen;

class TForm : public TWinControl {
public:
  // A form without a description.
  explicit TForm(TComponent* AOwner);
  ~TForm() override;
  // Fires OnDestroy while the whole form, derived parts included, still exists.
  void BeforeDestruction() override;

  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle Value);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition Value) { FPosition = Value; }
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  // bsDialog: a dialog's frame, with a title and a close box, that cannot be resized.
  void SetBorderStyle(TFormBorderStyle Value);
  // The size of the window less its menu bar, also before the window first shows.
  int ClientWidth() const;
  int ClientHeight() const;
  void SetClientWidth(int Value);
  void SetClientHeight(int Value);
  void SetVisible(bool Value) override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

  TMainMenu* Menu() const { return FMenu; }
  void SetMenu(TMainMenu* Value);
  // The menu that lists the open MDI children at its end.
  TMenuItem* WindowMenu() const { return FWindowMenu; }
  void SetWindowMenu(TMenuItem* Value);
  TWindowState WindowState() const;
  void SetWindowState(TWindowState Value);

  // MDI frame: the children, the most recently activated first.
  int MDIChildCount() const { return static_cast<int>(FMDIChildren.size()); }
  TForm* MDIChildren(int Index) const;
  // The current child, or none.
  TForm* ActiveMDIChild() const;
  void Cascade();
  // Children one above the other, each the full width of the client area; in Qt's grid when
  // there are too many for strips that show text.
  void Tile();
  // Minimised children in rows along the bottom of the client area, all within it.
  void ArrangeIcons();
  // The MDI client window of a frame; 0 for other forms.
  HWND ClientHandle() const { return FClientHandle; }
  QMdiArea* MDIArea() const { return FMDIArea; }
  // A surface for drawing on a device context it is bound to; its brush is the form's colour.
  TCanvas* Canvas() { return &FCanvas; }

  TNotifyEvent OnCreate() const { return FOnCreate; }
  void SetOnCreate(TNotifyEvent Value) { FOnCreate = std::move(Value); }
  TNotifyEvent OnDestroy() const { return FOnDestroy; }
  void SetOnDestroy(TNotifyEvent Value) { FOnDestroy = std::move(Value); }
  TCloseEvent OnClose() const { return FOnClose; }
  void SetOnClose(TCloseEvent Value) { FOnClose = std::move(Value); }
  TCloseQueryEvent OnCloseQuery() const { return FOnCloseQuery; }
  void SetOnCloseQuery(TCloseQueryEvent Value) { FOnCloseQuery = std::move(Value); }

  void Show();
  void Hide();
  // Shows the form, disabling the application's other windows, and handles messages until
  // ModalResult is set; the form is then asked as by Close and hidden, unless it refuses.
  // Returns the modal result. Raises EInvalidOperation for a form already shown.
  int ShowModal();
  int ModalResult() const { return FModalResult; }
  void SetModalResult(int Value) { FModalResult = Value; }
  // Asks OnCloseQuery, then OnClose, then acts on the close action. A modal form is only
  // given the result mrCancel: its modal loop asks it.
  void Close();
  virtual bool CloseQuery();

  QWidget* ClientWidget() const override { return FClient; }
  void WndProc(TMessage& Message) override;
  // The caption.
  String AccessibleName() const override { return FCaption; }

protected:
  // For forms made from a description: the derived constructor calls ReadDescription.
  struct TNoDescription {};
  TForm(TComponent* AOwner, TNoDescription);
  // Reads the form's description (and its base forms'), then fires OnCreate.
  void ReadDescription(const String& ClassName);
  virtual void DoClose(TCloseAction& Action);

  void AlignRemainder(int ALeft, int ATop, int AWidth, int AHeight) override;
  void ColorChanged() override;

private:
  // The distance between two cascaded children: one title bar.
  static int CascadeStep(QWidget* W);
  void CreateWindow();
  // Ends a modal run: asks the form whether it may close; a refusal clears ModalResult.
  void CloseModal();
  // Gives the window a new size, kept fixed for a dialog's frame.
  void ResizeWindow(int AWidth, int AHeight);
  int MenuBarHeight() const;
  // Places a top-level window before it first shows, as Position says.
  void Place();
  void BecomeMDIFrame();
  void BecomeMDIChild();
  // Fills the menu bar: the frame's own entries merged with the current child's by group index.
  void UpdateMenuBar();
  void ChildActivated(TForm* Child);
  void FillWindowMenu();
  QWidget* FrameWidget() const;
  String FCaption;
  TMainMenu* FMenu = nullptr;
  TMenuItem* FWindowMenu = nullptr;
  QMenuBar* FMenuBar = nullptr;
  QMdiArea* FMDIArea = nullptr;
  HWND FClientHandle = nullptr;
  WNDPROC FMDIClientProc = nullptr;
  TCanvas FCanvas;
  std::vector<TForm*> FMDIChildren;
  TForm* FFrame = nullptr;
  QMdiSubWindow* FSubWindow = nullptr;
  TFormStyle FFormStyle = fsNormal;
  TPosition FPosition = poDesigned;
  TFormBorderStyle FBorderStyle = bsSizeable;
  QWidget* FClient = nullptr;
  WNDPROC FClientProc = nullptr;
  bool FShown = false;
  bool FModal = false;
  int FModalResult = mrNone;
  TNotifyEvent FOnCreate;
  TNotifyEvent FOnDestroy;
  TCloseEvent FOnClose;
  TCloseQueryEvent FOnCloseQuery;
};

// The form a control is placed on, or none.
TForm* GetParentForm(TControl* Control);

void RegisterFormsClasses();
