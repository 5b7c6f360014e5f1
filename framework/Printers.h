#pragma once
// The printer print jobs go to: the system's default printer, or a PDF file where there is none.

#include <memory>

#include "framework/SysUtils.h"

class QPrinter;

// A printing error of the framework's own (a job that failed).
class EPrinter : public Exception {
public:
  using Exception::Exception;
};

class TPrinter : public TObject {
public:
  TPrinter();
  ~TPrinter() override;

  // The device for a print job: QtPrinter, and where that is a PDF file, the standard print
  // dialog first, which offers printing to a PDF file. None when the user cancels it.
  QPrinter* JobPrinter();

private:
  // The device a job is painted on: the default printer's, made on first use and kept for
  // later jobs while that printer stays the default; where the system has no default printer,
  // or its print server does not answer within a few seconds, a PDF file's. The window is
  // repainted while the print system is asked.
  QPrinter* QtPrinter();
  std::unique_ptr<QPrinter> FSystem;
  std::unique_ptr<QPrinter> FPdf;
};

// The framework's current printer.
TPrinter* Printer();
