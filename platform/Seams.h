#pragma once
// Answers and records for modal interaction, set by tests only so that nothing waits for a user.

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

// Once enabled, message boxes are not shown: each takes the next queued answer (the box's
// first button when none is queued) and is recorded.
void EnableMessageBoxes();
void QueueMessageBoxAnswer(int Answer);
std::vector<TMessageBoxRecord>& MessageBoxes();
bool MessageBoxesEnabled();
// The answer for a box about to show, and its record.
int TakeMessageBoxAnswer(const TMessageBoxRecord& Record);

int BeepCount();
void CountBeep();

// Forgets every queued answer and every record.
void Reset();

} // namespace Seams
