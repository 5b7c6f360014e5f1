#include "framework/TextFile.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

constexpr uid_t Nobody = 65534;

std::string Bytes(std::initializer_list<int> Values) {
  std::string S;
  for (int V : Values)
    S += static_cast<char>(V);
  return S;
}

void PutFile(const String& Path, std::string_view Data) {
  std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
  Out.write(Data.data(), static_cast<std::streamsize>(Data.size()));
  ASSERT_TRUE(Out.good()) << Path;
}

std::string GetFile(const String& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::ostringstream S;
  S << In.rdbuf();
  return S.str();
}

struct stat StatOf(const String& Path) {
  struct stat St {};
  EXPECT_EQ(::stat(Path.c_str(), &St), 0) << Path;
  return St;
}

std::set<String> Names(const String& Dir) {
  std::set<String> Result;
  for (const auto& Entry : fs::directory_iterator(Dir))
    Result.insert(Entry.path().filename().string());
  return Result;
}

// Kills the test program instead of letting it hang when a call blocks.
struct TNoHang {
  TNoHang() { ::alarm(10); }
  ~TNoHang() { ::alarm(0); }
};

// Runs Body in a child process as user and group "nobody"; returns its result (or -1).
int RunAsNobody(const std::function<int()>& Body) {
  const pid_t Pid = ::fork();
  if (Pid == 0) {
    int Code = 100;
    if (::setgroups(0, nullptr) == 0 && ::setresgid(Nobody, Nobody, Nobody) == 0 &&
        ::setresuid(Nobody, Nobody, Nobody) == 0) {
      try {
        Code = Body();
      } catch (...) {
        Code = 101;
      }
    }
    ::_exit(Code);
  }
  int Status = 0;
  if (Pid < 0 || ::waitpid(Pid, &Status, 0) != Pid || !WIFEXITED(Status)) return -1;
  return WEXITSTATUS(Status);
}

// Runs Body in a child process and returns its result (or -1).
int RunInChild(const std::function<int()>& Body) {
  const pid_t Pid = ::fork();
  if (Pid == 0) {
    int Code = 101;
    try {
      Code = Body();
    } catch (...) {
    }
    ::_exit(Code);
  }
  int Status = 0;
  if (Pid < 0 || ::waitpid(Pid, &Status, 0) != Pid || !WIFEXITED(Status)) return -1;
  return WEXITSTATUS(Status);
}

// 0 when Call throws an exception of type E whose message contains Part.
template <class E> int Expect(const std::function<void()>& Call, const String& Part) {
  try {
    Call();
  } catch (const E& Error) {
    return Error.Message().find(Part) != String::npos ? 0 : 2;
  } catch (...) {
    return 3;
  }
  return 1;
}

class TextFileTest : public testing::Test {
protected:
  void SetUp() override {
    String Template = testing::TempDir();
    if (Template.empty() || Template.back() != '/') Template += '/';
    Template += "TextFileTest.XXXXXX";
    ASSERT_NE(::mkdtemp(Template.data()), nullptr);
    FDir = Template;
  }
  void TearDown() override {
    std::error_code Ignored;
    for (const auto& Entry : fs::recursive_directory_iterator(FDir, Ignored))
      if (Entry.is_directory(Ignored)) ::chmod(Entry.path().c_str(), 0700);
    fs::remove_all(FDir, Ignored);
  }
  String P(const String& Name) const { return FDir + "/" + Name; }

  // Reads File, checks its format, saves it unchanged and checks the bytes.
  TTextContent RoundTrip(const String& Name, const std::string& Data, TTextEncoding Encoding) {
    PutFile(P(Name), Data);
    TTextContent Content = ReadTextFile(P(Name));
    EXPECT_EQ(Content.Format.Encoding, Encoding);
    WriteTextFile(P(Name), Content.Text, Content.Format);
    EXPECT_EQ(GetFile(P(Name)), Data);
    for (const String& Left : Names(FDir))
      EXPECT_NE(Left[0], '.') << Left; // no temporary file left
    return Content;
  }

  String FDir;
};

// --- Encodings ---------------------------------------------------------------------------

