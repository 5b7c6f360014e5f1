#include "framework/FileWatcher.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include "framework/QtConvert.h"
#include "platform/QtWindow.h"

namespace {
// How long after the first change of a burst it is told.
constexpr int SettleMilliseconds = 100;
} // namespace

TFileWatcher::TFileWatcher(TComponent* AOwner)
    : TComponent(AOwner), FWatcher(std::make_unique<QFileSystemWatcher>()), FTimer(std::make_unique<QTimer>()) {
  FTimer->setSingleShot(true);
  FTimer->setInterval(SettleMilliseconds);
  const auto changed = [this] {
    if (!FTimer->isActive()) FTimer->start();
  };
  QObject::connect(FWatcher.get(), &QFileSystemWatcher::fileChanged, FTimer.get(), changed);
  QObject::connect(FWatcher.get(), &QFileSystemWatcher::directoryChanged, FTimer.get(), changed);
  ConnectGuarded(FTimer.get(), &QTimer::timeout, FTimer.get(), [this](auto&&...) {
    Watch();
    if (FOnChange) FOnChange(this);
  });
}

TFileWatcher::~TFileWatcher() = default;

void TFileWatcher::SetFileName(const String& Value) {
  if (FFileName == Value) return;
  FFileName = Value;
  FTimer->stop();
  if (const QStringList watched = FWatcher->files() + FWatcher->directories(); !watched.isEmpty())
    FWatcher->removePaths(watched);
  Watch();
}

void TFileWatcher::Watch() {
  if (FFileName.empty()) return;
  const QFileInfo file(ToQString(FFileName));
  // A path that is gone, or a watch the system has no room for, is simply not watched.
  if (!FWatcher->files().contains(file.filePath()) && file.exists()) FWatcher->addPath(file.filePath());
  if (!FWatcher->directories().contains(file.path()) && file.dir().exists()) FWatcher->addPath(file.path());
}
