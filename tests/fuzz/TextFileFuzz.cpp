// Decodes any bytes as the editor reads a file, and encodes the text back as it saves it,
// each line with its own break. Encoding a decoded text never fails and decodes to the same
// text, format and breaks again; and every file comes back byte for byte, whatever its mix of
// CR LF, LF and lone CR, except a UTF-16 file of an odd length or with an unpaired surrogate,
// which reads with U+FFFD in their place: exactly then the reading says what a save changes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "framework/TextFile.h"

namespace {

// The file's code units after its byte order mark, as its encoding has them: bytes, or
// 16-bit units for UTF-16 (an odd trailing byte as -1).
std::vector<long> CodeUnits(std::string_view Bytes, TTextEncoding Encoding) {
  std::vector<long> units;
  const bool utf16 = Encoding == TTextEncoding::teUtf16LE || Encoding == TTextEncoding::teUtf16BE;
  if (!utf16) {
    if (Encoding == TTextEncoding::teUtf8Bom) Bytes.remove_prefix(3);
    for (char c : Bytes)
      units.push_back(static_cast<unsigned char>(c));
    return units;
  }
  const bool big = Encoding == TTextEncoding::teUtf16BE;
  for (std::size_t i = 2; i + 1 < Bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(Bytes[i]), second = static_cast<unsigned char>(Bytes[i + 1]);
    units.push_back(big ? first << 8 | second : second << 8 | first);
  }
  if (Bytes.size() % 2) units.push_back(-1);
  return units;
}

// Whether Bytes can be written back unchanged: all but UTF-16 that is not UTF-16.
bool KeptAsItIs(std::string_view Bytes, TTextEncoding Encoding) {
  if (Encoding != TTextEncoding::teUtf16LE && Encoding != TTextEncoding::teUtf16BE) return true;
  const std::vector<long> units = CodeUnits(Bytes, Encoding);
  for (std::size_t i = 0; i < units.size(); ++i) {
    const long u = units[i];
    if (u < 0) return false;
    const bool high = u >= 0xD800 && u <= 0xDBFF, low = u >= 0xDC00 && u <= 0xDFFF;
    if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      ++i;
      continue;
    }
    if (high || low) return false;
  }
  return true;
}

[[noreturn]] void Fail(const char* What) {
  std::fprintf(stderr, "%s\n", What);
  std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view bytes(reinterpret_cast<const char*>(Data), Size);
  const TTextContent read = DecodeText(bytes);
  std::string written;
  try {
    written = EncodeText(read.Text, read.Format, read.OwnBreaks);
  } catch (const EEncodingError&) {
    Fail("a decoded text cannot be encoded in its own format");
  }
  const TTextContent again = DecodeText(written);
  if (again.Text != read.Text || !(again.Format == read.Format) || again.OwnBreaks != read.OwnBreaks)
    Fail("the written file reads differently");
  if (!again.Loss.empty()) Fail("a written file cannot be written back as it is");
  const bool kept = KeptAsItIs(bytes, read.Format.Encoding);
  if (kept && written != bytes) Fail("the file was not written back as it was");
  if (kept != read.Loss.empty()) Fail("the reading says wrongly whether a save changes the file");
  return 0;
}
