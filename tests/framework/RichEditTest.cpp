#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>
#include <arpa/inet.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

#include "framework/ComCtrls.h"
#include "framework/FormReader.h"
#include "framework/Printers.h"
#include "framework/Registration.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& Path) {
  std::ifstream in(Path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteBytes(const fs::path& Path, const std::string& Data) {
  std::ofstream out(Path, std::ios::binary | std::ios::trunc);
  out << Data;
}

// The pages of a PDF file: its page objects, not the page tree.
int PdfPageCount(const fs::path& Path) {
  std::string pdf = ReadBytes(Path);
  int pages = 0;
  for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1))
    if (pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
  return pages;
}

// Whether a PDF file's document title is Title (ASCII), which the writer stores as UTF-16.
bool PdfTitled(const fs::path& Path, const std::string& Title) {
  std::string wide = "/Title (\xFE\xFF";
  for (char c : Title)
    wide += std::string{'\0', c};
  return ReadBytes(Path).find(wide + ")") != std::string::npos;
}

class RichEditTest : public testing::Test {
protected:
  void SetUp() override {
    RegisterFrameworkClasses();
    Edit = std::make_unique<TRichEdit>(nullptr);
    Edit->SetOnChange([this](TObject* Sender) {
      EXPECT_EQ(Sender, Edit.get());
      ++Changes;
    });
    Dir = fs::temp_directory_path() / ("richedit-test-" + std::to_string(::getpid()));
    fs::create_directories(Dir);
  }
  void TearDown() override {
    Edit.reset();
    fs::remove_all(Dir);
  }
  QPlainTextEdit* Widget() const { return static_cast<QPlainTextEdit*>(Edit->Widget()); }
  void Type(Qt::Key Key, const QString& Text, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, Key, Modifiers, Text);
    QCoreApplication::sendEvent(Widget(), &press);
  }
  void Select(int Start, int Length) {
    Edit->SetSelStart(Start);
    Edit->SetSelLength(Length);
  }

  std::unique_ptr<TRichEdit> Edit;
  int Changes = 0;
  fs::path Dir;
};

} // namespace

TEST_F(RichEditTest, OnChangeFiresForChangesOfTheTextOnly) {
  Edit->SetText("alpha beta");
  EXPECT_EQ(Changes, 1);

  Select(6, 4);
  Edit->SelectAll();
  Edit->SetSelStart(3);
  Edit->Font()->SetColor(clRed);
  Edit->SetWordWrap(false);
  EXPECT_EQ(Changes, 1) << "selection, font and wrapping change no text";

  Type(Qt::Key_X, "x");
  EXPECT_EQ(Edit->Text(), "alpxha beta");
  EXPECT_EQ(Changes, 2);

  Edit->SetSelStart(0);
  Edit->CutToClipboard();
  EXPECT_EQ(Edit->Text(), "alpxha beta") << "cutting nothing changes nothing";
  EXPECT_EQ(Changes, 2);

  Select(0, 4);
  Edit->CutToClipboard();
  EXPECT_EQ(Edit->Text(), "ha beta");
  EXPECT_EQ(Changes, 3);
  Edit->CopyToClipboard();
  EXPECT_EQ(Changes, 3);
  Edit->PasteFromClipboard();
  EXPECT_EQ(Edit->Text(), "alpxha beta");
  EXPECT_EQ(Changes, 4);
}

TEST_F(RichEditTest, SelectionPositionsCountALineBreakAsOneCharacter) {
  Edit->SetText("alpha\nbeta\n");
  EXPECT_EQ(Edit->GetTextLen(), 11);
  EXPECT_EQ(Edit->SelStart(), 0);

  Select(6, 4);
  EXPECT_EQ(Edit->SelText(), "beta");
  Edit->SetSelStart(3);
  EXPECT_EQ(Edit->SelLength(), 0) << "moving the caret empties the selection";
  Edit->SetSelLength(4);
  EXPECT_EQ(Edit->SelText(), "ha\nb");

  Edit->SetSelText("[1\n2]");
  EXPECT_EQ(Edit->Text(), "alp[1\n2]eta\n");
  EXPECT_EQ(Edit->SelStart(), 8) << "the caret follows the new text";
  EXPECT_EQ(Edit->SelLength(), 0);

  Select(7, 1000);
  EXPECT_EQ(Edit->SelText(), "]eta\n") << "a selection ends at the end of the text";
}

