// Times an editor window on a file whose one line is very long (2 MB by default, or the
// number of kilobytes given as the first argument; "solid" as the second: without blanks):
// LoadFile alone, and loading until the window has painted; typing a character at the end of
// the line, and moving the caret to the start and back to the end, each until painted. Prints
// "name value" pairs in milliseconds; the file goes in a directory under /tmp that is removed
// again.
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <cstdio>
#include <string>

#include "bench/EditorBench.h"
#include "editor/EditForm.h"

namespace {

// One line of Size bytes: words separated by blanks, as a long list of names would be, or
// with Solid one word without a blank, as an encoded blob would be.
std::string LongLine(std::size_t Size, bool Solid) {
  std::string text = "[Section]\r\nKey=";
  while (text.size() < Size)
    text += "value" + std::to_string(text.size() % 9973) + (Solid ? '+' : ' ');
  text += "\r\n";
  return text;
}

// Sends a key press and release to the widget with the focus, as typing does.
void Key(QWidget* Target, int KeyCode, Qt::KeyboardModifiers Modifiers, const QString& Text = {}) {
  QKeyEvent press(QEvent::KeyPress, KeyCode, Modifiers, Text);
  QApplication::sendEvent(Target, &press);
  QKeyEvent release(QEvent::KeyRelease, KeyCode, Modifiers, Text);
  QApplication::sendEvent(Target, &release);
}

// Lets the window lay out and paint what changed.
void Settle(QWidget* W) {
  Application->ProcessMessages();
  W->repaint();
  Application->ProcessMessages();
}

int Measure(const std::string& Path) {
  Clock::time_point start = Clock::now();
  auto* editor = new TEditForm(MainForm);
  editor->LoadFile(Path);
  const double read = Ms(Clock::now() - start);
  QWidget* edit = editor->RE1->Widget();
  Settle(edit);
  const double load = Ms(Clock::now() - start);

  edit->setFocus();
  Key(edit, Qt::Key_End, Qt::ControlModifier);
  Settle(edit);
  start = Clock::now();
  Key(edit, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
  Settle(edit);
  const double type = Ms(Clock::now() - start);

  start = Clock::now();
  Key(edit, Qt::Key_Home, Qt::ControlModifier);
  Settle(edit);
  Key(edit, Qt::Key_End, Qt::ControlModifier);
  Settle(edit);
  const double move = Ms(Clock::now() - start);

  std::printf("loadfile_ms %.1f load_ms %.1f type_ms %.1f move_ms %.1f\n", read, load, type, move);
  return editor->GetModified() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
  const std::size_t kilobytes = argc > 1 ? std::stoul(argv[1]) : 2048;
  const bool solid = argc > 2 && std::string(argv[2]) == "solid";
  return MeasureOnFile(argv, "long.ini", LongLine(kilobytes * 1024, solid), Measure);
}
