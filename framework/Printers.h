#pragma once
// The printer print jobs go to: the system's default printer.

#include <memory>

#include "framework/SysUtils.h"

class QPrinter;

// A printing error of the framework's own (no printer to print on, a job that failed).
class EPrinter : public Exception {
public:
  using Exception::Exception;
};

class TPrinter : public TObject {
public:
  TPrinter();
  ~TPrinter() override;

  // The device a job is painted on. The default printer's device is made on first use and
  // kept, so that settings chosen in the printer setup dialog hold for later jobs. Raises
  // EPrinter when the system has no default printer.
  QPrinter* QtPrinter();

private:
  std::unique_ptr<QPrinter> FSystem;
  std::unique_ptr<QPrinter> FPdf;
};

// The framework's current printer.
TPrinter* Printer();