TEST_F(RichEditTest, ClipboardCarriesPlainTextBothWays) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  Edit->SetText("one\ntwo\u00a0three");
  Select(2, 5);
  Edit->CopyToClipboard();
  EXPECT_EQ(clipboard->text(), QString("e\ntwo"));
  Edit->SelectAll();
  Edit->CopyToClipboard();
  EXPECT_EQ(clipboard->text(), QString::fromUtf8("one\ntwo\u00a0three")) << "a no-break space stays one";

  clipboard->setText("<b>bold</b>\r\nnext");
  Select(4, 3);
  Edit->PasteFromClipboard();
  EXPECT_EQ(Edit->Text(), "one\n<b>bold</b>\nnext\u00a0three");
  EXPECT_EQ(Edit->Lines()->Count(), 3);

  Edit->SetReadOnly(true);
  Edit->SelectAll();
  Edit->PasteFromClipboard();
  Edit->CutToClipboard();
  Type(Qt::Key_Z, "z");
  EXPECT_EQ(Edit->Text(), "one\n<b>bold</b>\nnext\u00a0three") << "a read-only text stays as it is";
}

TEST_F(RichEditTest, FindTextSearchesForwardWithinTheRangeIgnoringCase) {
  Edit->SetText("[Minimize]\nMINI=mini\n");
  int len = Edit->GetTextLen();
  EXPECT_EQ(Edit->FindText("ini", 0, len), 2) << "inside a word";
  EXPECT_EQ(Edit->FindText("mini", 2, len - 2), 11) << "found in its own case of letters";
  EXPECT_EQ(Edit->FindText("e]\nm", 0, len), 8) << "across a line break";
  EXPECT_EQ(Edit->FindText("mini", 12, 8), 16);
  EXPECT_EQ(Edit->FindText("mini", 12, 7), -1) << "a match must lie wholly in the range";
  EXPECT_EQ(Edit->FindText("maxi", 0, len), -1);
  EXPECT_EQ(Edit->FindText("i", len, 0), -1) << "nothing after the end";

  // A search after an edit sees the new text.
  Edit->SetSelStart(0);
  Edit->SetSelText("maxi ");
  EXPECT_EQ(Edit->FindText("maxi", 0, Edit->GetTextLen()), 0);
  EXPECT_EQ(Edit->FindText("ini", 0, Edit->GetTextLen()), 7);
}

TEST_F(RichEditTest, LinesAreTheTextLineByLine) {
  TStrings* lines = Edit->Lines();
  EXPECT_EQ(lines->Count(), 0);
  Edit->SetText("a\nb\n");
  ASSERT_EQ(lines->Count(), 2);
  EXPECT_EQ(lines->Strings(1), "b");

  lines->Add("c");
  lines->Insert(0, "first");
  lines->SetStrings(2, "B");
  lines->Delete(1);
  EXPECT_EQ(Edit->Text(), "first\nB\nc\n");

  // A last line without a line break.
  Edit->SetText("x\ny");
  lines->Add("z");
  EXPECT_EQ(Edit->Text(), "x\ny\nz\n");
  Edit->SetText("x\ny");
  lines->Delete(1);
  EXPECT_EQ(lines->Text(), "x\n");
  EXPECT_THROW(lines->Strings(1), EStringListError);

  lines->Clear();
  EXPECT_EQ(Edit->Text(), "");
  lines->Add("");
  EXPECT_EQ(lines->Count(), 1);
  EXPECT_EQ(Edit->Text(), "\n");
}

