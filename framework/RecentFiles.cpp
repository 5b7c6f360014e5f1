#include "framework/RecentFiles.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>

#include "platform/QtWindow.h"

namespace {

constexpr const char* Group = "RecentFiles";
constexpr const char* Key = "Path";

// A path as it is kept: its bytes in hexadecimal, whatever they are.
QString Kept(const String& Path) { return QString::fromLatin1(QByteArray::fromStdString(Path).toHex()); }

// The path kept as Text; false when Text is not one.
bool ReadKept(const QString& Text, String& Path) {
  if (Text.isEmpty() || Text.size() % 2 != 0) return false;
  for (QChar c : Text)
    if (!c.isDigit() && !(c >= 'a' && c <= 'f') && !(c >= 'A' && c <= 'F')) return false;
  Path = QByteArray::fromHex(Text.toLatin1()).toStdString();
  return Path.front() == '/' && Path.find('\0') == String::npos;
}

} // namespace

TRecentFiles::TRecentFiles(String FileName) : FFileName(std::move(FileName)), FTimer(std::make_unique<QTimer>()) {
  FTimer->setSingleShot(true);
  FTimer->setInterval(1000);
  ConnectGuarded(FTimer.get(), &QTimer::timeout, [this](auto&&...) { Write(); });
  if (FFileName.empty()) return;
  QSettings settings(QFile::decodeName(QByteArray::fromStdString(FFileName)), QSettings::IniFormat);
  if (settings.status() != QSettings::NoError) return;
  const int count = settings.beginReadArray(Group);
  std::vector<String> files;
  for (int i = 0; i < count && files.size() < MaxCount; ++i) {
    settings.setArrayIndex(i);
    String path;
    if (!ReadKept(settings.value(Key).toString(), path)) return;
    if (std::find(files.begin(), files.end(), path) == files.end()) files.push_back(path);
  }
  FFiles = std::move(files);
}

TRecentFiles::~TRecentFiles() {
  if (FChanged) Write();
}

String TRecentFiles::DefaultFileName() {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return folder.isEmpty() ? String() : QFile::encodeName(folder + "/tabrix/tabrix.conf").toStdString();
}

void TRecentFiles::Add(const String& Path) {
  if (!FFiles.empty() && FFiles.front() == Path) return;
  FFiles.erase(std::remove(FFiles.begin(), FFiles.end(), Path), FFiles.end());
  FFiles.insert(FFiles.begin(), Path);
  if (FFiles.size() > MaxCount) FFiles.resize(MaxCount);
  Changed();
}

void TRecentFiles::Remove(const String& Path) {
  const auto kept = std::remove(FFiles.begin(), FFiles.end(), Path);
  if (kept == FFiles.end()) return;
  FFiles.erase(kept, FFiles.end());
  Changed();
}

void TRecentFiles::Changed() {
  FChanged = true;
  if (!FTimer->isActive()) FTimer->start();
}

void TRecentFiles::Write() {
  FTimer->stop();
  if (FFileName.empty()) return;
  QSettings settings(QFile::decodeName(QByteArray::fromStdString(FFileName)), QSettings::IniFormat);
  // The file holds the list alone: whatever else a damaged one held goes with this write.
  settings.clear();
  settings.beginWriteArray(Group, static_cast<int>(FFiles.size()));
  for (std::size_t i = 0; i < FFiles.size(); ++i) {
    settings.setArrayIndex(static_cast<int>(i));
    settings.setValue(Key, Kept(FFiles[i]));
  }
  settings.endArray();
  // QSettings writes the whole file anew and renames it over the old one. A file it could not
  // parse leaves a format error, which is no failure of the write.
  settings.sync();
  FChanged = settings.status() == QSettings::AccessError;
}
