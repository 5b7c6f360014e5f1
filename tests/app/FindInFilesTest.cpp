#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>

#include "tests/app/MainFormTestSupport.h"

namespace {

class FindInFilesTest : public MainFormTest {
protected:
  // Lists the paths as a scan would, and searches them for Text with Options.
  TFindResultsForm* Search(const std::vector<String>& Paths, const String& Text, const TFindOptions& Options = {}) {
    MainForm->LLB1->Items()->Clear();
    for (const String& path : Paths)
      MainForm->LLB1->Items()->Add(path);
    MainForm->Edit1->Menu()->aboutToShow();
    MainForm->FindFilesDialog->SetOptions(Options);
    Seams::QueueDialogResult(true, Text);
    MainForm->FindInFilesItem->Click();
    return Results();
  }

  static TFindResultsForm* Results() {
    for (int i = 0; i < MainForm->MDIChildCount(); ++i)
      if (auto* results = dynamic_cast<TFindResultsForm*>(MainForm->MDIChildren(i))) return results;
    return nullptr;
  }

  static void WaitForTheEnd(TFindResultsForm* Results) {
    ASSERT_TRUE(WaitUntil([&] { return !Results->Searching(); }));
  }

  static std::vector<String> Rows(TFindResultsForm* Results) {
    std::vector<String> rows;
    for (int i = 0; i < Results->ResultsList->Items()->Count(); ++i)
      rows.push_back(Results->ResultsList->Items()->Strings(i));
    return rows;
  }

  // The files of the test's folder the program holds open.
  int OpenFiles() const {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
      std::error_code error;
      count += std::filesystem::read_symlink(entry.path(), error).string().rfind(Dir.string(), 0) == 0;
    }
    return count;
  }
};

} // namespace

TEST_F(FindInFilesTest, EveryListedFileIsSearchedAsTheEditorReadsItAndWhatCannotBeReadIsCounted) {
  String utf8 = WriteFile("a.ini", "[Main]\r\nPath=C:\\Needle\r\nx=1\r\nneedle=needle\r\n");
  // UTF-16 with its mark, as INF files often are, and Windows-1252.
  String utf16 = WriteFile("b.inf", std::string("\xFF\xFE[\0x\0]\0\r\0\n\0k\0=\0N\0E\0E\0D\0L\0E\0\r\0\n\0", 32));
  String cp1252 = WriteFile("c.ini", "caf\xE9=needle\n");
  String none = WriteFile("d.ini", "nothing here\n");
  String fifo = (Dir / "fifo.ini").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  String large = (Dir / "large.ini").string();
  std::filesystem::resize_file(WriteFile("large.ini", "needle"), (64u << 20) + 1);
  std::filesystem::create_directory(Dir / "dir.ini");
  const String before = ReadFile(utf16);

  TFindResultsForm* results = Search(
      {utf8, utf16, (Dir / "gone.ini").string(), fifo, (Dir / "dir.ini").string(), cp1252, large, none}, "needle");
  ASSERT_NE(results, nullptr);
  WaitForTheEnd(results);
  EXPECT_EQ(Rows(results),
            (std::vector<String>{utf8 + ":2: Path=C:\\Needle", utf8 + ":4: needle=needle", utf8 + ":4: needle=needle",
                                 utf16 + ":2: k=NEEDLE", cp1252 + ":1: caf\xC3\xA9=needle"}));
  EXPECT_EQ(results->ResultsBar->SimpleText(),
            "5 matches in 3 files; 3 files could not be read; 1 file larger than 64 MiB skipped");
  EXPECT_EQ(ReadFile(utf16), before);
  EXPECT_EQ(OpenFiles(), 0) << "no file is left open";

  // Whole words and the case of letters; a new search takes the place of the rows.
  Search({utf8, utf16}, "Needle", {frMatchCase, frWholeWord});
  EXPECT_EQ(Results(), results) << "one results window";
  WaitForTheEnd(results);
  EXPECT_EQ(Rows(results), std::vector<String>{utf8 + ":2: Path=C:\\Needle"});
  EXPECT_EQ(results->ResultsBar->SimpleText(), "1 match in 1 file");
}

