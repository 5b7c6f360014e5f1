#include "platform/Seams.h"

#include <deque>

namespace Seams {
namespace {

struct TState {
  bool Enabled = false;
  std::deque<int> Answers;
  std::vector<TMessageBoxRecord> Boxes;
  std::deque<TDialogResult> DialogResults;
  std::string PdfPath;
  int Beeps = 0;
  std::vector<std::function<void()>> ResetActions;
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

void Enable() { State().Enabled = true; }
bool Enabled() { return State().Enabled; }

void QueueMessageBoxAnswer(int Answer) { State().Answers.push_back(Answer); }
std::vector<TMessageBoxRecord>& MessageBoxes() { return State().Boxes; }

int TakeMessageBoxAnswer(const TMessageBoxRecord& Record) {
  TState& s = State();
  s.Boxes.push_back(Record);
  if (s.Answers.empty()) return FirstButton(Record.Type);
  int answer = s.Answers.front();
  s.Answers.pop_front();
  return answer;
}

void QueueDialogResult(bool Ok, const std::string& FileName) { State().DialogResults.push_back({Ok, FileName}); }

TDialogResult TakeDialogResult() {
  TState& s = State();
  if (s.DialogResults.empty()) return {false, {}};
  TDialogResult result = s.DialogResults.front();
  s.DialogResults.pop_front();
  return result;
}

void PrintToPdf(const std::string& Path) { State().PdfPath = Path; }
const std::string& PdfPath() { return State().PdfPath; }

int BeepCount() { return State().Beeps; }
void CountBeep() { ++State().Beeps; }

void AddResetAction(std::function<void()> Action) { State().ResetActions.push_back(std::move(Action)); }

void Reset() {
  TState& s = State();
  s.Answers.clear();
  s.Boxes.clear();
  s.DialogResults.clear();
  s.PdfPath.clear();
  s.Beeps = 0;
  for (const auto& action : s.ResetActions)
    action();
}

} // namespace Seams
