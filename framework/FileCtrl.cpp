#include "framework/FileCtrl.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <algorithm>
#include <filesystem>

#include "framework/Accessible.h"
#include "framework/QtConvert.h"
#include "framework/TypInfo.h"
#include "platform/QtWindow.h"

namespace {

// The list shows the drives; opening it reads them again. The first press of a double-click
// on the box opens the list; the second, landing on the list over the box itself soon after,
// closes it again and counts as the box's double-click.
class TDriveBox : public QComboBox {
public:
  explicit TDriveBox(TDriveComboBox* Control)
      : FControl(Control), FListProc(MakeWindowProc([this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
          if ((m == WM_LBUTTONDOWN || m == WM_LBUTTONDBLCLK) && SecondPress(h, l)) return 0;
          return DefWindowProcA(h, m, w, l);
        })) {
    FList = CreateWindowHandle(view()->viewport());
    FOldListProc = SetWindowLongA(FList, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(FListProc));
    // The list has the chosen drive selected also while it is closed: that is how a screen
    // reader learns which drive is chosen.
    connect(this, &QComboBox::currentIndexChanged, view(), [this](int Index) {
      view()->selectionModel()->setCurrentIndex(model()->index(Index, modelColumn()),
                                                QItemSelectionModel::ClearAndSelect);
    });
  }
  ~TDriveBox() override {
    SetWindowLongA(FList, GWL_WNDPROC, FOldListProc);
    FreeObjectInstance(FListProc);
  }
  void showPopup() override {
    CallGuarded([this] { FControl->BuildList(); });
    FOpenedAt = GetMessageTime();
    FOpened = true;
    QComboBox::showPopup();
  }

private:
  // Whether a press at L on the list is the second of a double-click on the box; it closes
  // the list and goes to the box as its double-click.
  bool SecondPress(HWND List, LPARAM L) {
    POINT p{GET_X_LPARAM(L), GET_Y_LPARAM(L)};
    ClientToScreen(List, &p);
    const QPoint at = mapFromGlobal(QPoint(p.x, p.y));
    // Soon by the times of the two presses, as Qt tells a double-click from two clicks.
    const DWORD since = static_cast<DWORD>(GetMessageTime()) - static_cast<DWORD>(FOpenedAt);
    const bool soon = FOpened && since <= static_cast<DWORD>(QApplication::doubleClickInterval());
    if (!soon || !rect().contains(at)) return false;
    FOpened = false;
    hidePopup();
    // Posted: what the double-click starts runs once the list has closed.
    PostMessageA(FControl->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x(), at.y()));
    return true;
  }

  TDriveComboBox* FControl;
  WNDPROC FListProc;
  HWND FList;
  LONG_PTR FOldListProc;
  // Whether the list was opened and no second press has closed it since; the time of the
  // input that opened it.
  bool FOpened = false;
  LONG FOpenedAt = 0;
};

} // namespace

TDriveComboBox::TDriveComboBox(TComponent* AOwner) : TWinControl(AOwner) {
  auto* box = new TDriveBox(this);
  SetWidget(box);
  SetAccessibleKind(box, TAccessibleKind::DriveBox);
  ConnectGuarded(box, &QComboBox::activated, [this](int Index) {
    if (Index < 0 || Index >= std::ssize(FDrives) || FDrives[static_cast<std::size_t>(Index)] == FDrive) return;
    FDrive = FDrives[static_cast<std::size_t>(Index)];
    if (FOnChange) FOnChange(this);
  });
  BuildList();
  std::error_code error;
  std::filesystem::path current = std::filesystem::current_path(error);
  SetDrive(error ? "/" : current.string());
}

String TDriveComboBox::AccessibleName() const {
  String tip = GetShortHint(Hint());
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
    box->addItem(ToQString(drive));
  ShowDrive();
}

void TDriveComboBox::ShowDrive() {
  auto found = std::find(FDrives.begin(), FDrives.end(), FDrive);
  static_cast<QComboBox*>(Widget())->setCurrentIndex(found == FDrives.end() ? -1 : int(found - FDrives.begin()));
}

// A double-click belongs to the control (its OnDblClick) rather than opening the list as a press
// would.
void TDriveComboBox::DefaultHandler(TMessage& Message) {
  if (Message.Msg == WM_LBUTTONDBLCLK) {
    Message.Result = 0;
    return;
  }
  TWinControl::DefaultHandler(Message);
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
