#include "framework/Dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <memory>

#include "framework/Controls.h"
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

// TFindDialog

namespace {

// Text cut to the find dialog's limit, never inside a character.
QString LimitedFindText(const String& Value) {
  QString text = ToQString(Value).left(MaxFindText);
  if (!text.isEmpty() && text.back().isHighSurrogate()) text.chop(1);
  return text;
}

// A window kept in front of the window of the form that owns the dialog.
QDialog* NewDialogWindow(TComponent* Owner, const QString& Title) {
  auto* owner = dynamic_cast<TControl*>(Owner);
  QWidget* parent = owner && owner->Widget() ? owner->Widget()->window() : QApplication::activeWindow();
  auto* dialog = new QDialog(parent);
  dialog->setWindowTitle(Title);
  return dialog;
}

QLineEdit* AddTextRow(QGridLayout* Grid, int Row, const QString& Label, const QString& Text) {
  auto* edit = new QLineEdit(Text);
  edit->setMaxLength(MaxFindText);
  auto* label = new QLabel(Label);
  label->setBuddy(edit);
  Grid->addWidget(label, Row, 0);
  Grid->addWidget(edit, Row, 1);
  return edit;
}

} // namespace

TFindDialog::~TFindDialog() { delete FDialog; }

void TFindDialog::SetFindText(const String& Value) {
  const QString text = LimitedFindText(Value);
  FFindText = FromQString(text);
  if (FFindEdit) FFindEdit->setText(text);
}

void TFindDialog::SetOptions(const TFindOptions& Value) {
  FOptions = Value;
  if (FMatchCase) FMatchCase->setChecked(FOptions.count(frMatchCase));
  if (FWholeWord) FWholeWord->setChecked(FOptions.count(frWholeWord));
  if (FDown) FDown->setChecked(FOptions.count(frDown));
  if (FUp) FUp->setChecked(!FOptions.count(frDown));
}

void TFindDialog::SetOption(TFindOption Option, bool Value) {
  if (Value)
    FOptions.insert(Option);
  else
    FOptions.erase(Option);
}

void TFindDialog::BuildDialog() {
  FDialog = NewDialogWindow(Owner(), "Find");
  auto* grid = new QGridLayout(FDialog);
  FFindEdit = AddTextRow(grid, 0, "Fi&nd what:", ToQString(FFindText));
  auto* options = new QHBoxLayout;
  if (!FOptions.count(frHideMatchCase)) {
    FMatchCase = new QCheckBox("Match &case");
    FMatchCase->setChecked(FOptions.count(frMatchCase));
    QObject::connect(FMatchCase, &QCheckBox::toggled, FDialog, [this](bool On) { SetOption(frMatchCase, On); });
    options->addWidget(FMatchCase);
  }
  if (!FOptions.count(frHideWholeWord)) {
    FWholeWord = new QCheckBox("&Whole word");
    FWholeWord->setChecked(FOptions.count(frWholeWord));
    QObject::connect(FWholeWord, &QCheckBox::toggled, FDialog, [this](bool On) { SetOption(frWholeWord, On); });
    options->addWidget(FWholeWord);
  }
  if (!FOptions.count(frHideUpDown)) {
    auto* direction = new QGroupBox("Direction");
    auto* buttons = new QHBoxLayout(direction);
    FUp = new QRadioButton("&Up");
    FDown = new QRadioButton("&Down");
    FDown->setChecked(FOptions.count(frDown));
    FUp->setChecked(!FOptions.count(frDown));
    buttons->addWidget(FUp);
    buttons->addWidget(FDown);
    QObject::connect(FDown, &QRadioButton::toggled, FDialog, [this](bool On) { SetOption(frDown, On); });
    options->addWidget(direction);
  }
  options->addStretch();
  grid->addLayout(options, 2, 0, 1, 2);
  auto* column = new QVBoxLayout;
  grid->addLayout(column, 0, 2, 3, 1);
  auto* findNext = new QPushButton("&Find Next");
  findNext->setDefault(true);
  column->addWidget(findNext);
  ConnectGuarded(findNext, &QPushButton::clicked, FDialog, [this](bool) { FindNext(); });
  // Every command of the dialog needs a text to find.
  const auto enable = [this](const QString& Text) {
    for (QPushButton* button : FDialog->findChildren<QPushButton*>())
      if (button->property("needsText").toBool()) button->setEnabled(!Text.isEmpty());
  };
  findNext->setProperty("needsText", true);
  QObject::connect(FFindEdit, &QLineEdit::textChanged, FDialog, [this, enable](const QString& Text) {
    FFindText = FromQString(Text);
    enable(Text);
  });
  // A dialog that goes with its parent window is forgotten.
  QObject::connect(FDialog, &QObject::destroyed, FDialog, [this] {
    FDialog = nullptr;
    FFindEdit = nullptr;
    FMatchCase = FWholeWord = nullptr;
    FDown = FUp = nullptr;
  });
}

