#include "framework/FileSearch.h"

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <bitset>
#include <chrono>
#include <cstring>
#include <mutex>
#include <optional>

#include "framework/QtConvert.h"
#include "framework/TextFile.h"
#include "platform/Files.h"
#include "platform/QtWindow.h"
#include "platform/Utf8.h"

namespace {

// What a long line shows around its match, in characters before and after it.
constexpr qsizetype ShownBefore = 100;
constexpr qsizetype ShownAfter = 250;

// The line [Start, End) of Text, or the part of it around [At, At + Length).
String ShownLine(const QString& Text, qsizetype Start, qsizetype End, qsizetype At, qsizetype Length) {
  if (End - Start <= MaxShownLine) return FromQString(Text.mid(Start, End - Start));
  qsizetype from = std::max(Start, At - ShownBefore), to = std::min(End, At + Length + ShownAfter);
  // Not between the two halves of a character outside the Basic Multilingual Plane.
  if (from > Start && Text[from].isLowSurrogate()) ++from;
  if (to < End && Text[to].isLowSurrogate()) --to;
  QString shown = Text.mid(from, to - from);
  if (from > Start) shown.prepend(QChar(0x2026));
  if (to < End) shown.append(QChar(0x2026));
  return FromQString(shown);
}

// Every occurrence of Needle in the editor's text, as the editor's Find finds them one after the other.
TFileMatches FindInText(const QString& Text, const QString& Needle, const TSearchTypes& Options) {
  TFileMatches found;
  const char16_t* chars = reinterpret_cast<const char16_t*>(Text.utf16());
  int line = 1;
  qsizetype lineStart = 0, counted = 0;
  for (std::ptrdiff_t at = 0; (at = FindMatch(Text, Needle, at, Text.size(), Options)) >= 0; at += Needle.size()) {
    for (const char16_t* p = chars + counted; (p = std::find(p, chars + at, u'\n')) != chars + at; ++p) {
      ++line;
      lineStart = p - chars + 1;
    }
    counted = at;
    qsizetype lineEnd = Text.indexOf(QLatin1Char('\n'), at);
    if (lineEnd < 0) lineEnd = Text.size();
    found.Matches.push_back({line, static_cast<int>(at), static_cast<int>(Needle.size()),
                             ShownLine(Text, lineStart, lineEnd, at, Needle.size())});
  }
  return found;
}

// ---------------------------------------------------------------------------------------
// The commonest search, a text of ASCII characters in a UTF-8 file, runs on the file's bytes:
// they are the editor's text but for the line breaks, which such a text cannot hold, so
// every occurrence is where the editor's text has it. What is counted on the way gives the
// lines and the editor's positions.

// The ASCII letters that some other character's case folding gives (as the Kelvin sign's
// "k"): where the file holds more than ASCII, ignoring case may match those too.
const std::bitset<128>& FoldedFromOtherCharacters() {
  static const std::bitset<128> folded = [] {
    std::bitset<128> set;
    for (char32_t c = 0x80; c < 0x10000; ++c)
      if (const char32_t fold = QChar::toCaseFolded(c); fold < 0x80) set.set(fold);
    return set;
  }();
  return folded;
}

// What a stretch of a UTF-8 file's bytes between two occurrences holds.
struct TStretch {
  std::size_t Breaks = 0; // line breaks: CR LF, LF, or a CR alone
  std::size_t Units = 0;  // the UTF-16 units the editor's text has for it
};

using TVector = unsigned char __attribute__((vector_size(16)));

TVector Splat(unsigned char B) {
  TVector v;
  for (std::size_t i = 0; i < 16; ++i)
    v[i] = B;
  return v;
}

TVector Load(const char* P) {
  TVector v;
  std::memcpy(&v, P, 16);
  return v;
}

// The sum of the bytes of V.
std::size_t SumBytes(TVector V) {
  std::size_t sum = 0;
  for (std::size_t i = 0; i < 16; ++i)
    sum += V[i];
  return sum;
}

// Measures [P, P + N); no CR LF lies across either end. Sixteen bytes at a time, counted in
// bytes of a vector that are added up before they can overflow.
TStretch Measure(const char* P, std::size_t N, bool Ascii) {
  std::size_t lf = 0, cr = 0, crlf = 0, continuations = 0, fourByteLeads = 0, i = 0;
  const TVector newline = Splat('\n'), carriageReturn = Splat('\r'), top2 = Splat(0xC0), top4 = Splat(0xF0);
  while (i + 17 <= N) {
    TVector lfs{}, crs{}, pairs{}, conts{}, leads{};
    for (int round = 0; round < 255 && i + 17 <= N; ++round, i += 16) {
      const TVector v = Load(P + i);
      const auto isCr = reinterpret_cast<TVector>(v == carriageReturn);
      lfs -= reinterpret_cast<TVector>(v == newline);
      crs -= isCr;
      pairs -= isCr & reinterpret_cast<TVector>(Load(P + i + 1) == newline);
      if (!Ascii) {
        conts -= reinterpret_cast<TVector>((v & top2) == Splat(0x80));
        leads -= reinterpret_cast<TVector>((v & top4) == top4);
      }
    }
    lf += SumBytes(lfs), cr += SumBytes(crs), crlf += SumBytes(pairs);
    continuations += SumBytes(conts), fourByteLeads += SumBytes(leads);
  }
  for (; i < N; ++i) {
    const auto b = static_cast<unsigned char>(P[i]);
    lf += b == '\n';
    cr += b == '\r';
    crlf += b == '\r' && i + 1 < N && P[i + 1] == '\n'; // a pair is counted where its CR is
    continuations += (b & 0xC0) == 0x80;
    fourByteLeads += b >= 0xF0;
  }
  return {lf + cr - crlf, N - continuations + fourByteLeads - crlf};
}

// How common a byte is in settings files, from 0 (rare) up: letters by their frequency in
// English, digits, blanks and the signs of key=value lines as common.
int Commonness(unsigned char B) {
  static constexpr std::string_view letters = "zqjxkvbpgwyfmculdhrsnioate";
  if (const std::size_t at = letters.find(static_cast<char>(B | 0x20)); at != std::string_view::npos && B >= 'A')
    return static_cast<int>(at);
  if (B == ' ' || B == '=' || B == '\\' || (B >= '0' && B <= '9')) return 30;
  return B < 0x80 ? 10 : 0;
}

// The search for an ASCII text in bytes, its case ignored or not: sixteen places at a time
// are tried for three of the text's rarest bytes, and only where all fit is the whole compared.
class TByteFinder {
public:
  TByteFinder(const QString& Needle, bool IgnoreCase) {
    for (const QChar c : Needle) {
      const auto b = static_cast<unsigned char>(c.unicode());
      const bool letter = IgnoreCase && ((b | 0x20) >= 'a' && (b | 0x20) <= 'z');
      FNeedle += static_cast<char>(letter ? b | 0x20 : b);
      FCase += static_cast<char>(letter ? 0x20 : 0);
    }
    std::vector<std::size_t> order(FNeedle.size());
    for (std::size_t i = 0; i < order.size(); ++i)
      order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t A, std::size_t B) {
      return Commonness(static_cast<unsigned char>(FNeedle[A])) < Commonness(static_cast<unsigned char>(FNeedle[B]));
    });
    for (std::size_t k = 0; k < FTried.size(); ++k) {
      FTried[k] = order[std::min(k, order.size() - 1)];
      FBytes[k] = Splat(static_cast<unsigned char>(FNeedle[FTried[k]]));
      FCases[k] = Splat(static_cast<unsigned char>(FCase[FTried[k]]));
    }
  }

  // The first occurrence at or after From, or npos.
  std::size_t Find(std::string_view Bytes, std::size_t From) const {
    const std::size_t m = FNeedle.size();
    if (Bytes.size() < m) return std::string_view::npos;
    const std::size_t end = Bytes.size() - m + 1; // the places an occurrence may begin
    std::size_t at = From;
    for (; at + 16 <= end; at += 16) {
      TVector fits = Fits(Bytes, at, 0) & Fits(Bytes, at, 1) & Fits(Bytes, at, 2);
      const auto halves = reinterpret_cast<THalves>(fits);
      if (!(halves[0] | halves[1])) continue;
      for (std::size_t half = 0; half < 2; ++half)
        for (std::uint64_t marks = halves[half]; marks;) {
          const auto byte = static_cast<std::size_t>(std::countr_zero(marks)) / 8;
          if (Matches(Bytes, at + 8 * half + byte)) return at + 8 * half + byte;
          marks &= ~(0xFFull << (8 * byte));
        }
    }
    for (; at < end; ++at)
      if (Matches(Bytes, at)) return at;
    return std::string_view::npos;
  }

  std::size_t Size() const { return FNeedle.size(); }