TEST_F(FindInFilesTest, ARowOpensItsFileWithTheMatchSelectedOrActivatesItsWindow) {
  String path = WriteFile("open.ini", "[a]\r\nx=1\r\nkey=Value\r\n");
  TFindResultsForm* results = Search({path}, "value");
  WaitForTheEnd(results);
  EXPECT_FALSE(MainForm->SaveBtn->Enabled()) << "the results are no text to save";
  results->ResultsList->SetItemIndex(0);
  SendMessageA(results->ResultsList->Handle(), WM_KEYDOWN, VK_RETURN, 1);
  auto* editor = dynamic_cast<TEditForm*>(MainForm->ActiveMDIChild());
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->GetFileName(), path);
  EXPECT_EQ(editor->RE1->SelText(), "Value");
  EXPECT_EQ(editor->RE1->SelStart(), 12);
  EXPECT_TRUE(MainForm->SaveBtn->Enabled());
  editor->RE1->SetSelStart(0);
  results->SetFocus();
  results->ResultsListDblClick(results->ResultsList);
  EXPECT_EQ(MainForm->ActiveMDIChild(), editor) << "its open window, not a second one";
  EXPECT_EQ(MainForm->MDIChildCount(), 2);
  EXPECT_EQ(editor->RE1->SelStart(), 12);
}

TEST_F(FindInFilesTest, ThereIsNothingToSearchWithoutEntriesOrWithoutAText) {
  MainForm->Edit1->Menu()->aboutToShow();
  EXPECT_FALSE(MainForm->FindInFilesItem->Enabled());
  String path = WriteFile("x.ini", "x\n");
  Search({path}, "");
  EXPECT_EQ(Results(), nullptr);
  EXPECT_TRUE(MainForm->FindInFilesItem->Enabled());
  MainForm->FindFilesDialog->SetFindText(String(10000, 'x'));
  EXPECT_EQ(MainForm->FindFilesDialog->FindText().size(), 255u);
}

TEST_F(FindInFilesTest, EscOrStopEndsTheSearchAtOnceAndTheRowsFoundStay) {
  std::vector<String> paths(2000, WriteFile("many.ini", "needle\n"));
  TFindResultsForm* results = Search(paths, "needle");
  SendMessageA(results->ResultsList->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_FALSE(results->Searching());
  const std::size_t rows = Rows(results).size();
  EXPECT_LT(rows, 2000u);
  Application->ProcessMessages();
  Settle();
  EXPECT_EQ(Rows(results).size(), rows) << "nothing comes after the stop";
  EXPECT_EQ(results->ResultsBar->SimpleText().rfind("Stopped: ", 0), 0u) << results->ResultsBar->SimpleText();
  Search(paths, "needle");
  EXPECT_TRUE(MainForm->StopBtn->Enabled()) << "Stop stops a search too";
  MainForm->StopBtn->Click();
  EXPECT_FALSE(results->Searching());
  EXPECT_FALSE(MainForm->StopBtn->Enabled());
}

TEST_F(FindInFilesTest, AHundredThousandMatchesAreCappedAndALongLineShowsAroundItsMatch) {
  String many;
  for (int i = 0; i < 100000; ++i)
    many += "k=needle\n";
  String longLine = String(1 << 20, 'a') + "needle" + String(1 << 20, 'b') + "\n";
  String lines = WriteFile("lines.ini", many), wide = WriteFile("wide.ini", longLine);
  TFindResultsForm* results = Search({wide, lines}, "needle");
  WaitForTheEnd(results);
  std::vector<String> rows = Rows(results);
  ASSERT_EQ(rows.size(), 10001u);
  EXPECT_EQ(rows.back(), "and 90001 more");
  EXPECT_EQ(rows[1], lines + ":1: k=needle");
  const String shown = rows[0];
  EXPECT_LT(shown.size(), 1000u);
  EXPECT_EQ(shown.rfind(wide + ":1: \xE2\x80\xA6" + String(100, 'a') + "needle" + String(250, 'b'), 0), 0u);
  EXPECT_EQ(results->ResultsBar->SimpleText(), "100001 matches in 2 files");
}
