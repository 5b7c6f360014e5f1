// Times an editor window on a generated INI file of 5 MB with 20,000 sections: loading it
// with its section menu, opening its Find menu from the menu bar, and a find-next that runs
// from the start to a match near the end; beside it, the time the text control alone takes to
// load the same file. Prints one line of milliseconds; the file goes in a directory under /tmp
// that is removed again.
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <cstdio>
#include <string>

#include "bench/EditorBench.h"
#include "editor/EditForm.h"

namespace {

// Sections of eight keys each up to Size bytes, CR LF line breaks; the one "needle" of the file
// is the last key of the last section.
std::string IniText(std::size_t Size, int Sections) {
  std::string text;
  text.reserve(Size + 256);
  const std::size_t perSection = Size / static_cast<std::size_t>(Sections);
  for (int s = 0; s < Sections; ++s) {
    const std::size_t end = text.size() + perSection;
    text += "[Section" + std::to_string(s) + "]\r\n";
    for (int k = 0; text.size() + 40 < end; ++k)
      text += "Key" + std::to_string(k) + "=Value of a setting, " + std::to_string(s * 8 + k) + "\r\n";
    text.append(end - text.size() - 2, ';');
    text += "\r\n";
  }
  text += "needle=last\r\n";
  return text;
}

// Runs the timings on the file at Path and prints them; 1 when the window does not behave.
int Measure(const std::string& Path) {
  // The text control alone, shown in a window of the editor's size.
  Clock::time_point start = Clock::now();
  {
    TRichEdit edit(nullptr);
    edit.SetBounds(0, 0, 429, 215);
    edit.Widget()->show();
    edit.LoadFromFile(Path);
    Application->ProcessMessages();
  }
  const double control = Ms(Clock::now() - start);

  start = Clock::now();
  auto* editor = new TEditForm(MainForm);
  editor->LoadFile(Path);
  Application->ProcessMessages();
  const double load = Ms(Clock::now() - start);
  if (editor->Find->Count() != 5 + 20000) {
    std::fprintf(stderr, "the Find menu has %d entries\n", editor->Find->Count());
    return 1;
  }

  // The Find menu opens as a click on the menu bar opens it, and counts as open once painted;
  // it is taken as it is, its entries put in as it opens.
  QMenu* menu = editor->Find->MenuAction()->menu<QMenu*>();
  QMenuBar* bar = MainForm->Widget()->findChild<QMenuBar*>();
  start = Clock::now();
  bar->setActiveAction(menu->menuAction());
  while (!menu->isVisible())
    QApplication::processEvents();
  menu->repaint();
  const double open = Ms(Clock::now() - start);
  menu->hide();
  Application->ProcessMessages();

  editor->FTD->SetFindText("NEEDLE");
  editor->RE1->SetSelStart(0);
  start = Clock::now();
  editor->FTD->FindNext();
  const double find = Ms(Clock::now() - start);
  if (editor->RE1->SelText() != "needle") {
    std::fprintf(stderr, "find-next selected \"%s\"\n", editor->RE1->SelText().c_str());
    return 1;
  }

  start = Clock::now();
  MainForm->Free();
  MainForm = nullptr;
  const double close = Ms(Clock::now() - start);
  std::printf("control_ms %.1f loadfile_ms %.1f open_menu_ms %.1f find_next_ms %.2f close_ms %.1f\n", control, load,
              open, find, close);
  return 0;
}

} // namespace

int main(int, char** argv) { return MeasureOnFile(argv, "big.ini", IniText(5 << 20, 20000), Measure); }