TEST_F(RichEditTest, TypingBreaksLinesAndKeepsToMaxLength) {
  Edit->SetText("ab");
  Edit->SetSelStart(1);
  Type(Qt::Key_Return, "\r", Qt::ShiftModifier);
  EXPECT_EQ(Edit->Lines()->Count(), 2) << "Shift+Enter breaks the line like Enter";

  Edit->SetMaxLength(5);
  Edit->SetText("abc");
  Edit->SetSelStart(3);
  for (const char* key : {"d", "e", "f"})
    Type(Qt::Key_A, key);
  Type(Qt::Key_Return, "\r");
  EXPECT_EQ(Edit->Text(), "abcde");

  QGuiApplication::clipboard()->setText("XYZ");
  Select(1, 1);
  Edit->PasteFromClipboard();
  EXPECT_EQ(Edit->Text(), "aXcde") << "the pasted text is cut to what fits";
}

TEST_F(RichEditTest, ScrollCaretMessageBringsTheCaretIntoView) {
  Edit->SetScrollBars(ssBoth);
  Edit->SetBounds(0, 0, 200, 80);
  String text;
  for (int i = 0; i < 200; ++i)
    text += "line " + std::to_string(i) + "\n";
  Edit->SetText(text);
  Widget()->show();
  Settle();
  QScrollBar* bar = Widget()->verticalScrollBar();
  EXPECT_EQ(bar->value(), 0);

  Edit->SetSelStart(Edit->FindText("line 150", 0, Edit->GetTextLen()));
  SendMessageA(Edit->Handle(), EM_SCROLLCARET, 0, 0);
  EXPECT_GT(bar->value(), 100);
  Widget()->hide();
}

TEST_F(RichEditTest, SaveWritesTheFormatTheFileWasReadIn) {
  // UTF-16 LE with CR LF, a character outside Latin-1 and no line break at the end.
  std::string utf16 = std::string("\xFF\xFE", 2);
  for (char16_t c : std::u16string(u"[Sect]\r\nk=\u20AC1\r\nlast"))
    utf16 += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  WriteBytes(Dir / "wide.ini", utf16);
  Edit->LoadFromFile((Dir / "wide.ini").string());
  EXPECT_EQ(Edit->Text(), "[Sect]\nk=\u20AC1\nlast");
  Edit->SaveToFile((Dir / "wide-copy.ini").string());
  EXPECT_EQ(ReadBytes(Dir / "wide-copy.ini"), utf16);

  WriteBytes(Dir / "unix.ini", "a=1\nb=2\n");
  Edit->LoadFromFile((Dir / "unix.ini").string());
  Edit->Lines()->Add("c=3");
  Edit->SaveToFile((Dir / "unix.ini").string());
  EXPECT_EQ(ReadBytes(Dir / "unix.ini"), "a=1\nb=2\nc=3\n");

  TRichEdit fresh(nullptr);
  fresh.SetText("x=1\ny=2");
  fresh.SaveToFile((Dir / "new.ini").string());
  EXPECT_EQ(ReadBytes(Dir / "new.ini"), "x=1\r\ny=2");
}

TEST_F(RichEditTest, LoadingAMissingFileRaisesAndKeepsTheText) {
  Edit->SetText("kept");
  String missing = (Dir / "missing.ini").string();
  try {
    Edit->LoadFromFile(missing);
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot open file " + missing, 0), 0u) << e.Message();
  }
  EXPECT_EQ(Edit->Text(), "kept");
}

TEST_F(RichEditTest, PrintFillsAsManyPagesAsTheTextNeeds) {
  fs::path pdf = Dir / "out.pdf";
  Seams::PrintToPdf(pdf.string());
  Edit->SetText("[Short]\nkey=value\n");
  Edit->Print("/etc/short.ini");
  EXPECT_EQ(PdfPageCount(pdf), 1);
  EXPECT_TRUE(PdfTitled(pdf, "/etc/short.ini")) << "the job carries its caption";

  String text;
  for (int i = 0; i < 200; ++i)
    text += "key" + std::to_string(i) + "=value\n";
  Edit->SetText(text);
  Edit->Print("/etc/long.ini");
  int pages = PdfPageCount(pdf);
  EXPECT_GT(pages, 1);

  // Without wrapping on screen, long lines still wrap on paper rather than being cut off.
  Edit->SetWordWrap(false);
  Edit->SetText(String(20000, 'w') + " end");
  Edit->Print("/etc/wide.ini");
  EXPECT_GT(PdfPageCount(pdf), 1);

  Seams::PrintToPdf((Dir / "no-such-dir" / "out.pdf").string());
  EXPECT_THROW(Edit->Print("/etc/long.ini"), EPrinter) << "a job that cannot start is not a success";
}