TEST_F(TextFileTest, Utf16LeWithBomAndSurrogatePairRoundTrips) {
  // BOM, "A", U+1F600 (D83D DE00), CR LF, "ä", U+4E2D.
  const std::string Data = Bytes({0xFF, 0xFE, 'A', 0, 0x3D, 0xD8, 0x00, 0xDE, '\r', 0, '\n', 0, 0xE4, 0, 0x2D, 0x4E});
  const TTextContent Content = RoundTrip("le.inf", Data, TTextEncoding::teUtf16LE);
  EXPECT_EQ(Content.Text, "A\xF0\x9F\x98\x80\n\xC3\xA4\xE4\xB8\xAD");
  EXPECT_EQ(Content.Format.LineBreak, TLineBreak::lbCRLF);
}

TEST_F(TextFileTest, Utf16BeWithBomAndSurrogatePairRoundTrips) {
  const std::string Data = Bytes({0xFE, 0xFF, 0, 'A', 0xD8, 0x3D, 0xDE, 0x00, 0, '\n', 0, 0xE4});
  const TTextContent Content = RoundTrip("be.inf", Data, TTextEncoding::teUtf16BE);
  EXPECT_EQ(Content.Text, "A\xF0\x9F\x98\x80\n\xC3\xA4");
  EXPECT_EQ(Content.Format.LineBreak, TLineBreak::lbLF);
}

