#include "framework/FileCtrl.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <algorithm>
#include <filesystem>

#include "framework/Accessible.h"
#include "framework/TypInfo.h"
#include "platform/QtWindow.h"

namespace {

// The list shows the drives; opening it reads them again, and a double-click belongs to the
// control (its OnDblClick) rather than opening the list as a press would.
class TDriveBox : public QComboBox {
public:
  explicit TDriveBox(TDriveComboBox* Control) : FControl(Control) {
    view()->viewport()->installEventFilter(this);
    // The list has the chosen drive selected also while it is closed: that is how a screen
    // reader learns which drive is chosen.
    connect(this, &QComboBox::currentIndexChanged, view(), [this](int Index) {
      view()->selectionModel()->setCurrentIndex(model()->index(Index, modelColumn()),
                                                QItemSelectionModel::ClearAndSelect);
    });
  }
  void showPopup() override {
    CallGuarded([this] { FControl->BuildList(); });
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

TDriveComboBox::TDriveComboBox(TComponent* AOwner) : TWinControl(AOwner) {
  auto* box = new TDriveBox(this);
  SetWidget(box);
  SetAccessibleKind(box, TAccessibleKind::DriveBox);
  ConnectGuarded(box, &QComboBox::activated, [this](int Index) {
    if (Index < 0 || Index >= std::ssize(FDrives) || FDrives[Index] == FDrive) return;
    FDrive = FDrives[Index];
    if (FOnChange) FOnChange(this);
  });
  BuildList();
  std::error_code error;
  std::filesystem::path current = std::filesystem::current_path(error);
  SetDrive(error ? "/" : current.string());
}

String TDriveComboBox::AccessibleName() const {
  String tip = Hint().substr(0, Hint().find('|'));
  return tip.empty() ? String("Drive") : tip;
}

void TDriveComboBox::SetDrive(const String& Path) {
  String root = VolumeRootOf(FDrives, Path);
  if (root.empty() || root == FDrive) return;
  FDrive = root;
  ShowDrive();
}

void TDriveComboBox::BuildList() {
  std::vector<String> drives = CurrentVolumes()->Drives();
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
