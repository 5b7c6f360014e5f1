// Loads any file into a rich edit control as the editor does and runs the section scan of its
// Find menu there, taking each caption from the control's selection as the editor does; and
// runs the scan once more over the text as a plain sequence of UTF-16 units (the control's
// positions) with a search written here. The control holds the file's text unchanged, or
// refuses the file; both scans give the headers a plain reading of the text gives: each "["
// with the next "]" after it, the name strictly between them.
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

#include "editor/Unit1.h"
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
  for (qsizetype open = Text.indexOf(u'['); open >= 0; open = Text.indexOf(u'[', open)) {
    const qsizetype close = Text.indexOf(u']', open + 1);
    if (close < 0) break;
    headers.push_back({static_cast<int>(open + 1), static_cast<int>(close - open - 1)});
    open = close + 1;
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

  const TTextSearch plain = [&](const String& SearchStr, int StartPos, int Length) {
    const QString needle = QString::fromStdString(SearchStr);
    if (StartPos < 0 || Length <= 0 || StartPos >= text.size()) return -1;
    const qsizetype found = text.indexOf(needle, StartPos);
    return found >= 0 && found + needle.size() <= qsizetype{StartPos} + Length ? static_cast<int>(found) : -1;
  };
  if (ScanSections(static_cast<int>(text.size()), plain) != expected) Fail("the scan of the plain text differs");

  if (ftruncate(File, 0) != 0 || pwrite(File, Data, Size, 0) != static_cast<ssize_t>(Size)) std::abort();
  try {
    Edit->LoadFromFile(FilePath);
  } catch (const EFOpenError&) {
    return 0;
  }
  if (Edit->Text() != file.Text) Fail("the control does not hold the file's text");
  if (Edit->GetTextLen() != text.size()) Fail("the control counts another length");
  const auto find = [](const String& S, int StartPos, int Length) { return Edit->FindText(S, StartPos, Length); };
  const std::vector<TSectionHeader> found = ScanSections(Edit->GetTextLen(), find);
  if (found != expected) Fail("the scan of the control differs");
  for (const TSectionHeader& header : found) {
    Edit->SetSelStart(header.Start);
    Edit->SetSelLength(header.Length);
    if (Edit->SelText() != text.mid(header.Start, header.Length).toStdString()) Fail("a caption differs");
  }
  return 0;
}