private:
  using THalves = std::uint64_t __attribute__((vector_size(16)));
  // Which of the sixteen places from At have the K-th byte tried, as bytes of all ones.
  TVector Fits(std::string_view Bytes, std::size_t At, std::size_t K) const {
    return reinterpret_cast<TVector>((Load(Bytes.data() + At + FTried[K]) | FCases[K]) == FBytes[K]);
  }
  bool Matches(std::string_view Bytes, std::size_t At) const {
    for (std::size_t i = 0; i < FNeedle.size(); ++i)
      if ((Bytes[At + i] | FCase[i]) != FNeedle[i]) return false;
    return true;
  }

  std::string FNeedle; // folded
  std::string FCase;   // 0x20 where case is ignored (a letter), else 0
  // The places in the text of the bytes tried first, and those bytes, as vectors.
  std::array<std::size_t, 3> FTried{};
  std::array<TVector, 3> FBytes, FCases;
};

bool IsBreakByte(char C) { return C == '\n' || C == '\r'; }

// The editor's UTF-16 unit just before or at byte At of valid UTF-8 Bytes, for the whole-
// word test: of a character outside the Basic Multilingual Plane, the half that lies there.
QChar UnitBefore(std::string_view Bytes, std::size_t At) {
  std::size_t lead = At - 1;
  while (lead > 0 && (static_cast<unsigned char>(Bytes[lead]) & 0xC0) == 0x80)
    --lead;
  char32_t code;
  DecodeUtf8(Bytes, lead, code);
  return code >= 0x10000 ? QChar(QChar::lowSurrogate(code)) : QChar(static_cast<char16_t>(code));
}
QChar UnitAt(std::string_view Bytes, std::size_t At) {
  char32_t code;
  DecodeUtf8(Bytes, At, code);
  return code >= 0x10000 ? QChar(QChar::highSurrogate(code)) : QChar(static_cast<char16_t>(code));
}

