#include "framework/FileCtrl.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "framework/TypInfo.h"
#include "platform/QtWindow.h"

namespace {

// File systems that hold the kernel's state rather than anybody's files.
const std::set<String>& VirtualFileSystems() {
  static const std::set<String> names{"autofs",    "binfmt_misc", "bpf",      "cgroup",   "cgroup2",    "configfs",
                                      "debugfs",   "devpts",      "devtmpfs", "efivarfs", "fusectl",    "hugetlbfs",
                                      "mqueue",    "nsfs",        "proc",     "pstore",   "rpc_pipefs", "securityfs",
                                      "selinuxfs", "sysfs",       "tracefs"};
  return names;
}

bool IsWithin(const String& Path, const String& Root) {
  if (Root == "/") return !Path.empty() && Path[0] == '/';
  return Path.compare(0, Root.size(), Root) == 0 && (Path.size() == Root.size() || Path[Root.size()] == '/');
}

bool IsOctal(char C) { return C >= '0' && C <= '7'; }

// The table writes space, tab, newline and backslash in a path as "\ooo".
String DecodeEscapes(const String& Field) {
  String result;
  for (std::size_t i = 0; i < Field.size(); ++i) {
    if (Field[i] == '\\' && i + 3 < Field.size() && IsOctal(Field[i + 1]) && IsOctal(Field[i + 2]) &&
        IsOctal(Field[i + 3])) {
      result += static_cast<char>((Field[i + 1] - '0') * 64 + (Field[i + 2] - '0') * 8 + (Field[i + 3] - '0'));
      i += 3;
    } else {
      result += Field[i];
    }
  }
  return result;
}

bool IsDrive(const String& MountPoint, const String& Type) {
  if (VirtualFileSystems().count(Type)) return false;
  for (const char* system : {"/proc", "/sys", "/dev"})
    if (IsWithin(MountPoint, system)) return false;
  if ((Type == "tmpfs" || Type == "ramfs") && IsWithin(MountPoint, "/run")) return false;
  // Asks for no fresh attributes, so that a network volume that hangs cannot stall the list.
  struct statx info {};
  if (statx(AT_FDCWD, MountPoint.c_str(), AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC, STATX_TYPE, &info) == 0 &&
      (info.stx_mask & STATX_TYPE) && !S_ISDIR(info.stx_mode))
    return false;
  return true;
}

String ReadMountTable() {
  std::ifstream file("/proc/self/mountinfo");
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// The list shows the drives; opening it reads them again, and a double-click belongs to the
// control (its OnDblClick) rather than opening the list as a press would.
class TDriveBox : public QComboBox {
public:
  explicit TDriveBox(TDriveComboBox* Control) : FControl(Control) { view()->viewport()->installEventFilter(this); }
  void showPopup() override {
    GuardedCall([this] { FControl->BuildList(); });
    FOpened.start();
    QComboBox::showPopup();
  }

protected:
  void mouseDoubleClickEvent(QMouseEvent* Event) override { Event->accept(); }

  // The first press of a double-click opens the list; the second, landing on the list over the
  // box itself soon after, closes it again and counts as the box's double-click.
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    if (Event->type() != QEvent::MouseButtonPress && Event->type() != QEvent::MouseButtonDblClick)
      return QComboBox::eventFilter(Watched, Event);
    auto* mouse = static_cast<QMouseEvent*>(Event);
    QPoint at = mapFromGlobal(mouse->globalPosition().toPoint());
    bool soon = FOpened.isValid() && FOpened.elapsed() <= QApplication::doubleClickInterval();
    if (mouse->button() != Qt::LeftButton || !soon || !rect().contains(at))
      return QComboBox::eventFilter(Watched, Event);
    FOpened.invalidate();
    hidePopup();
    // Posted: what the double-click starts runs once the list has closed.
    PostMessageA(FControl->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x(), at.y()));
    return true;
  }

private:
  TDriveComboBox* FControl;
  QElapsedTimer FOpened;
};

} // namespace

std::vector<String> ParseMountPoints(const String& MountInfoText) {
  // Mount point -> whether it is a drive; a later mount on the same point hides the earlier.
  std::map<String, bool> mounts;
  std::istringstream lines(MountInfoText);
  String line;
  while (std::getline(lines, line)) {
    // id parent major:minor root mount-point options [optional fields...] - type source ...
    std::istringstream words(line);
    std::vector<String> fields;
    for (String word; words >> word;)
      fields.push_back(word);
    if (fields.size() < 8) continue;
    auto separator = std::find(fields.begin() + 6, fields.end(), "-");
    if (separator == fields.end() || separator + 1 == fields.end()) continue;
    String mountPoint = DecodeEscapes(fields[4]);
    if (mountPoint.empty() || mountPoint[0] != '/') continue;
    mounts[mountPoint] = IsDrive(mountPoint, *(separator + 1));
  }
  mounts["/"] = true;
  std::vector<String> result;
  for (const auto& [mountPoint, drive] : mounts)
    if (drive) result.push_back(mountPoint);
  return result;
}

String VolumeRootOf(const std::vector<String>& MountPoints, const String& Path) {
  String best;
  for (const String& mountPoint : MountPoints)
    if (mountPoint.size() > best.size() && IsWithin(Path, mountPoint)) best = mountPoint;
  return best;
}

TDriveComboBox::TDriveComboBox(TComponent* AOwner) : TWinControl(AOwner) {
  auto* box = new TDriveBox(this);
  SetWidget(box);
  QObject::connect(box, &QComboBox::activated, box, [this](int Index) {
    GuardedCall([this, Index] {
      if (Index < 0 || Index >= std::ssize(FDrives) || FDrives[Index] == FDrive) return;
      FDrive = FDrives[Index];
      if (FOnChange) FOnChange(this);
    });
  });
  BuildList();
  std::error_code error;
  std::filesystem::path current = std::filesystem::current_path(error);
  SetDrive(error ? "/" : current.string());
}

void TDriveComboBox::SetDrive(const String& Path) {
  String root = VolumeRootOf(FDrives, Path);
  if (root.empty() || root == FDrive) return;
  FDrive = root;
  ShowDrive();
}

void TDriveComboBox::BuildList() {
  std::vector<String> drives = ParseMountPoints(ReadMountTable());
  auto place = std::lower_bound(drives.begin(), drives.end(), FDrive);
  if (!FDrive.empty() && (place == drives.end() || *place != FDrive)) drives.insert(place, FDrive);
  FDrives = std::move(drives);
  auto* box = static_cast<QComboBox*>(Widget());
  box->clear();
  for (const String& drive : FDrives)
    box->addItem(QString::fromStdString(drive));
  ShowDrive();
}

void TDriveComboBox::ShowDrive() {
  auto found = std::find(FDrives.begin(), FDrives.end(), FDrive);
  static_cast<QComboBox*>(Widget())->setCurrentIndex(found == FDrives.end() ? -1 : int(found - FDrives.begin()));
}

void RegisterFileCtrlClasses() {
  static const bool done = [] {
    RegisterControlsClasses();
    TClassRegistration<TDriveComboBox>("TDriveComboBox", "TWinControl")
        .Property("OnChange", &TDriveComboBox::OnChange, &TDriveComboBox::SetOnChange);
    return true;
  }();
  (void)done;
}
