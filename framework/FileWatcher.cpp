#include "framework/FileWatcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QPointer>
#include <QTimer>
#include <map>

#include "framework/QtConvert.h"
#include "platform/QtWindow.h"

namespace {

// How long after the first change of a burst it is told.
constexpr int SettleMilliseconds = 100;

// One system watch for every watcher of the program: the system gives a user only a few
// watching instances (128 by default), and past them Qt would poll the disk. Each path is
// watched while some watcher wants it; each of them hears of its changes.
class TSharedWatch {
public:
  static TSharedWatch& Instance() {
    static TSharedWatch watch;
    return watch;
  }

  // Wants Path watched for Watcher, or watched again where a rename or a deletion ended it.
  void Want(const QString& Path, QTimer* Watcher) {
    auto [first, last] = FWanted.equal_range(Path);
    bool wanted = false;
    for (auto it = first; it != last; ++it)
      wanted = wanted || it->second == Watcher;
    if (!wanted) FWanted.emplace(Path, Watcher);
    QFileSystemWatcher* system = System();
    // A path that is gone, or a watch the system has no room for, is simply not watched.
    if (!system->files().contains(Path) && !system->directories().contains(Path) && QFileInfo::exists(Path))
      system->addPath(Path);
  }

  void Forget(QTimer* Watcher) {
    for (auto it = FWanted.begin(); it != FWanted.end();) {
      if (it->second != Watcher) {
        ++it;
        continue;
      }
      const QString path = it->first;
      it = FWanted.erase(it);
      if (!FWanted.contains(path) && FSystem) FSystem->removePath(path);
    }
  }

private:
  QFileSystemWatcher* System() {
    if (!FSystem) {
      FSystem = new QFileSystemWatcher(QCoreApplication::instance());
      const auto changed = [this](const QString& Path) {
        auto [first, last] = FWanted.equal_range(Path);
        for (auto it = first; it != last; ++it)
          if (!it->second->isActive()) it->second->start();
      };
      QObject::connect(FSystem, &QFileSystemWatcher::fileChanged, FSystem, changed);
      QObject::connect(FSystem, &QFileSystemWatcher::directoryChanged, FSystem, changed);
    }
    return FSystem;
  }

  QPointer<QFileSystemWatcher> FSystem;
  // Each path with the timers of the watchers that want it.
  std::multimap<QString, QTimer*> FWanted;
};

} // namespace

TFileWatcher::TFileWatcher(TComponent* AOwner) : TComponent(AOwner), FTimer(std::make_unique<QTimer>()) {
  FTimer->setSingleShot(true);
  FTimer->setInterval(SettleMilliseconds);
  ConnectGuarded(FTimer.get(), &QTimer::timeout, FTimer.get(), [this](auto&&...) {
    Watch();
    if (FOnChange) FOnChange(this);
  });
}

TFileWatcher::~TFileWatcher() { TSharedWatch::Instance().Forget(FTimer.get()); }

void TFileWatcher::SetFileName(const String& Value) {
  if (FFileName == Value) return;
  FFileName = Value;
  FTimer->stop();
  TSharedWatch::Instance().Forget(FTimer.get());
  Watch();
}

void TFileWatcher::Watch() {
  if (FFileName.empty()) return;
  const QFileInfo file(ToQString(FFileName));
  TSharedWatch::Instance().Want(file.filePath(), FTimer.get());
  TSharedWatch::Instance().Want(file.path(), FTimer.get());
}
