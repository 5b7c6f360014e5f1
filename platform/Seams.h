#pragma once
// The test seams: answers and records for everything that would wait for a user or reach
// outside the program (message boxes, common dialogs, the printer, the bell). Set by tests
// only, all in this one place, with one Reset; they are not user options.

#include <functional>
#include <string>
#include <vector>

#include "platform/Windows.h"

namespace Seams {

struct TMessageBoxRecord {
  HWND Owner;
  std::string Text;
  std::string Caption;
  UINT Type;
};

struct TDialogResult {
  bool Ok;
  std::string FileName;
};

// Once enabled, message boxes and the open, save, print and find-in-files dialogs are not shown:
// each takes the next queued answer (a box its first button, a dialog false when none is
// queued) and is recorded.
void Enable();
bool Enabled();

void QueueMessageBoxAnswer(int Answer);
std::vector<TMessageBoxRecord>& MessageBoxes();
// The answer for a box about to show, and its record.
int TakeMessageBoxAnswer(const TMessageBoxRecord& Record);

void QueueDialogResult(bool Ok, const std::string& FileName = "");
TDialogResult TakeDialogResult();

// Print jobs go as PDF to Path instead of to the printer; empty: to the printer again.
void PrintToPdf(const std::string& Path);
const std::string& PdfPath();

int BeepCount();
void CountBeep();

// Something a layer above keeps for the tests and that Reset must clear too.
void AddResetAction(std::function<void()> Action);
// Forgets every queued answer and record, prints to the printer again, and runs the reset
// actions; the tests run it before each test.
void Reset();

} // namespace Seams
