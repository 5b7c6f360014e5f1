// Reads any text as a form description into a fresh form, with every class the program's
// descriptions may name registered. Whatever the text, the read ends normally or with an
// Exception (EReadError for text it cannot read), and nothing it made outlives the form.
#include <QCoreApplication>
#include <cstddef>
#include <cstdint>

#include "app/MainForm.h"
#include "framework/FormReader.h"
#include "platform/Seams.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // The application stays for the whole run, with an MDI frame as its main form, so that a
  // description of an MDI child can be read too.
  auto* application = new TApplication(*argc, *argv);
  application->SetTitle("Tabrix");
  Seams::Enable();
  RegisterMainFormClasses();
  TForm* frame = nullptr;
  Application->CreateForm(frame);
  frame->SetFormStyle(fsMDIForm);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const String text(reinterpret_cast<const char*>(Data), Size);
  auto* form = new TForm(Application);
  try {
    ReadFormDescription(form, text, "fuzz.form");
  } catch (const Exception&) {
  }
  form->Free();
  // Forms released while being read go now, as they would once back in the message loop.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return 0;
}
