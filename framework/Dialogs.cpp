#include "framework/Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPushButton>

#include "framework/Controls.h"
#include "framework/Printers.h"
#include "framework/QtConvert.h"
#include "framework/TypInfo.h"
#include "platform/QtWindow.h"
#include "platform/Seams.h"

namespace {

constexpr int MaxFindText = 255;

} // namespace

std::vector<String> FilterToNameFilters(const String& Filter) {
  std::vector<String> result;
  QStringList parts = ToQString(Filter).split(QLatin1Char('|'));
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList masks;
    for (const QString& mask : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      QString m = mask.trimmed();
      if (!m.isEmpty()) masks << (m == QLatin1String("*.*") ? QStringLiteral("*") : m);
    }
    if (masks.isEmpty()) continue;
    result.push_back(
        FromQString(parts[i].trimmed() + QStringLiteral(" (") + masks.join(QLatin1Char(' ')) + QLatin1Char(')')));
  }
  return result;
}

// TOpenDialog, TSaveDialog

bool TOpenDialog::Execute() { return ExecuteFileDialog(false); }
bool TSaveDialog::Execute() { return ExecuteFileDialog(true); }

bool TOpenDialog::ExecuteFileDialog(bool Save) {
  if (Seams::Enabled()) {
    Seams::TDialogResult result = Seams::TakeDialogResult();
    if (result.Ok) FFileName = result.FileName;
    return result.Ok;
  }
  QString title = FTitle.empty() ? QString(Save ? "Save As" : "Open") : ToQString(FTitle);
  QFileDialog dialog(QApplication::activeWindow(), title);
  dialog.setAcceptMode(Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  QStringList filters;
  for (const String& f : FilterToNameFilters(FFilter))
    filters << ToQString(f);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!FFileName.empty()) dialog.selectFile(ToQString(FFileName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  FFileName = FromQString(dialog.selectedFiles().constFirst());
  return true;
}

// TPrinterSetupDialog

bool TPrinterSetupDialog::Execute() {
  if (Seams::Enabled()) return Seams::TakeDialogResult().Ok;
  QPrintDialog dialog(Printer()->QtPrinter(), QApplication::activeWindow());
  dialog.setWindowTitle("Print Setup");
  dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize);
  return dialog.exec() == QDialog::Accepted;
}

// TFindDialog

TFindDialog::~TFindDialog() { delete FDialog; }

void TFindDialog::SetFindText(const String& Value) {
  QString text = ToQString(Value).left(MaxFindText);
  // A character outside the Basic Multilingual Plane is not cut in half.
  if (!text.isEmpty() && text.back().isHighSurrogate()) text.chop(1);
  FFindText = FromQString(text);
  if (FDialog) FDialog->findChild<QLineEdit*>()->setText(text);
}

bool TFindDialog::Execute() {
  if (!FDialog) {
    // Kept in front of the window of the form that owns the dialog.
    auto* owner = dynamic_cast<TControl*>(Owner());
    QWidget* parent = owner && owner->Widget() ? owner->Widget()->window() : QApplication::activeWindow();
    FDialog = new QDialog(parent);
    FDialog->setWindowTitle("Find");
    auto* edit = new QLineEdit(ToQString(FFindText));
    edit->setMaxLength(MaxFindText);
    auto* label = new QLabel("Fi&nd what:");
    label->setBuddy(edit);
    auto* findNext = new QPushButton("&Find Next");
    findNext->setDefault(true);
    findNext->setEnabled(!edit->text().isEmpty());
    auto* cancel = new QPushButton("Cancel");
    auto* layout = new QHBoxLayout(FDialog);
    layout->addWidget(label);
    layout->addWidget(edit, 1);
    layout->addWidget(findNext);
    layout->addWidget(cancel);
    QObject::connect(edit, &QLineEdit::textChanged, FDialog, [this, findNext](const QString& Text) {
      FFindText = FromQString(Text);
      findNext->setEnabled(!Text.isEmpty());
    });
    ConnectGuarded(findNext, &QPushButton::clicked, FDialog, [this](bool) { FindNext(); });
    QObject::connect(cancel, &QPushButton::clicked, FDialog, &QDialog::hide);
    // A dialog that goes with its parent window is forgotten.
    QObject::connect(FDialog, &QObject::destroyed, FDialog, [this] { FDialog = nullptr; });
  }
  FDialog->show();
  FDialog->raise();
  FDialog->activateWindow();
  return true;
}

void TFindDialog::CloseDialog() {
  if (FDialog) FDialog->hide();
}

void TFindDialog::FindNext() {
  if (FOnFind) FOnFind(this);
}

void RegisterDialogsClasses() {
  static const bool done = [] {
    RegisterControlsClasses();
    RegisterEnumNames(typeid(TFileEditStyle), {"fsEdit", "fsComboBox"});
    RegisterEnumNames(typeid(TFindOption),
                      {"frDown", "frFindNext", "frHideMatchCase", "frHideWholeWord", "frHideUpDown", "frMatchCase",
                       "frDisableMatchCase", "frDisableUpDown", "frDisableWholeWord", "frReplace", "frReplaceAll",
                       "frWholeWord", "frShowHelp"});
    TClassRegistration<TOpenDialog>("TOpenDialog", "TComponent")
        .Property("FileEditStyle", &TOpenDialog::FileEditStyle, &TOpenDialog::SetFileEditStyle, fsEdit)
        .Property("FileName", &TOpenDialog::FileName, &TOpenDialog::SetFileName)
        .Property("Filter", &TOpenDialog::Filter, &TOpenDialog::SetFilter)
        .Property("Title", &TOpenDialog::Title, &TOpenDialog::SetTitle);
    TClassRegistration<TSaveDialog>("TSaveDialog", "TOpenDialog");
    TClassRegistration<TPrinterSetupDialog>("TPrinterSetupDialog", "TComponent");
    TClassRegistration<TFindDialog>("TFindDialog", "TComponent")
        .Property("FindText", &TFindDialog::FindText, &TFindDialog::SetFindText)
        .Property("Options", &TFindDialog::Options, &TFindDialog::SetOptions)
        .Property("OnFind", &TFindDialog::OnFind, &TFindDialog::SetOnFind);
    return true;
  }();
  (void)done;
}