// Finds Needle in the bytes of a file the editor reads as UTF-8, when that is the same as
// finding it in the editor's text; false when it is not (another encoding, a text that
// holds more than ASCII or a line break, a case folding that more than ASCII matches).
bool FindInUtf8(std::string_view Bytes, const QString& Needle, const TSearchTypes& Options, TFileMatches& Found) {
  if (Needle.isEmpty()) return true; // nothing is found
  for (const QChar c : Needle)
    if (c.unicode() >= 0x80 || IsBreakByte(static_cast<char>(c.unicode()))) return false;
  if (Bytes.substr(0, 2) == "\xFF\xFE" || Bytes.substr(0, 2) == "\xFE\xFF") return false;
  if (Bytes.substr(0, 3) == "\xEF\xBB\xBF" && IsValidUtf8(Bytes.substr(3))) Bytes.remove_prefix(3);
  const std::size_t ascii = AsciiPrefix(Bytes);
  const bool isAscii = ascii == Bytes.size();
  if (!isAscii && !IsValidUtf8(Bytes.substr(ascii))) return false;
  const bool ignoreCase = !Options.count(stMatchCase);
  if (!isAscii && ignoreCase)
    for (const QChar c : Needle)
      if (FoldedFromOtherCharacters().test(QChar::toCaseFolded(c.unicode()))) return false;

  const TByteFinder finder(Needle, ignoreCase);
  const bool wholeWord = Options.count(stWholeWord) > 0;
  const std::size_t length = finder.Size();
  std::size_t counted = 0, units = 0; // the bytes measured, and their units
  std::size_t line = 1, lineStart = 0, lineEnd = 0, lineStartUnits = 0;
  QString lineText;
  for (std::size_t at = 0; (at = finder.Find(Bytes, at)) != std::string_view::npos;) {
    if (wholeWord && ((at > 0 && IsWordCharacter(UnitBefore(Bytes, at))) ||
                      (at + length < Bytes.size() && IsWordCharacter(UnitAt(Bytes, at + length))))) {
      ++at;
      continue;
    }
    const TStretch stretch = Measure(Bytes.data() + counted, at - counted, isAscii);
    counted = at;
    units += stretch.Units;
    if (stretch.Breaks || lineText.isNull()) {
      line += stretch.Breaks;
      lineStart = at;
      while (lineStart > 0 && !IsBreakByte(Bytes[lineStart - 1]))
        --lineStart;
      lineEnd = FindLineBreak(Bytes, at);
      lineStartUnits = units - Measure(Bytes.data() + lineStart, at - lineStart, isAscii).Units;
      lineText = ToQString(String(Bytes.substr(lineStart, lineEnd - lineStart)));
    }
    const auto inLine = static_cast<qsizetype>(units - lineStartUnits);
    Found.Matches.push_back({static_cast<int>(line), static_cast<int>(units), static_cast<int>(length),
                             ShownLine(lineText, 0, lineText.size(), inLine, static_cast<qsizetype>(length))});
    at += length;
  }
  return true;
}

TFileMatches SearchBytes(std::string_view Bytes, const QString& Needle, const TSearchTypes& Options) {
  TFileMatches found;
  if (FindInUtf8(Bytes, Needle, Options, found)) return found;
  return FindInText(ToQString(DecodeText(Bytes).Text), Needle, Options);
}

TFileMatches SearchPath(const String& Path, const QString& Needle, const TSearchTypes& Options) {
  TFileMatches found;
  std::string bytes;
  try {
    if (const int error = ReadWholeFile(Path, MaxTextFileSize, bytes)) {
      const TFileState state = GetFileState(Path);
      found.Result = error == feTooLarge || (state.Exists && state.Size > MaxTextFileSize) ? fsTooLarge : fsUnreadable;
      return found;
    }
    return SearchBytes(bytes, Needle, Options);
  } catch (const std::bad_alloc&) {
    found.Result = fsUnreadable;
    return found;
  }
}

