#include "framework/TextFile.h"

#include <bit>
#include <cstring>

#include "platform/Files.h"
#include "platform/Utf8.h"

namespace {

// ---------------------------------------------------------------------------------------
// Characters

constexpr char32_t ReplacementChar = 0xFFFD;

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, so they round-trip.
constexpr char32_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98..9F
};

// Writes C as UTF-8 at Out, and returns the end of what it wrote.
char* PutUtf8(char* Out, char32_t C) {
  if (C < 0x80) {
    *Out++ = static_cast<char>(C);
  } else if (C < 0x800) {
    *Out++ = static_cast<char>(0xC0 | (C >> 6));
    *Out++ = static_cast<char>(0x80 | (C & 0x3F));
  } else if (C < 0x10000) {
    *Out++ = static_cast<char>(0xE0 | (C >> 12));
    *Out++ = static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    *Out++ = static_cast<char>(0x80 | (C & 0x3F));
  } else {
    *Out++ = static_cast<char>(0xF0 | (C >> 18));
    *Out++ = static_cast<char>(0x80 | ((C >> 12) & 0x3F));
    *Out++ = static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    *Out++ = static_cast<char>(0x80 | (C & 0x3F));
  }
  return Out;
}

// What DecodeUtf16 could not read: unpaired surrogates and an odd trailing byte.
struct TUtf16Faults {
  std::size_t Unpaired = 0;
  bool OddByte = false;
};

std::string DecodeUtf16(std::string_view Bytes, bool BigEndian, TUtf16Faults& Faults) {
  const std::size_t Units = Bytes.size() / 2;
  // At most three bytes a unit (a pair of units takes four), and U+FFFD for an odd byte.
  std::string Out(3 * Units + 3, '\0');
  char* To = Out.data();
  const auto Unit = [&](std::size_t I) -> char32_t {
    const auto Hi = static_cast<unsigned char>(Bytes[2 * I + (BigEndian ? 0 : 1)]);
    const auto Lo = static_cast<unsigned char>(Bytes[2 * I + (BigEndian ? 1 : 0)]);
    return static_cast<char32_t>(Hi << 8 | Lo);
  };
  for (std::size_t I = 0; I < Units; ++I) {
    // Four ASCII characters at a time, the commonest case.
    if constexpr (std::endian::native == std::endian::little) {
      std::uint64_t Four;
      if (!BigEndian && I + 4 <= Units &&
          (std::memcpy(&Four, Bytes.data() + 2 * I, 8), !(Four & 0xFF80FF80FF80FF80ull))) {
        for (int K = 0; K < 4; ++K)
          *To++ = static_cast<char>(Four >> (16 * K));
        I += 3;
        continue;
      }
    }
    const char32_t U = Unit(I);
    if (U < 0x80) {
      *To++ = static_cast<char>(U);
      continue;
    }
    if (U >= 0xD800 && U <= 0xDBFF && I + 1 < Units) {
      const char32_t U2 = Unit(I + 1);
      if (U2 >= 0xDC00 && U2 <= 0xDFFF) {
        To = PutUtf8(To, 0x10000 + ((U - 0xD800) << 10) + (U2 - 0xDC00));
        ++I;
        continue;
      }
    }
    const bool unpaired = U >= 0xD800 && U <= 0xDFFF;
    Faults.Unpaired += unpaired;
    To = PutUtf8(To, unpaired ? ReplacementChar : U);
  }
  if (Bytes.size() % 2 != 0) { // odd trailing byte
    Faults.OddByte = true;
    To = PutUtf8(To, ReplacementChar);
  }
  Out.resize(static_cast<std::size_t>(To - Out.data()));
  return Out;
}

String LossOf(const TUtf16Faults& Faults) {
  if (!Faults.Unpaired && !Faults.OddByte) return "";
  String what;
  if (Faults.Unpaired)
    what = std::to_string(Faults.Unpaired) +
           (Faults.Unpaired == 1 ? " unpaired UTF-16 surrogate" : " unpaired UTF-16 surrogates");
  if (Faults.OddByte) what += String(what.empty() ? "" : " and ") + "the odd byte at its end";
  return "a save writes the character U+FFFD in place of " + what;
}

// The break a line ends with in Raw at I (a '\r' or '\n'); I is left on its last character.
TLineBreak BreakAt(std::string_view Raw, std::size_t& I) {
  if (Raw[I] == '\n') return TLineBreak::lbLF;
  if (I + 1 < Raw.size() && Raw[I + 1] == '\n') {
    ++I;
    return TLineBreak::lbCRLF;
  }
  return TLineBreak::lbCR;
}