TEST_F(TextFileTest, Utf16UnpairedSurrogatesAndAnOddByteBecomeReplacementCharacters) {
  // Lone high surrogate before "B", lone low surrogate, high surrogate at the end, odd byte.
  const TTextContent Le = DecodeText(Bytes({0xFF, 0xFE, 0x3D, 0xD8, 'B', 0, 0x00, 0xDE, 0x3D, 0xD8, 0x41}));
  EXPECT_EQ(Le.Format.Encoding, TTextEncoding::teUtf16LE);
  EXPECT_EQ(Le.Text, "\xEF\xBF\xBD"
                     "B\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
  const TTextContent Be = DecodeText(Bytes({0xFE, 0xFF, 0, 'x', 0x7A}));
  EXPECT_EQ(Be.Format.Encoding, TTextEncoding::teUtf16BE);
  EXPECT_EQ(Be.Text, "x\xEF\xBF\xBD");
  EXPECT_EQ(DecodeText(Bytes({0xFF, 0xFE})).Text, "");
}

TEST_F(TextFileTest, Utf8WithBomRoundTrips) {
  const TTextContent Content = RoundTrip("bom.ini", "\xEF\xBB\xBF[S\xC3\xA9\x63]\r\nk=v\r\n", TTextEncoding::teUtf8Bom);
  EXPECT_EQ(Content.Text, "[S\xC3\xA9\x63]\nk=v\n");
}

TEST_F(TextFileTest, PlainUtf8WithNulRoundTrips) {
  const std::string Data("[a]\nk=\xE2\x82\xAC\0z\n", 12);
  const TTextContent Content = RoundTrip("plain.ini", Data, TTextEncoding::teUtf8);
  EXPECT_EQ(Content.Text, Data);
  EXPECT_EQ(Content.Format.LineBreak, TLineBreak::lbLF);
}

TEST_F(TextFileTest, Windows1252EveryHighByteRoundTrips) {
  std::string Data = "x=";
  for (int B = 0x80; B <= 0xFF; ++B)
    Data += static_cast<char>(B);
  Data += "\r\n";
  const TTextContent Content = RoundTrip("cp.ini", Data, TTextEncoding::teWindows1252);
  EXPECT_EQ(Content.Text.substr(0, 5), "x=\xE2\x82\xAC");     // 0x80 is the euro sign
  EXPECT_EQ(Content.Text.substr(5, 2), "\xC2\x81");           // undefined 0x81 is U+0081
  EXPECT_NE(Content.Text.find("\xE2\x80\x9C"), String::npos); // 0x93 is U+201C
  EXPECT_NE(Content.Text.find("\xC3\xBF\n"), String::npos);   // 0xFF is U+00FF
  for (int B = 0x80; B <= 0xFF; ++B) {
    const std::string One = "a" + std::string(1, static_cast<char>(B));
    const TTextContent Decoded = DecodeText(One);
    EXPECT_EQ(Decoded.Format.Encoding, TTextEncoding::teWindows1252) << B;
    EXPECT_EQ(EncodeText(Decoded.Text, Decoded.Format), One) << B;
  }
}

TEST_F(TextFileTest, BytesThatAreNotStrictUtf8AreReadAsWindows1252) {
  EXPECT_EQ(DecodeText("").Format, TTextFormat{});
  EXPECT_EQ(DecodeText("").Text, "");
  // Overlong NUL, an encoded surrogate and a code point above U+10FFFF are not UTF-8.
  EXPECT_EQ(DecodeText("\xC0\x80").Format.Encoding, TTextEncoding::teWindows1252);
  EXPECT_EQ(DecodeText("\xED\xA0\x80").Format.Encoding, TTextEncoding::teWindows1252);
  EXPECT_EQ(DecodeText("\xF4\x90\x80\x80").Format.Encoding, TTextEncoding::teWindows1252);
  EXPECT_EQ(DecodeText("a\xE2\x82").Format.Encoding, TTextEncoding::teWindows1252);
  // A UTF-8 mark before bytes that are not UTF-8: Windows-1252, mark included, round-trips.
  const std::string Marked = "\xEF\xBB\xBF"
                             "caf\xE9";
  const TTextContent Content = DecodeText(Marked);
  EXPECT_EQ(Content.Format.Encoding, TTextEncoding::teWindows1252);
  EXPECT_EQ(EncodeText(Content.Text, Content.Format), Marked);
}

TEST_F(TextFileTest, WritingRefusesWhatTheEncodingCannotHoldAndUtf8KeepsRawBytes) {
  const TTextFormat Cp{TTextEncoding::teWindows1252, TLineBreak::lbCRLF};
  EXPECT_EQ(EncodeText("\xE2\x82\xAC\xC2\x81\xC5\xB8\xC3\xA9", Cp), "\x80\x81\x9F\xE9");
  EXPECT_THROW(EncodeText("\xE4\xB8\xAD", Cp), EEncodingError); // U+4E2D
  EXPECT_THROW(EncodeText("\xC2\x80", Cp), EEncodingError);     // U+0080: 0x80 is the euro
  EXPECT_THROW(EncodeText("bad \xFF", Cp), EEncodingError);     // not UTF-8
  EXPECT_THROW(EncodeText("bad \xFF", TTextFormat{TTextEncoding::teUtf16LE, TLineBreak::lbLF}), EEncodingError);
  EXPECT_EQ(EncodeText("raw \xFF", TTextFormat{TTextEncoding::teUtf8, TLineBreak::lbLF}), "raw \xFF");
}

// --- Line breaks -------------------------------------------------------------------------

TEST_F(TextFileTest, CrLfAndLfFilesComeBackExactly) {
  const TTextContent Crlf = RoundTrip("crlf.ini", "[a]\r\nk=1\r\n\r\n", TTextEncoding::teUtf8);
  EXPECT_EQ(Crlf.Text, "[a]\nk=1\n\n");
  EXPECT_EQ(Crlf.Format.LineBreak, TLineBreak::lbCRLF);
  const TTextContent Lf = RoundTrip("lf.ini", "[a]\nk=1\n\n", TTextEncoding::teUtf8);
  EXPECT_EQ(Lf.Text, "[a]\nk=1\n\n");
  EXPECT_EQ(Lf.Format.LineBreak, TLineBreak::lbLF);
  const std::string Utf16Lf = Bytes({0xFF, 0xFE, 'a', 0, '\n', 0, 'b', 0});
  EXPECT_EQ(RoundTrip("lf16.inf", Utf16Lf, TTextEncoding::teUtf16LE).Format.LineBreak, TLineBreak::lbLF);
}

TEST_F(TextFileTest, MixedBreaksReadAsOneBreakEachAndComeBackLineByLine) {
  PutFile(P("mixed.ini"), "a\r\nb\nc\rd\r\r\n");
  const TTextContent Content = ReadTextFile(P("mixed.ini"));
  EXPECT_EQ(Content.Text, "a\nb\nc\nd\n\n");
  EXPECT_EQ(Content.Format.LineBreak, TLineBreak::lbCRLF);
  EXPECT_EQ(Content.OwnBreaks, (TOwnBreaks{{1, TLineBreak::lbLF}, {2, TLineBreak::lbCR}, {3, TLineBreak::lbCR}}));
  WriteTextFile(P("mixed.ini"), Content.Text, Content.Format, Content.OwnBreaks);
  EXPECT_EQ(GetFile(P("mixed.ini")), "a\r\nb\nc\rd\r\r\n");
  // Lines without a break of their own, a new one at the end, take the usual break.
  WriteTextFile(P("mixed.ini"), Content.Text + "e\n", Content.Format, Content.OwnBreaks);
  EXPECT_EQ(GetFile(P("mixed.ini")), "a\r\nb\nc\rd\r\r\ne\r\n");
}

TEST_F(TextFileTest, TheBreakMostLinesEndWithIsTheFilesBreak) {
  // The break most lines end with; on a tie CR LF, then LF.
  EXPECT_EQ(DecodeText("a\rb").Format.LineBreak, TLineBreak::lbCR);
  EXPECT_EQ(DecodeText("a\rb\rc\r\n").Format.LineBreak, TLineBreak::lbCR);
  EXPECT_EQ(DecodeText("a\rb\nc").Format.LineBreak, TLineBreak::lbLF);
  EXPECT_EQ(DecodeText("a\nb\r\n").Format.LineBreak, TLineBreak::lbCRLF);
  EXPECT_EQ(DecodeText("no break").Format.LineBreak, TLineBreak::lbCRLF);
  EXPECT_EQ(DecodeText("a\rb").Text, "a\nb");
}

TEST_F(TextFileTest, EveryBreakInTheTextBecomesTheFormatsBreak) {
  EXPECT_EQ(EncodeText("a\nb\r\nc\rd", TTextFormat{TTextEncoding::teUtf8, TLineBreak::lbLF}), "a\nb\nc\nd");
  EXPECT_EQ(EncodeText("a\nb", TTextFormat{}), "a\r\nb");
  EXPECT_EQ(EncodeText("a\n", TTextFormat{TTextEncoding::teUtf16BE, TLineBreak::lbCRLF}),
            Bytes({0xFE, 0xFF, 0, 'a', 0, '\r', 0, '\n'}));
}

// --- Reading: what is refused ------------------------------------------------------------

TEST_F(TextFileTest, FifoIsRefusedWithoutBlocking) {
  ASSERT_EQ(::mkfifo(P("fifo").c_str(), 0644), 0);
  TNoHang Guard;
  try {
    ReadTextFile(P("fifo"));
    FAIL() << "a FIFO was read";
  } catch (const EFOpenError& E) {
    EXPECT_EQ(E.Message(), "Cannot open file " + P("fifo") + ": it is not a regular file");
  }
  EXPECT_THROW(WriteTextFile(P("fifo"), "x", TTextFormat{}), EFCreateError);
}

TEST_F(TextFileTest, DeviceIsRefusedWithoutReading) {
  TNoHang Guard;
  try {
    ReadTextFile("/dev/zero");
    FAIL() << "/dev/zero was read";
  } catch (const EFOpenError& E) {
    EXPECT_EQ(E.Message(), "Cannot open file /dev/zero: it is not a regular file");
  }
  EXPECT_THROW(WriteTextFile("/dev/null", "x", TTextFormat{}), EFCreateError);
}

TEST_F(TextFileTest, DirectoryAndSocketAreRefused) {
  try {
    ReadTextFile(FDir);
    FAIL() << "a directory was read";
  } catch (const EFOpenError& E) {
    EXPECT_EQ(E.Message(), "Cannot open file " + FDir + ": it is a directory");
  }
  EXPECT_THROW(WriteTextFile(FDir, "x", TTextFormat{}), EFCreateError);

  const int Sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(Sock, 0);
  sockaddr_un Address{};
  Address.sun_family = AF_UNIX;
  const String SockPath = P("sock");
  ASSERT_LT(SockPath.size(), sizeof(Address.sun_path));
  std::memcpy(Address.sun_path, SockPath.c_str(), SockPath.size() + 1);
  ASSERT_EQ(::bind(Sock, reinterpret_cast<sockaddr*>(&Address), sizeof(Address)), 0);
  TNoHang Guard;
  try {
    ReadTextFile(SockPath);
    FAIL() << "a socket was read";
  } catch (const EFOpenError& E) {
    EXPECT_EQ(E.Message(), "Cannot open file " + SockPath + ": it is not a regular file");
  }
  ::close(Sock);
}

TEST_F(TextFileTest, FileLargerThan64MiBIsRefused) {
  const int Fd = ::open(P("big.ini").c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(Fd, 0);
  ASSERT_EQ(::ftruncate(Fd, static_cast<off_t>(MaxTextFileSize + 1)), 0);
  try {
    ReadTextFile(P("big.ini"));
    FAIL() << "a file of 64 MiB + 1 was read";
  } catch (const EFOpenError& E) {
    EXPECT_EQ(E.Message(), "Cannot open file " + P("big.ini") + ": it is larger than 64 MiB");
  }
  ASSERT_EQ(::ftruncate(Fd, static_cast<off_t>(MaxTextFileSize)), 0); // exactly the limit
  ::close(Fd);
  EXPECT_EQ(ReadTextFile(P("big.ini")).Text.size(), MaxTextFileSize);
}

TEST_F(TextFileTest, MissingAndDeniedFilesGiveTheReason) {
  try {
    ReadTextFile(P("none.ini"));
    FAIL();
  } catch (const EFOpenError& E) {
    EXPECT_EQ(E.Message(), "Cannot open file " + P("none.ini") + ": " + std::strerror(ENOENT));
  }
  PutFile(P("secret.ini"), "x");
  ASSERT_EQ(::chmod(P("secret.ini").c_str(), 0600), 0);
  ASSERT_EQ(::chmod(FDir.c_str(), 0755), 0);
  const String Path = P("secret.ini");
  EXPECT_EQ(RunAsNobody(
                [&] { return Expect<EFOpenError>([&] { ReadTextFile(Path); }, String(": ") + std::strerror(EACCES)); }),
            0);
}

// --- Writing -----------------------------------------------------------------------------

TEST_F(TextFileTest, SaveIntoMissingDirectoryFailsAndCreatesNothing) {
  const String Path = P("missing/x.ini");
  try {
    WriteTextFile(Path, "x", TTextFormat{});
    FAIL();
  } catch (const EFCreateError& E) {
    EXPECT_EQ(E.Message(), "Cannot create file " + Path + ": " + std::strerror(ENOENT));
  }
  EXPECT_TRUE(Names(FDir).empty());
}

TEST_F(TextFileTest, SaveBelowARegularFileFailsAndLeavesItIntact) {
  PutFile(P("file"), "keep");
  EXPECT_THROW(WriteTextFile(P("file/x.ini"), "x", TTextFormat{}), EFCreateError);
  EXPECT_EQ(GetFile(P("file")), "keep");
  EXPECT_EQ(Names(FDir), std::set<String>{"file"});
}

TEST_F(TextFileTest, SaveFailingMidWriteLeavesOriginalAndNoTemporaryFile) {
  PutFile(P("a.ini"), "original\r\n");
  const String Path = P("a.ini");
  const String Big(100000, 'x');
  const int Result = RunInChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit Limit{4096, 4096}; // writes beyond 4 KiB fail with EFBIG
    if (::setrlimit(RLIMIT_FSIZE, &Limit) != 0) return 99;
    return Expect<EFCreateError>([&] { WriteTextFile(Path, Big, TTextFormat{}); }, std::strerror(EFBIG));
  });
  EXPECT_EQ(Result, 0);
  EXPECT_EQ(GetFile(Path), "original\r\n");
  EXPECT_EQ(Names(FDir), std::set<String>{"a.ini"});
}

