#include "platform/Seams.h"

#include <deque>

namespace Seams {
namespace {

struct TState {
  bool Enabled = false;
  std::deque<int> Answers;
  std::vector<TMessageBoxRecord> Boxes;
  int Beeps = 0;
};

TState& State() {
  static TState state;
  return state;
}

int FirstButton(UINT Type) {
  switch (Type & 0x0F) {
  case MB_ABORTRETRYIGNORE: return IDABORT;
  case MB_YESNOCANCEL:
  case MB_YESNO: return IDYES;
  case MB_RETRYCANCEL: return IDRETRY;
  default: return IDOK;
  }
}

} // namespace

void EnableMessageBoxes() { State().Enabled = true; }
void QueueMessageBoxAnswer(int Answer) { State().Answers.push_back(Answer); }
std::vector<TMessageBoxRecord>& MessageBoxes() { return State().Boxes; }
bool MessageBoxesEnabled() { return State().Enabled; }

int TakeMessageBoxAnswer(const TMessageBoxRecord& Record) {
  TState& s = State();
  s.Boxes.push_back(Record);
  if (s.Answers.empty()) return FirstButton(Record.Type);
  int answer = s.Answers.front();
  s.Answers.pop_front();
  return answer;
}

int BeepCount() { return State().Beeps; }
void CountBeep() { ++State().Beeps; }

void Reset() {
  TState& s = State();
  s.Answers.clear();
  s.Boxes.clear();
  s.Beeps = 0;
}

} // namespace Seams
