#include "framework/Printers.h"

#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "framework/QtConvert.h"
#include "platform/PrintServer.h"
#include "platform/Seams.h"

namespace {

// How long the window waits for the print system to name the default printer.
constexpr auto PrinterLookupWait = std::chrono::seconds(3);

// The default printer's name as the print system gives it on a thread of its own, so that a
// server that does not answer keeps the thread, not the window; false when it has not
// answered within PrinterLookupWait. The window is repainted meanwhile, but takes no input.
bool LookUpDefaultPrinter(QString& Name) {
  struct TAnswer {
    std::mutex Lock;
    std::condition_variable Done;
    bool Answered = false;
    QString Name;
  };
  auto answer = std::make_shared<TAnswer>();
  std::thread([answer] {
    QString name = QPrinterInfo::defaultPrinterName();
    std::lock_guard lock(answer->Lock);
    answer->Name = name;
    answer->Answered = true;
    answer->Done.notify_all();
  }).detach();
  const auto deadline = std::chrono::steady_clock::now() + PrinterLookupWait;
  std::unique_lock lock(answer->Lock);
  while (!answer->Answered && std::chrono::steady_clock::now() < deadline) {
    lock.unlock();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    lock.lock();
    answer->Done.wait_for(lock, std::chrono::milliseconds(10));
  }
  Name = answer->Name;
  return answer->Answered;
}

} // namespace

TPrinter::TPrinter() = default;
TPrinter::~TPrinter() = default;

QPrinter* TPrinter::QtPrinter() {
  if (const String& pdf = Seams::PdfPath(); !pdf.empty()) {
    if (!FPdf) {
      FPdf = std::make_unique<QPrinter>(QPrinter::HighResolution);
      FPdf->setOutputFormat(QPrinter::PdfFormat);
    }
    FPdf->setOutputFileName(ToQString(pdf));
    return FPdf.get();
  }
  QString name;
  if (LookUpDefaultPrinter(name)) {
    UseDefaultPrintServer();
  } else {
    // This thread's requests would wait as long: the print dialog and the PDF device made
    // below are to open at once.
    UseNoPrintServer();
  }
  if (!name.isEmpty()) {
    if (!FSystem || FSystem->printerName() != name)
      FSystem = std::make_unique<QPrinter>(QPrinterInfo::printerInfo(name), QPrinter::HighResolution);
    return FSystem.get();
  }
  if (!FPdf) {
    FPdf = std::make_unique<QPrinter>(QPrinter::HighResolution);
    FPdf->setOutputFormat(QPrinter::PdfFormat);
  }
  return FPdf.get();
}

QPrinter* TPrinter::JobPrinter() {
  QPrinter* printer = QtPrinter();
  if (printer != FPdf.get() || !Seams::PdfPath().empty()) return printer;
  // Without a printer the user chooses the PDF file in the print dialog, for every job.
  if (Seams::Enabled()) {
    const Seams::TDialogResult result = Seams::TakeDialogResult();
    if (!result.Ok) return nullptr;
    printer->setOutputFileName(ToQString(result.FileName));
    return printer;
  }
  QPrintDialog dialog(printer, QApplication::activeWindow());
  return dialog.exec() == QDialog::Accepted ? printer : nullptr;
}

TPrinter* Printer() {
  // Never freed: its Qt devices must not outlive the application object at exit.
  static auto* printer = new TPrinter;
  return printer;
}