TEST_F(TextFileTest, ReadOnlyFileFailsAndStaysIntact) {
  PutFile(P("ro.ini"), "original");
  ASSERT_EQ(::chmod(P("ro.ini").c_str(), 0444), 0);
  ASSERT_EQ(::chmod(FDir.c_str(), 0777), 0);
  const String Path = P("ro.ini");
  EXPECT_EQ(RunAsNobody([&] {
              return Expect<EFCreateError>([&] { WriteTextFile(Path, "new", TTextFormat{}); },
                                           "Cannot create file " + Path + ": " + std::strerror(EACCES));
            }),
            0);
  EXPECT_EQ(GetFile(Path), "original");
  EXPECT_EQ(Names(FDir), std::set<String>{"ro.ini"});
}

TEST_F(TextFileTest, ReadOnlyDirectoryIsWrittenInPlaceOrRefusesNewFiles) {
  PutFile(P("w.ini"), "original");
  ASSERT_EQ(::chown(P("w.ini").c_str(), Nobody, Nobody), 0);
  ASSERT_EQ(::chmod(FDir.c_str(), 0555), 0);
  const String Path = P("w.ini"), NewPath = P("new.ini");
  const ino_t Inode = StatOf(Path).st_ino;
  EXPECT_EQ(RunAsNobody([&] {
              WriteTextFile(Path, "new\n", TTextFormat{});
              return Expect<EFCreateError>([&] { WriteTextFile(NewPath, "x", TTextFormat{}); }, std::strerror(EACCES));
            }),
            0);
  EXPECT_EQ(GetFile(Path), "new\r\n");
  EXPECT_EQ(StatOf(Path).st_ino, Inode); // written in place
  EXPECT_EQ(Names(FDir), std::set<String>{"w.ini"});
}