// A print server that takes the connection and never answers: without a default printer to
// be had, the window keeps being served while it is asked, and the print dialog then offers a
// PDF file; cancelling it prints nothing.
TEST_F(RichEditTest, PrintingWithAPrintServerThatDoesNotAnswerOffersAPdfFileAndKeepsTheWindowLive) {
  const int server = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(server, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(listen(server, 8), 0);
  ASSERT_EQ(getsockname(server, reinterpret_cast<sockaddr*>(&address), &length), 0);
  setenv("CUPS_SERVER", ("127.0.0.1:" + std::to_string(ntohs(address.sin_port))).c_str(), 1);

  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start(20);
  Edit->SetText("text");
  const fs::path pdf = Dir / "chosen.pdf";
  Seams::QueueDialogResult(true, pdf.string());
  // Waiting for the network's time-outs instead would overrun the test's minute.
  Edit->Print("/etc/x.ini");
  EXPECT_GT(ticks, 10) << "the window was served while the printer was looked for";
  EXPECT_EQ(PdfPageCount(pdf), 1);
  EXPECT_TRUE(PdfTitled(pdf, "/etc/x.ini"));

  fs::remove(pdf);
  Edit->Print("/etc/x.ini"); // the dialog cancelled
  EXPECT_FALSE(fs::exists(pdf));
  close(server);
}

TEST(StatusBarTest, ShowsItsSimpleTextInItsFontColour) {
  RegisterFrameworkClasses();
  TStatusBar bar(nullptr);
  EXPECT_EQ(bar.Align(), alBottom);
  EXPECT_EQ(bar.Height(), 19);
  auto* label = static_cast<QLabel*>(bar.Widget());

  bar.SetSimpleText("Scanning");
  EXPECT_EQ(label->text(), "") << "without the simple panel the bar shows panels, here none";
  bar.SetSimplePanel(true);
  EXPECT_EQ(label->text(), "Scanning");
  bar.SetSimpleText("<b>Modified</b>");
  EXPECT_EQ(label->text(), "<b>Modified</b>");

  bar.SetSimpleText("MMMMMMMM");
  bar.Font()->SetHeight(-14);
  bar.Font()->SetColor(clRed);
  bar.SetBounds(0, 0, 200, 19);
  QImage image = label->grab().toImage();
  bool red = false;
  for (int y = 0; y < image.height() && !red; ++y)
    for (int x = 0; x < image.width() && !red; ++x) {
      QColor c = image.pixelColor(x, y);
      red = c.red() > 200 && c.green() < 60 && c.blue() < 60;
    }
  EXPECT_TRUE(red) << "the text is drawn in the font's colour";
}

TEST(ComCtrlsRegistrationTest, DescriptionsSetTheControlsProperties) {
  RegisterFrameworkClasses();
  TComponent root(nullptr);
  ReadFormDescription(&root,
                      "object Root: TComponent\n"
                      "  object RE1: TRichEdit\n"
                      "    Lines.Strings = ('one' 'two')\n"
                      "    PlainText = True\n"
                      "    ScrollBars = ssBoth\n"
                      "    WordWrap = False\n"
                      "    MaxLength = 7\n"
                      "    ReadOnly = True\n"
                      "  end\n"
                      "  object ESB1: TStatusBar\n"
                      "    SimplePanel = True\n"
                      "    SimpleText = 'ready'\n"
                      "  end\n"
                      "end\n",
                      "Test.form");
  auto* edit = dynamic_cast<TRichEdit*>(root.FindComponent("RE1"));
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->Text(), "one\ntwo\n");
  EXPECT_TRUE(edit->PlainText());
  EXPECT_EQ(edit->ScrollBars(), ssBoth);
  EXPECT_FALSE(edit->WordWrap());
  EXPECT_EQ(edit->MaxLength(), 7);
  EXPECT_TRUE(edit->ReadOnly());
  auto* bar = dynamic_cast<TStatusBar*>(root.FindComponent("ESB1"));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(static_cast<QLabel*>(bar->Widget())->text(), "ready");
}
