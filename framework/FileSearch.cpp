#include "framework/FileSearch.h"

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>

#include "framework/QtConvert.h"
#include "framework/TextFile.h"
#include "platform/Files.h"
#include "platform/QtWindow.h"

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

TFileMatches SearchText(const String& Path, const QString& Needle, const TSearchTypes& Options) {
  TFileMatches found;
  TTextContent content;
  try {
    content = ReadTextFile(Path);
  } catch (const EFOpenError&) {
    const TFileState state = GetFileState(Path);
    found.Result = state.Exists && state.Size > MaxTextFileSize ? fsTooLarge : fsUnreadable;
    return found;
  } catch (const std::bad_alloc&) {
    found.Result = fsUnreadable;
    return found;
  }
  const QString text = QString::fromUtf8(content.Text);
  const char16_t* chars = reinterpret_cast<const char16_t*>(text.utf16());
  int line = 1;
  qsizetype lineStart = 0, counted = 0;
  for (std::ptrdiff_t at = 0; (at = FindMatch(text, Needle, at, text.size(), Options)) >= 0; at += Needle.size()) {
    for (const char16_t* p = chars + counted; (p = std::find(p, chars + at, u'\n')) != chars + at; ++p) {
      ++line;
      lineStart = p - chars + 1;
    }
    counted = at;
    qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), at);
    if (lineEnd < 0) lineEnd = text.size();
    found.Matches.push_back({line, static_cast<int>(at), static_cast<int>(Needle.size()),
                             ShownLine(text, lineStart, lineEnd, at, Needle.size())});
  }
  return found;
}

QString FindNeedle(const String& Text) {
  QString needle = ToQString(Text).left(255);
  if (!needle.isEmpty() && needle.back().isHighSurrogate()) needle.chop(1);
  return needle;
}

} // namespace

TFileMatches SearchFile(const String& Path, const String& Text, const TSearchTypes& Options) {
  return SearchText(Path, FindNeedle(Text), Options);
}

struct TFileSearch::TRun {
  std::vector<String> Paths;
  QString Needle;
  TSearchTypes Options;
  std::atomic<bool> Stopped{false};
  std::atomic<std::size_t> Next{0};
  // Whether the GUI thread has been asked to deliver and has not begun yet.
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
        TFileMatches found = SearchText(run->Paths[at], run->Needle, run->Options);
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
  Run->Posted = false;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
  while (FRun == Run && Run->Delivered < Run->Paths.size()) {
    {
      std::lock_guard<std::mutex> lock(Run->Lock);
      std::optional<TFileMatches>& next = Run->Searched[Run->Delivered];
      if (!next) return;
      FFileMatches = std::move(*next);
      next.reset();
    }
    FFileIndex = static_cast<int>(Run->Delivered++);
    if (FOnFileSearched) FOnFileSearched(this);
    if (std::chrono::steady_clock::now() > until && Run->Delivered < Run->Paths.size()) {
      Post(FContext.get(), this, Run);
      return;
    }
  }
  if (FRun != Run) return;
  FRun.reset();
  if (FOnDone) FOnDone(this);
}