TEST_F(TextFileTest, FileOfAnotherOwnerInStickyDirectoryIsWrittenInPlace) {
  PutFile(P("shared.ini"), "original");
  ASSERT_EQ(::chmod(P("shared.ini").c_str(), 0666), 0);
  ASSERT_EQ(::chmod(FDir.c_str(), 01777), 0);
  const String Path = P("shared.ini");
  EXPECT_EQ(RunAsNobody([&] {
              WriteTextFile(Path, "new", TTextFormat{});
              return 0;
            }),
            0);
  EXPECT_EQ(GetFile(Path), "new");
  const struct stat St = StatOf(Path);
  EXPECT_EQ(St.st_uid, 0u); // still root's
  EXPECT_EQ(St.st_mode & 07777, 0666u);
  EXPECT_EQ(Names(FDir), std::set<String>{"shared.ini"});
}

TEST_F(TextFileTest, NewFileGetsModeFromUmask) {
  const mode_t Old = ::umask(027);
  WriteTextFile(P("n.ini"), "a\nb", TTextFormat{});
  ::umask(Old);
  EXPECT_EQ(StatOf(P("n.ini")).st_mode & 07777, 0640u);
  EXPECT_EQ(GetFile(P("n.ini")), "a\r\nb");
}

TEST_F(TextFileTest, LongNameIsSaved) {
  const String Name(250, 'n');
  PutFile(P(Name), "old");
  WriteTextFile(P(Name), "new", TTextFormat{});
  EXPECT_EQ(GetFile(P(Name)), "new");
  EXPECT_EQ(Names(FDir), std::set<String>{Name});
}

