// Searches any file's bytes as the search of the listed files does, and checks that it finds
// exactly what a search of the editor's text of the file finds: the same lines, positions
// and shown text. The first byte holds the options (match case, whole word), the second the
// length of the text searched for, which follows; the rest is the file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "framework/FileSearch.h"
#include "framework/TextFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size < 2) return 0;
  const std::string_view input(reinterpret_cast<const char*>(Data), Size);
  TSearchTypes options;
  if (input[0] & 1) options.insert(stMatchCase);
  if (input[0] & 2) options.insert(stWholeWord);
  const std::size_t length = std::min<std::size_t>(static_cast<unsigned char>(input[1]) % 16, Size - 2);
  const String text(input.substr(2, length));
  const std::string_view file = input.substr(2 + length);
  const TFileMatches bytes = SearchFileBytes(file, text, options);
  const TFileMatches editor = SearchEditorText(DecodeText(file).Text, text, options);
  if (bytes != editor) {
    std::fprintf(stderr, "the search of the bytes differs from the search of the text:\n");
    for (const TFileMatches* found : {&bytes, &editor})
      for (const TFileMatch& match : found->Matches)
        std::fprintf(stderr, "%s line %d at %d length %d: %s\n", found == &bytes ? "bytes" : "text ", match.Line,
                     match.Position, match.Length, match.Text.c_str());
    std::abort();
  }
  return 0;
}
