#include "framework/Printers.h"

#include <QPrinter>
#include <QPrinterInfo>

#include "platform/Seams.h"

TPrinter::TPrinter() = default;
TPrinter::~TPrinter() = default;

QPrinter* TPrinter::QtPrinter() {
  if (const String& pdf = Seams::PdfPath(); !pdf.empty()) {
    if (!FPdf) {
      FPdf = std::make_unique<QPrinter>(QPrinter::HighResolution);
      FPdf->setOutputFormat(QPrinter::PdfFormat);
    }
    FPdf->setOutputFileName(QString::fromStdString(pdf));
    return FPdf.get();
  }
  if (!FSystem) {
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) throw EPrinter("There is no default printer currently selected");
    FSystem = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
  }
  return FSystem.get();
}

TPrinter* Printer() {
  // Never freed: its Qt devices must not outlive the application object at exit.
  static auto* printer = new TPrinter;
  return printer;
}