std::string DecodeCp1252(std::string_view Bytes) {
  std::string Out(3 * Bytes.size(), '\0');
  char* To = Out.data();
  for (const char Ch : Bytes) {
    const auto B = static_cast<unsigned char>(Ch);
    To = B < 0x80 ? (*To = Ch, To + 1) : PutUtf8(To, B < 0xA0 ? Cp1252High[B - 0x80] : B);
  }
  Out.resize(static_cast<std::size_t>(To - Out.data()));
  return Out;
}

// The byte for C in Windows-1252, or -1.
int Cp1252Byte(char32_t C) {
  if (C < 0x80 || (C >= 0xA0 && C <= 0xFF)) return static_cast<int>(C);
  for (int I = 0; I < 32; ++I)
    if (Cp1252High[I] == C) return 0x80 + I;
  return -1;
}

// ---------------------------------------------------------------------------------------
// Files

// The text of a file call's error, after the file's name.
String Reason(int Error) {
  switch (Error) {
  case feIsDirectory: return ": it is a directory";
  case feNotRegular: return ": it is not a regular file";
  case feTooLarge: return ": it is larger than " + std::to_string(MaxTextFileSize >> 20) + " MiB";
  case feCannotReserve: return ": it must be written in place, and its volume cannot reserve the space for that first";
  case feDanglingLink: return ": it is a symbolic link to a file that does not exist";
  case ENAMETOOLONG: return ": a name in its path is longer than the file system allows (255 bytes)";
  default: return ": " + String(std::strerror(Error));
  }
}

} // namespace

// -----------------------------------------------------------------------------------------

std::size_t FindLineBreak(std::string_view Text, std::size_t From) {
  std::size_t I = From;
  // Sixteen bytes at a time.
  using TVector = unsigned char __attribute__((vector_size(16)));
  using THalves = std::uint64_t __attribute__((vector_size(16)));
  constexpr TVector LF = {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10};
  constexpr TVector CR = LF + 3;
  if constexpr (std::endian::native == std::endian::little)
    for (TVector V; I + 16 <= Text.size(); I += 16) {
      std::memcpy(&V, Text.data() + I, 16);
      const auto Breaks = reinterpret_cast<THalves>((V == LF) | (V == CR));
      if (Breaks[0]) return I + static_cast<std::size_t>(std::countr_zero(Breaks[0])) / 8;
      if (Breaks[1]) return I + 8 + static_cast<std::size_t>(std::countr_zero(Breaks[1])) / 8;
    }
  while (I < Text.size() && Text[I] != '\n' && Text[I] != '\r')
    ++I;
  return I;
}

TTextContent DecodeText(std::string_view Bytes) {
  TTextContent Result;
  std::string Decoded; // the text as UTF-8, where the file holds another encoding
  std::string_view Raw;
  TUtf16Faults faults;
  const auto StartsWith = [&](std::string_view Mark) { return Bytes.substr(0, Mark.size()) == Mark; };
  if (StartsWith("\xEF\xBB\xBF") && IsValidUtf8(Bytes.substr(3))) {
    Result.Format.Encoding = TTextEncoding::teUtf8Bom;
    Raw = Bytes.substr(3);
  } else if (StartsWith("\xFF\xFE")) {
    Result.Format.Encoding = TTextEncoding::teUtf16LE;
    Raw = Decoded = DecodeUtf16(Bytes.substr(2), false, faults);
  } else if (StartsWith("\xFE\xFF")) {
    Result.Format.Encoding = TTextEncoding::teUtf16BE;
    Raw = Decoded = DecodeUtf16(Bytes.substr(2), true, faults);
  } else if (IsValidUtf8(Bytes)) {
    Result.Format.Encoding = TTextEncoding::teUtf8;
    Raw = Bytes;
  } else {
    // Also a UTF-8 mark followed by bytes that are not UTF-8: read as 1252, mark included,
    // so that the file comes back byte for byte.
    Result.Format.Encoding = TTextEncoding::teWindows1252;
    Raw = Decoded = DecodeCp1252(Bytes);
  }

  Result.Loss = LossOf(faults);

  // The usual break is the one most lines end with; the others are kept line by line.
  std::size_t count[3] = {0, 0, 0};
  for (std::size_t I = FindLineBreak(Raw, 0); I < Raw.size(); I = FindLineBreak(Raw, I + 1))
    ++count[static_cast<int>(BreakAt(Raw, I))];
  const std::size_t crlf = count[0], lf = count[1], cr = count[2];
  TLineBreak& usual = Result.Format.LineBreak;
  usual = lf > crlf && lf >= cr ? TLineBreak::lbLF : cr > crlf && cr > lf ? TLineBreak::lbCR : TLineBreak::lbCRLF;

  String& Text = Result.Text;
  Text.reserve(Raw.size());
  std::size_t line = 0;
  for (std::size_t From = 0;; ++line) {
    std::size_t I = FindLineBreak(Raw, From);
    Text.append(Raw.substr(From, I - From));
    if (I == Raw.size()) break;
    if (const TLineBreak own = BreakAt(Raw, I); own != usual) Result.OwnBreaks.push_back({line, own});
    Text += '\n';
    From = I + 1;
  }
  return Result;
}

