#pragma once
// The application object, the screen, and forms.

#include "framework/Classes.h"

class TForm;

class TApplication : public TComponent {
public:
  TApplication(int& argc, char** argv);
  ~TApplication() override;

  void Initialize();
  const String& Title() const { return FTitle; }
  void SetTitle(const String& Value);

  // Makes a form of class T owned by the application; the first one made is the main form.
  template <class T>
  void CreateForm(T*& Reference) {
    Reference = new T(this);
    if (!FMainForm) FMainForm = Reference;
  }
  TForm* MainForm() const { return FMainForm; }

  // Runs the message loop until Terminate.
  void Run();
  void Terminate();
  bool Terminated() const { return FTerminated; }
  // Handles every pending event and posted message, then returns; may be called from a handler.
  void ProcessMessages();

  const String& Hint() const { return FHint; }
  void SetHint(const String& Value);
  TNotifyEvent OnHint() const { return FOnHint; }
  void SetOnHint(TNotifyEvent Value) { FOnHint = std::move(Value); }

  // Shows the message of the exception being handled, with a full stop appended.
  void HandleException(TObject* Sender);
  void ShowException(const String& Message);

private:
  friend class TForm;
  String FTitle;
  TForm* FMainForm = nullptr;
  bool FTerminated = false;
  String FHint;
  TNotifyEvent FOnHint;
  struct TQtApp;
  TQtApp* FQt;
};

extern TApplication* Application;
