#include "framework/TextFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>

namespace {

// ---------------------------------------------------------------------------------------
// Characters

constexpr char32_t ReplacementChar = 0xFFFD;

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, so they round-trip.
constexpr char32_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

void AppendUtf8(std::string& Out, char32_t C) {
  if (C < 0x80) {
    Out += static_cast<char>(C);
  } else if (C < 0x800) {
    Out += static_cast<char>(0xC0 | (C >> 6));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  } else if (C < 0x10000) {
    Out += static_cast<char>(0xE0 | (C >> 12));
    Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  } else {
    Out += static_cast<char>(0xF0 | (C >> 18));
    Out += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
    Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  }
}

// Reads one strictly valid UTF-8 sequence (no overlong forms, no surrogates, at most
// U+10FFFF) at Pos. Returns its length, or 0 when the bytes there are not valid UTF-8.
std::size_t ReadUtf8(std::string_view S, std::size_t Pos, char32_t& C) {
  const auto Byte = [&](std::size_t I) { return static_cast<unsigned char>(S[I]); };
  const unsigned char B0 = Byte(Pos);
  if (B0 < 0x80) {
    C = B0;
    return 1;
  }
  std::size_t Len;
  char32_t Min;
  if (B0 >= 0xC2 && B0 <= 0xDF) {
    Len = 2, Min = 0x80, C = B0 & 0x1F;
  } else if (B0 >= 0xE0 && B0 <= 0xEF) {
    Len = 3, Min = 0x800, C = B0 & 0x0F;
  } else if (B0 >= 0xF0 && B0 <= 0xF4) {
    Len = 4, Min = 0x10000, C = B0 & 0x07;
  } else {
    return 0;
  }
  if (S.size() - Pos < Len) return 0;
  for (std::size_t I = 1; I < Len; ++I) {
    const unsigned char B = Byte(Pos + I);
    if ((B & 0xC0) != 0x80) return 0;
    C = (C << 6) | (B & 0x3F);
  }
  if (C < Min || C > 0x10FFFF || (C >= 0xD800 && C <= 0xDFFF)) return 0;
  return Len;
}

bool IsValidUtf8(std::string_view S) {
  char32_t C;
  for (std::size_t I = 0; I < S.size();) {
    const unsigned char B = static_cast<unsigned char>(S[I]);
    if (B < 0x80) {
      ++I;
      continue;
    }
    const std::size_t Len = ReadUtf8(S, I, C);
    if (Len == 0) return false;
    I += Len;
  }
  return true;
}

std::string DecodeUtf16(std::string_view Bytes, bool BigEndian) {
  std::string Out;
  Out.reserve(Bytes.size() + Bytes.size() / 2);
  const std::size_t Units = Bytes.size() / 2;
  const auto Unit = [&](std::size_t I) -> char32_t {
    const auto Hi = static_cast<unsigned char>(Bytes[2 * I + (BigEndian ? 0 : 1)]);
    const auto Lo = static_cast<unsigned char>(Bytes[2 * I + (BigEndian ? 1 : 0)]);
    return static_cast<char32_t>(Hi << 8 | Lo);
  };
  for (std::size_t I = 0; I < Units; ++I) {
    const char32_t U = Unit(I);
    if (U >= 0xD800 && U <= 0xDBFF && I + 1 < Units) {
      const char32_t U2 = Unit(I + 1);
      if (U2 >= 0xDC00 && U2 <= 0xDFFF) {
        AppendUtf8(Out, 0x10000 + ((U - 0xD800) << 10) + (U2 - 0xDC00));
        ++I;
        continue;
      }
    }
    AppendUtf8(Out, (U >= 0xD800 && U <= 0xDFFF) ? ReplacementChar : U);
  }
  if (Bytes.size() % 2 != 0) AppendUtf8(Out, ReplacementChar);  // odd trailing byte
  return Out;
}

std::string DecodeCp1252(std::string_view Bytes) {
  std::string Out;
  Out.reserve(Bytes.size() + Bytes.size() / 2);
  for (const char Ch : Bytes) {
    const auto B = static_cast<unsigned char>(Ch);
    if (B < 0x80)
      Out += Ch;
    else if (B < 0xA0)
      AppendUtf8(Out, Cp1252High[B - 0x80]);
    else
      AppendUtf8(Out, B);
  }
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

String Reason(int Err) { return ": " + String(std::strerror(Err)); }

class TFd {
public:
  explicit TFd(int Fd = -1) : FFd(Fd) {}
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  ~TFd() { Reset(); }
  int Get() const { return FFd; }
  void Reset(int Fd = -1) {
    if (FFd >= 0) ::close(FFd);
    FFd = Fd;
  }
  // Closes the descriptor and returns 0 or the errno of close.
  int Close() {
    const int Fd = FFd;
    FFd = -1;
    return (Fd >= 0 && ::close(Fd) != 0 && errno != EINTR) ? errno : 0;
  }

private:
  int FFd;
};

int OpenRetry(const char* Path, int Flags, mode_t Mode = 0) {
  int Fd;
  do Fd = ::open(Path, Flags, Mode);
  while (Fd < 0 && errno == EINTR);
  return Fd;
}

// Writes all of Data; returns 0 or errno.
int WriteAll(int Fd, std::string_view Data) {
  while (!Data.empty()) {
    const ssize_t N = ::write(Fd, Data.data(), Data.size());
    if (N < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (N == 0) return EIO;
    Data.remove_prefix(static_cast<std::size_t>(N));
  }
  return 0;
}

int FsyncRetry(int Fd) {
  while (::fsync(Fd) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

// Writes the whole file in place through Fd, open for writing.
void WriteInPlace(int Fd, const String& Path, std::string_view Data) {
  int Err = 0;
  while (::ftruncate(Fd, 0) != 0) {
    if (errno != EINTR) {
      Err = errno;
      break;
    }
  }
  if (Err == 0 && ::lseek(Fd, 0, SEEK_SET) < 0) Err = errno;
  if (Err == 0) Err = WriteAll(Fd, Data);
  if (Err == 0) Err = FsyncRetry(Fd);
  if (Err != 0) throw EFCreateError(Path, Reason(Err));
}

// Creates a new, hidden file "." + Base + "." + six random characters in Dir, exclusively,
// with Mode (subject to the umask). Returns the descriptor and sets TempPath, or -1 with
// errno set.
int CreateTempFile(const String& Dir, String Base, mode_t Mode, String& TempPath) {
  static constexpr char Chars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  constexpr std::size_t SuffixLen = 7;  // "." and six characters
  // Keep the whole name within NAME_MAX, cutting the base at a UTF-8 character boundary.
  if (Base.size() + 1 + SuffixLen > NAME_MAX) {
    std::size_t Len = NAME_MAX - 1 - SuffixLen;
    while (Len > 0 && (static_cast<unsigned char>(Base[Len]) & 0xC0) == 0x80) --Len;
    Base.resize(Len);
  }
  thread_local std::mt19937_64 Random(std::random_device{}() ^ static_cast<std::uint64_t>(::getpid()));
  std::uniform_int_distribution<std::size_t> Pick(0, sizeof(Chars) - 2);
  for (int Attempt = 0; Attempt < 100; ++Attempt) {
    String Name = "." + Base + ".";
    for (std::size_t I = 1; I < SuffixLen; ++I) Name += Chars[Pick(Random)];
    TempPath = Dir + Name;
    const int Fd = OpenRetry(TempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, Mode);
    if (Fd >= 0 || errno != EEXIST) return Fd;
  }
  errno = EEXIST;
  return -1;
}

void SyncDirectory(const String& Dir) {
  TFd Fd(OpenRetry(Dir.empty() ? "." : Dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (Fd.Get() >= 0) FsyncRetry(Fd.Get());  // best effort: the data itself is synced
}

}  // namespace

// -----------------------------------------------------------------------------------------

TTextContent DecodeText(std::string_view Bytes) {
  TTextContent Result;
  std::string Raw;
  const auto StartsWith = [&](std::string_view Mark) { return Bytes.substr(0, Mark.size()) == Mark; };
  if (StartsWith("\xEF\xBB\xBF") && IsValidUtf8(Bytes.substr(3))) {
    Result.Format.Encoding = TTextEncoding::teUtf8Bom;
    Raw.assign(Bytes.substr(3));
  } else if (StartsWith("\xFF\xFE")) {
    Result.Format.Encoding = TTextEncoding::teUtf16LE;
    Raw = DecodeUtf16(Bytes.substr(2), false);
  } else if (StartsWith("\xFE\xFF")) {
    Result.Format.Encoding = TTextEncoding::teUtf16BE;
    Raw = DecodeUtf16(Bytes.substr(2), true);
  } else if (IsValidUtf8(Bytes)) {
    Result.Format.Encoding = TTextEncoding::teUtf8;
    Raw.assign(Bytes);
  } else {
    // Also a UTF-8 mark followed by bytes that are not UTF-8: read as 1252, mark included,
    // so that the file comes back byte for byte.
    Result.Format.Encoding = TTextEncoding::teWindows1252;
    Raw = DecodeCp1252(Bytes);
  }

  // CR LF, lone LF and lone CR are each one "\n".
  std::size_t CrLf = 0, Lf = 0;
  String& Text = Result.Text;
  Text.reserve(Raw.size());
  for (std::size_t I = 0; I < Raw.size(); ++I) {
    const char C = Raw[I];
    if (C == '\r') {
      if (I + 1 < Raw.size() && Raw[I + 1] == '\n') {
        ++CrLf;
        ++I;
      }
      Text += '\n';
    } else {
      if (C == '\n') ++Lf;
      Text += C;
    }
  }
  Result.Format.LineBreak = (Lf > 0 && CrLf == 0) ? TLineBreak::lbLF : TLineBreak::lbCRLF;
  return Result;
}

std::string EncodeText(const String& Text, const TTextFormat& Format) {
  const bool Crlf = Format.LineBreak == TLineBreak::lbCRLF;
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
          Out += Crlf ? "\r\n" : "\n";
        } else if (!Cp1252 || static_cast<unsigned char>(C) < 0x80) {
          Out += C;
        } else {
          char32_t Code;
          const std::size_t Len = ReadUtf8(Text, I, Code);
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
          if (Crlf) Put('\r');
          Put('\n');
          continue;
        }
        char32_t Code;
        const std::size_t Len = ReadUtf8(Text, I, Code);
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
  // O_NONBLOCK: opening a FIFO or a device must not wait; the type is checked before reading.
  TFd Fd(OpenRetry(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (Fd.Get() < 0) {
    const int Err = errno;
    struct stat St;
    if (::stat(Path.c_str(), &St) == 0 && !S_ISREG(St.st_mode))  // e.g. a socket (ENXIO)
      throw EFOpenError(Path, ": it is not a regular file");
    throw EFOpenError(Path, Reason(Err));
  }
  struct stat St;
  if (::fstat(Fd.Get(), &St) != 0) throw EFOpenError(Path, Reason(errno));
  if (S_ISDIR(St.st_mode)) throw EFOpenError(Path, ": it is a directory");
  if (!S_ISREG(St.st_mode)) throw EFOpenError(Path, ": it is not a regular file");
  static const String TooLarge = ": it is larger than " + std::to_string(MaxTextFileSize >> 20) + " MiB";
  if (static_cast<std::uint64_t>(St.st_size) > MaxTextFileSize) throw EFOpenError(Path, TooLarge);
  const int Flags = ::fcntl(Fd.Get(), F_GETFL);
  if (Flags >= 0) ::fcntl(Fd.Get(), F_SETFL, Flags & ~O_NONBLOCK);  // a regular file: reads may wait

  // Read to the end, whatever the size said: the file may have changed since.
  std::string Bytes;
  Bytes.resize(static_cast<std::size_t>(St.st_size) + 1);
  std::size_t Got = 0;
  for (;;) {
    if (Got == Bytes.size()) {
      if (Got > MaxTextFileSize) throw EFOpenError(Path, TooLarge);
      Bytes.resize(std::min<std::size_t>(2 * Got + 4096, MaxTextFileSize + 1));
    }
    const ssize_t N = ::read(Fd.Get(), Bytes.data() + Got, Bytes.size() - Got);
    if (N < 0) {
      if (errno == EINTR) continue;
      throw EFOpenError(Path, Reason(errno));
    }
    if (N == 0) break;
    Got += static_cast<std::size_t>(N);
  }
  if (Got > MaxTextFileSize) throw EFOpenError(Path, TooLarge);
  Bytes.resize(Got);
  return DecodeText(Bytes);
}

void WriteTextFile(const String& Path, const String& Text, const TTextFormat& Format) {
  std::string Data;
  try {
    Data = EncodeText(Text, Format);
  } catch (const EEncodingError& E) {
    throw EFCreateError(Path, ": " + E.Message());
  }
  if (Path.empty()) throw EFCreateError(Path, Reason(ENOENT));

  // The file to replace: the path itself, or the final target of a symbolic link.
  String Target = Path;
  bool ThroughDanglingLink = false;
  struct stat St;
  if (::lstat(Path.c_str(), &St) == 0 && S_ISLNK(St.st_mode)) {
    if (char* Resolved = ::realpath(Path.c_str(), nullptr)) {
      Target = Resolved;
      std::free(Resolved);
    } else {
      ThroughDanglingLink = true;  // written in place: creates the link's target
    }
  }

  // An existing file must be a regular file we may write: checked by opening it for writing
  // (without truncating), which is also the descriptor an in-place write uses.
  TFd Original;
  bool Exists = false;
  if (::stat(Target.c_str(), &St) == 0) {
    if (!S_ISREG(St.st_mode)) throw EFCreateError(Path, S_ISDIR(St.st_mode) ? ": it is a directory" : ": it is not a regular file");
    Original.Reset(OpenRetry(Target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (Original.Get() < 0) throw EFCreateError(Path, Reason(errno));
    if (::fstat(Original.Get(), &St) != 0) throw EFCreateError(Path, Reason(errno));
    if (!S_ISREG(St.st_mode)) throw EFCreateError(Path, ": it is not a regular file");
    Exists = true;
  } else if (errno != ENOENT) {
    throw EFCreateError(Path, Reason(errno));
  } else if (ThroughDanglingLink) {
    Original.Reset(OpenRetry(Path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666));
    if (Original.Get() < 0) throw EFCreateError(Path, Reason(errno));
    WriteInPlace(Original.Get(), Path, Data);
    return;
  }

  if (Exists && St.st_nlink > 1) {  // replacing would split the file from its other names
    WriteInPlace(Original.Get(), Path, Data);
    return;
  }

  const std::size_t Slash = Target.rfind('/');
  const String Dir = Slash == String::npos ? String() : Target.substr(0, Slash + 1);
  const String Base = Slash == String::npos ? Target : Target.substr(Slash + 1);
  if (Base.empty()) throw EFCreateError(Path, Reason(EISDIR));

  String TempPath;
  TFd Temp(CreateTempFile(Dir, Base, Exists ? 0600 : 0666, TempPath));
  if (Temp.Get() < 0) {
    const int Err = errno;
    if (Exists && (Err == EACCES || Err == EPERM || Err == EROFS)) {
      WriteInPlace(Original.Get(), Path, Data);  // the directory takes no new file
      return;
    }
    throw EFCreateError(Path, Reason(Err));
  }

  // From here on the temporary file goes again unless it has been renamed.
  bool InPlace = false;
  int Err = WriteAll(Temp.Get(), Data);
  if (Err == 0 && Exists) {
    // The original's owner and group; a file we could not give them is not used.
    if (::fchown(Temp.Get(), St.st_uid, St.st_gid) != 0) {
      if (errno == EPERM)
        InPlace = true;
      else
        Err = errno;
    }
    if (Err == 0 && !InPlace && ::fchmod(Temp.Get(), St.st_mode & 07777) != 0) {
      if (errno == EPERM)
        InPlace = true;
      else
        Err = errno;
    }
  }
  if (Err == 0 && !InPlace) Err = FsyncRetry(Temp.Get());
  if (Err == 0 && !InPlace) Err = Temp.Close();
  if (Err == 0 && !InPlace) {
    if (::rename(TempPath.c_str(), Target.c_str()) == 0) {
      SyncDirectory(Dir);
      return;
    }
    Err = errno;
    // e.g. a sticky directory and a file that belongs to someone else
    if (Exists && (Err == EACCES || Err == EPERM)) InPlace = true, Err = 0;
  }
  Temp.Reset();
  ::unlink(TempPath.c_str());
  if (Err != 0) throw EFCreateError(Path, Reason(Err));
  WriteInPlace(Original.Get(), Path, Data);
}
