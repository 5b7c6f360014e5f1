#include "framework/Printers.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace {

// The PDF file jobs go to while the test seam is set; empty for the real printer.
String& PdfPath() {
  static String path;
  return path;
}

} // namespace

TPrinter::TPrinter() = default;
TPrinter::~TPrinter() = default;

QPrinter* TPrinter::QtPrinter() {
  if (!PdfPath().empty()) {
    if (!FPdf) {
      FPdf = std::make_unique<QPrinter>(QPrinter::HighResolution);
      FPdf->setOutputFormat(QPrinter::PdfFormat);
    }
    FPdf->setOutputFileName(QString::fromStdString(PdfPath()));
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

namespace Seams {

void PrintToPdf(const String& Path) { PdfPath() = Path; }
void PrintToPrinter() { PdfPath().clear(); }

} // namespace Seams