std::string EncodeText(const String& Text, const TTextFormat& Format, const TOwnBreaks& OwnBreaks) {
  // The break that ends the next line, and moves on to the line after it.
  std::size_t line = 0;
  auto own = OwnBreaks.begin();
  const auto NextBreak = [&] {
    while (own != OwnBreaks.end() && own->Line < line)
      ++own;
    const TLineBreak brk = own != OwnBreaks.end() && own->Line == line ? own->Break : Format.LineBreak;
    ++line;
    return brk;
  };
  static constexpr const char* BreakBytes[] = {"\r\n", "\n", "\r"};
  std::string Out;
  switch (Format.Encoding) {
  case TTextEncoding::teUtf8:
  case TTextEncoding::teUtf8Bom:
  case TTextEncoding::teWindows1252: {
    const bool Cp1252 = Format.Encoding == TTextEncoding::teWindows1252;
    Out.reserve(Text.size() + Text.size() / 16 + 3);
    if (Format.Encoding == TTextEncoding::teUtf8Bom) Out = "\xEF\xBB\xBF";
    for (std::size_t I = 0; I < Text.size(); ++I) {
      const char C = Text[I];
      if (C == '\r' || C == '\n') {
        if (C == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n') ++I;
        Out += BreakBytes[static_cast<int>(NextBreak())];
      } else if (!Cp1252 || static_cast<unsigned char>(C) < 0x80) {
        Out += C;
      } else {
        char32_t Code;
        const std::size_t Len = DecodeUtf8(Text, I, Code);
        const int B = Len ? Cp1252Byte(Code) : -1;
        if (B < 0) throw EEncodingError();
        Out += static_cast<char>(B);
        I += Len - 1;
      }
    }
    break;
  }
  case TTextEncoding::teUtf16LE:
  case TTextEncoding::teUtf16BE: {
    const bool BigEndian = Format.Encoding == TTextEncoding::teUtf16BE;
    Out.reserve(2 * Text.size() + 2);
    const auto Put = [&](char32_t U) {
      const char Hi = static_cast<char>(U >> 8), Lo = static_cast<char>(U & 0xFF);
      Out += BigEndian ? Hi : Lo;
      Out += BigEndian ? Lo : Hi;
    };
    Put(0xFEFF);
    for (std::size_t I = 0; I < Text.size(); ++I) {
      const char C = Text[I];
      if (C == '\r' || C == '\n') {
        if (C == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n') ++I;
        for (const char* b = BreakBytes[static_cast<int>(NextBreak())]; *b; ++b)
          Put(static_cast<unsigned char>(*b));
        continue;
      }
      char32_t Code;
      const std::size_t Len = DecodeUtf8(Text, I, Code);
      if (Len == 0) throw EEncodingError();
      I += Len - 1;
      if (Code >= 0x10000) {
        Put(0xD800 + ((Code - 0x10000) >> 10));
        Put(0xDC00 + ((Code - 0x10000) & 0x3FF));
      } else {
        Put(Code);
      }
    }
    break;
  }
  }
  return Out;
}

TTextContent ReadTextFile(const String& Path) {
  std::string Bytes;
  if (const int Error = ReadWholeFile(Path, MaxTextFileSize, Bytes)) throw EFOpenError(Path, Reason(Error));
  return DecodeText(Bytes);
}

void CheckTextFile(const String& Path) {
  if (const int Error = CheckReadableFile(Path, MaxTextFileSize)) throw EFOpenError(Path, Reason(Error));
}

void WriteTextFile(const String& Path, const String& Text, const TTextFormat& Format, const TOwnBreaks& OwnBreaks,
                   const TFileState* Former) {
  std::string Data;
  try {
    Data = EncodeText(Text, Format, OwnBreaks);
  } catch (const EEncodingError& E) {
    throw EFCreateError(Path, ": " + E.Message());
  }
  if (const int Error = WriteWholeFile(Path, Data, Former)) throw EFCreateError(Path, Reason(Error));
}