QString FindNeedle(const String& Text) {
  QString needle = ToQString(Text).left(255);
  if (!needle.isEmpty() && needle.back().isHighSurrogate()) needle.chop(1);
  return needle;
}

} // namespace

TFileMatches SearchFile(const String& Path, const String& Text, const TSearchTypes& Options) {
  return SearchPath(Path, FindNeedle(Text), Options);
}

TFileMatches SearchFileBytes(std::string_view Bytes, const String& Text, const TSearchTypes& Options) {
  return SearchBytes(Bytes, FindNeedle(Text), Options);
}

TFileMatches SearchEditorText(const String& Text, const String& Needle, const TSearchTypes& Options) {
  return FindInText(ToQString(Text), FindNeedle(Needle), Options);
}

struct TFileSearch::TRun {
  std::vector<String> Paths;
  QString Needle;
  TSearchTypes Options;
  std::atomic<bool> Stopped{false};
  std::atomic<std::size_t> Next{0};
  // Whether the GUI thread is to deliver without a worker waking it: asked to, or looking again soon.
  std::atomic<bool> Posted{false};
  std::mutex Lock;
  std::vector<std::optional<TFileMatches>> Searched; // under Lock
  std::size_t Delivered = 0;                         // the GUI thread's
};

TFileSearch::TFileSearch(TComponent* AOwner)
    : TComponent(AOwner), FPool(std::make_unique<QThreadPool>()), FContext(std::make_unique<QObject>()) {}

TFileSearch::~TFileSearch() {
  Stop();
  FPool->waitForDone();
}

void TFileSearch::Post(QObject* Context, TFileSearch* Search, const std::shared_ptr<TRun>& Run) {
  if (Run->Posted.exchange(true)) return;
  QMetaObject::invokeMethod(
      Context, [Search, Run] { CallGuarded([&] { Search->Deliver(Run); }); }, Qt::QueuedConnection);
}

void TFileSearch::Start(const std::vector<String>& Paths, const String& Text, const TSearchTypes& Options) {
  Stop();
  auto run = std::make_shared<TRun>();
  run->Paths = Paths;
  run->Needle = FindNeedle(Text);
  run->Options = Options;
  run->Searched.resize(Paths.size());
  FRun = run;
  QObject* context = FContext.get();
  const int workers = std::max(1, std::min<int>(FPool->maxThreadCount(), static_cast<int>(Paths.size())));
  for (int i = 0; i < workers; ++i)
    FPool->start([this, run, context] {
      for (std::size_t at; !run->Stopped && (at = run->Next++) < run->Paths.size();) {
        TFileMatches found = SearchPath(run->Paths[at], run->Needle, run->Options);
        {
          std::lock_guard<std::mutex> lock(run->Lock);
          run->Searched[at] = std::move(found);
        }
        Post(context, this, run);
      }
    });
  if (Paths.empty()) Post(context, this, run);
}

void TFileSearch::Stop() {
  if (!FRun) return;
  FRun->Stopped = true;
  FRun.reset();
}

void TFileSearch::Deliver(const std::shared_ptr<TRun>& Run) {
  if (Run != FRun) return;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
  bool delivered = false;
  while (FRun == Run && Run->Delivered < Run->Paths.size()) {
    {
      std::lock_guard<std::mutex> lock(Run->Lock);
      std::optional<TFileMatches>& next = Run->Searched[Run->Delivered];
      if (!next) break;
      FFileMatches = std::move(*next);
      next.reset();
    }
    FFileIndex = static_cast<int>(Run->Delivered++);
    delivered = true;
    if (FOnFileSearched) FOnFileSearched(this);
    if (std::chrono::steady_clock::now() > until && Run->Delivered < Run->Paths.size()) {
      Again(Run, 0);
      return;
    }
  }
  if (FRun != Run) return;
  if (Run->Delivered == Run->Paths.size()) {
    FRun.reset();
    if (FOnDone) FOnDone(this);
    return;
  }
  // While files keep coming, they are looked for a moment later, the workers not waking this
  // thread for each one; once none came, the next one searched wakes it.
  if (delivered) {
    Again(Run, 2);
    return;
  }
  Run->Posted = false;
  std::lock_guard<std::mutex> lock(Run->Lock);
  if (Run->Searched[Run->Delivered]) Post(FContext.get(), this, Run);
}

void TFileSearch::Again(const std::shared_ptr<TRun>& Run, int Delay) {
  QTimer::singleShot(Delay, FContext.get(), [this, Run] { CallGuarded([&] { Deliver(Run); }); });
}
