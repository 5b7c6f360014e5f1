// Message boxes and the beep.
#include <QApplication>
#include <QMessageBox>
#include <vector>

#include "platform/QtWindow.h"
#include "platform/Seams.h"

int MessageBoxA(HWND hWnd, const char* lpText, const char* lpCaption, UINT uType) {
  Seams::TMessageBoxRecord record{hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "Error", uType};
  if (Seams::Enabled()) return Seams::TakeMessageBoxAnswer(record);

  QMessageBox box(WindowWidget(hWnd));
  box.setWindowTitle(QString::fromStdString(record.Caption));
  box.setText(QString::fromStdString(record.Text));
  switch (uType & 0xF0) {
  case MB_ICONHAND: box.setIcon(QMessageBox::Critical); break;
  case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
  case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
  case MB_ICONASTERISK: box.setIcon(QMessageBox::Information); break;
  default: box.setIcon(QMessageBox::NoIcon);
  }
  struct TButton {
    QMessageBox::StandardButton Button;
    int Id;
  };
  std::vector<TButton> buttons;
  switch (uType & 0x0F) {
  case MB_OKCANCEL: buttons = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}; break;
  case MB_ABORTRETRYIGNORE:
    buttons = {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
    break;
  case MB_YESNOCANCEL:
    buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    break;
  case MB_YESNO: buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}; break;
  case MB_RETRYCANCEL: buttons = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}}; break;
  default: buttons = {{QMessageBox::Ok, IDOK}};
  }
  for (const TButton& b : buttons)
    box.addButton(b.Button);
  std::size_t def = (uType >> 8) & 0x0F;
  box.setDefaultButton(buttons[def < buttons.size() ? def : 0].Button);
  // Closing the box answers Cancel where there is one, else the only button.
  for (const TButton& b : buttons)
    if (b.Id == IDCANCEL || buttons.size() == 1) box.setEscapeButton(b.Button);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  for (const TButton& b : buttons)
    if (clicked == box.button(b.Button)) return b.Id;
  return buttons.size() == 1 ? buttons[0].Id : IDCANCEL;
}

BOOL MessageBeep(UINT) {
  Seams::CountBeep();
  QApplication::beep();
  return TRUE;
}