TEST_F(TextFileTest, DanglingSymlinkIsRefusedAndCreatesNothing) {
  ASSERT_EQ(::symlink("target.ini", P("link.ini").c_str()), 0);
  try {
    WriteTextFile(P("link.ini"), "x\n", TTextFormat{});
    ADD_FAILURE() << "saved through a dangling link";
  } catch (const EFCreateError& E) {
    EXPECT_EQ(E.Message(),
              "Cannot create file " + P("link.ini") + ": it is a symbolic link to a file that does not exist");
  }
  struct stat St {};
  ASSERT_EQ(::lstat(P("link.ini").c_str(), &St), 0);
  EXPECT_TRUE(S_ISLNK(St.st_mode));
  EXPECT_EQ(Names(FDir), std::set<String>{"link.ini"});
}

TEST_F(TextFileTest, UnencodableCharacterInWindows1252FileFailsAndLeavesFile) {
  PutFile(P("cp.ini"), "caf\xE9\r\n");
  const TTextContent Content = ReadTextFile(P("cp.ini"));
  ASSERT_EQ(Content.Format.Encoding, TTextEncoding::teWindows1252);
  WriteTextFile(P("cp.ini"), Content.Text + "\xE2\x82\xAC\n", Content.Format); // the euro sign is fine
  EXPECT_EQ(GetFile(P("cp.ini")), "caf\xE9\r\n\x80\r\n");
  try {
    WriteTextFile(P("cp.ini"), Content.Text + "\xE4\xB8\xAD", Content.Format);
    FAIL() << "U+4E2D was written to a Windows-1252 file";
  } catch (const EFCreateError& E) {
    EXPECT_EQ(E.Message(), "Cannot create file " + P("cp.ini") +
                               ": the text holds characters that the file's encoding cannot store");
  }
  EXPECT_EQ(GetFile(P("cp.ini")), "caf\xE9\r\n\x80\r\n");
  EXPECT_EQ(Names(FDir), std::set<String>{"cp.ini"});
}

} // namespace