bool TFindDialog::Execute() {
  if (!FDialog) {
    BuildDialog();
    auto* column = FDialog->findChild<QVBoxLayout*>();
    auto* cancel = new QPushButton(dynamic_cast<TReplaceDialog*>(this) ? "Close" : "Cancel");
    column->addWidget(cancel);
    column->addStretch();
    QObject::connect(cancel, &QPushButton::clicked, FDialog, &QDialog::hide);
    for (QPushButton* button : FDialog->findChildren<QPushButton*>())
      if (button->property("needsText").toBool()) button->setEnabled(!FFindEdit->text().isEmpty());
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
  SetOption(frReplace, false);
  SetOption(frReplaceAll, false);
  SetOption(frFindNext, true);
  if (FOnFind) FOnFind(this);
}

// TReplaceDialog

TReplaceDialog::TReplaceDialog(TComponent* AOwner) : TFindDialog(AOwner) {
  // Replacing goes down the text.
  SetOptions({frDown, frHideUpDown});
}

TReplaceDialog::~TReplaceDialog() {
  delete FDialog;
  FDialog = nullptr;
}

void TReplaceDialog::SetReplaceText(const String& Value) {
  const QString text = LimitedFindText(Value);
  FReplaceText = FromQString(text);
  if (FReplaceEdit) FReplaceEdit->setText(text);
}

void TReplaceDialog::BuildDialog() {
  TFindDialog::BuildDialog();
  FDialog->setWindowTitle("Replace");
  auto* grid = static_cast<QGridLayout*>(FDialog->layout());
  FReplaceEdit = AddTextRow(grid, 1, "Re&place with:", ToQString(FReplaceText));
  QObject::connect(FReplaceEdit, &QLineEdit::textChanged, FDialog,
                   [this](const QString& Text) { FReplaceText = FromQString(Text); });
  QObject::connect(FDialog, &QObject::destroyed, FDialog, [this] { FReplaceEdit = nullptr; });
  auto* column = FDialog->findChild<QVBoxLayout*>();
  auto* replace = new QPushButton("&Replace");
  auto* replaceAll = new QPushButton("Replace &All");
  for (QPushButton* button : {replace, replaceAll}) {
    button->setProperty("needsText", true);
    column->addWidget(button);
  }
  ConnectGuarded(replace, &QPushButton::clicked, FDialog, [this](bool) { Replace(); });
  ConnectGuarded(replaceAll, &QPushButton::clicked, FDialog, [this](bool) { ReplaceAll(); });
}

void TReplaceDialog::Replace() { FireReplace(frReplace); }
void TReplaceDialog::ReplaceAll() { FireReplace(frReplaceAll); }

void TReplaceDialog::FireReplace(TFindOption Which) {
  SetOption(frFindNext, false);
  SetOption(frReplace, Which == frReplace);
  SetOption(frReplaceAll, Which == frReplaceAll);
  if (FOnReplace) FOnReplace(this);
}

// TFindFilesDialog

void TFindFilesDialog::SetFindText(const String& Value) { FFindText = FromQString(LimitedFindText(Value)); }

bool TFindFilesDialog::Execute() {
  if (Seams::Enabled()) {
    Seams::TDialogResult result = Seams::TakeDialogResult();
    if (result.Ok) SetFindText(result.FileName);
    return result.Ok && !FFindText.empty();
  }
  QDialog* dialog = NewDialogWindow(Owner(), ToQString(FTitle));
  std::unique_ptr<QDialog> owned(dialog);
  auto* grid = new QGridLayout(dialog);
  QLineEdit* edit = AddTextRow(grid, 0, "Fi&nd what:", ToQString(FFindText));
  auto* matchCase = new QCheckBox("Match &case");
  matchCase->setChecked(FOptions.count(frMatchCase));
  auto* wholeWord = new QCheckBox("&Whole word");
  wholeWord->setChecked(FOptions.count(frWholeWord));
  grid->addWidget(matchCase, 1, 1);
  grid->addWidget(wholeWord, 2, 1);
  auto* buttons = new QDialogButtonBox;
  QPushButton* find = buttons->addButton("Find", QDialogButtonBox::AcceptRole);
  buttons->addButton(QDialogButtonBox::Cancel);
  find->setDefault(true);
  find->setEnabled(!edit->text().isEmpty());
  QObject::connect(edit, &QLineEdit::textChanged, find,
                   [find](const QString& Text) { find->setEnabled(!Text.isEmpty()); });
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  grid->addWidget(buttons, 3, 0, 1, 2);
  edit->selectAll();
  if (dialog->exec() != QDialog::Accepted || edit->text().isEmpty()) return false;
  SetFindText(FromQString(edit->text()));
  FOptions.clear();
  if (matchCase->isChecked()) FOptions.insert(frMatchCase);
  if (wholeWord->isChecked()) FOptions.insert(frWholeWord);
  return true;
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
    TClassRegistration<TReplaceDialog>("TReplaceDialog", "TFindDialog")
        .Property("ReplaceText", &TReplaceDialog::ReplaceText, &TReplaceDialog::SetReplaceText)
        .Property("OnReplace", &TReplaceDialog::OnReplace, &TReplaceDialog::SetOnReplace);
    TClassRegistration<TFindFilesDialog>("TFindFilesDialog", "TComponent")
        .Property("Title", &TFindFilesDialog::Title, &TFindFilesDialog::SetTitle);
    return true;
  }();
  (void)done;
}
