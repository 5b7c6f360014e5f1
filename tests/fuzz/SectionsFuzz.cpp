// Loads any file into a rich edit control as the editor does and runs the section scan of its
// Find menu over the control's text. The control holds the file's text unchanged, or refuses
// the file; the scan gives the headers a plain reading of the text as UTF-16 units (the
// control's positions) gives: each line whose first character other than a blank is "[" and
// that has a "]" after it on the same line, the name up to that "]" holding more than blanks;
// each name is the control's text at the header's positions.
#include <QRegularExpression>
#include <QString>
#include <QStringDecoder>
#include <QtGlobal>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "editor/EditForm.h"
#include "framework/ComCtrls.h"
#include "platform/Seams.h"

namespace {

TRichEdit* Edit = nullptr;
int File = -1;
String FilePath;

[[noreturn]] void Fail(const char* What) {
  std::fprintf(stderr, "%s\n", What);
  std::abort();
}

// The headers as a plain reading of the units finds them.
std::vector<TSectionHeader> Expected(const QString& Text) {
  std::vector<TSectionHeader> headers;
  const auto IsBreak = [](QChar C) { return C == u'\n' || C == u'\r'; };
  for (qsizetype line = 0; line < Text.size();) {
    qsizetype end = line;
    while (end < Text.size() && !IsBreak(Text[end]))
      ++end;
    const QString l = Text.mid(line, end - line);
    qsizetype first = 0;
    while (first < l.size() && (l[first] == u' ' || l[first] == u'\t'))
      ++first;
    const qsizetype close = l.indexOf(u']', first);
    if (first < l.size() && l[first] == u'[' && close > first) {
      const QString name = l.mid(first + 1, close - first - 1);
      if (name.contains(QRegularExpression("[^ \t]")))
        headers.push_back({static_cast<int>(line + first + 1), static_cast<int>(name.size()), name.toStdString()});
    }
    line = end + 1;
  }
  return headers;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  new TApplication(*argc, *argv);
  Seams::Enable();
  Edit = new TRichEdit(nullptr);
  File = memfd_create("sections.ini", 0);
  if (File < 0) std::abort();
  FilePath = "/proc/self/fd/" + std::to_string(File);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const TTextContent file = DecodeText(std::string_view(reinterpret_cast<const char*>(Data), Size));
  // A U+FEFF at the start is text too (QString::fromStdString would drop it).
  QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
  const QString text = decoder(QByteArrayView(file.Text.data(), static_cast<qsizetype>(file.Text.size())));
  const std::vector<TSectionHeader> expected = Expected(text);

  if (ScanSections(file.Text) != expected) Fail("the scan of the file's text differs");

  if (ftruncate(File, 0) != 0 || pwrite(File, Data, Size, 0) != static_cast<ssize_t>(Size)) std::abort();
  try {
    Edit->LoadFromFile(FilePath);
  } catch (const EFOpenError&) {
    return 0;
  }
  if (Edit->Text() != file.Text) Fail("the control does not hold the file's text");
  if (Edit->GetTextLen() != text.size()) Fail("the control counts another length");
  const std::vector<TSectionHeader> found = ScanSections(Edit->Text());
  if (found != expected) Fail("the scan of the control differs");
  for (const TSectionHeader& header : found) {
    Edit->SetSelStart(header.Start);
    Edit->SetSelLength(header.Length);
    if (Edit->SelText() != header.Name) Fail("a name differs from the control's text at its positions");
  }
  return 0;
}
