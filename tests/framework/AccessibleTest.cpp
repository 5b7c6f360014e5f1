#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QListView>
#include <QMdiSubWindow>

#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/FileCtrl.h"
#include "framework/FormReader.h"
#include "framework/Registration.h"
#include "framework/StdCtrls.h"
#include "tests/support/TestSupport.h"

// What a screen reader learns of the framework's controls: the roles and names their windows
// have on the accessibility bus (through Qt's accessibility interfaces), and keyboard use.

namespace {

QAccessibleInterface* Described(const TControl& Control) {
  return QAccessible::queryAccessibleInterface(Control.Widget());
}

QAccessible::Role RoleOf(const TControl& Control) { return Described(Control)->role(); }
QString NameOf(const TControl& Control) { return Described(Control)->text(QAccessible::Name); }

// A form like the main window's top: a tool panel, a list, a status line.
const char* const MainLikeForm = R"(object Main: TForm
  Caption = 'Tabrix'
  object SpeedPanel: TPanel
    Align = alTop
    Height = 30
    object OpenBtn: TSpeedButton
      Hint = 'Open|'
    end
    object IncludeINF: TCheckBox
      Caption = 'Include &INF Files'
    end
    object DS1: TDriveComboBox
    end
    object ScanButton: TButton
      Caption = '&Scan'
      Hint = 'Scan the drive|Looks for INI files'
    end
  end
  object Banner: TPanel
    Align = alBottom
    Height = 40
    object Title: TLabel
      Caption = 'A & B'
    end
  end
  object SB1: TStatusBar
    SimplePanel = True
  end
  object LLB1: TListBox
    Align = alLeft
  end
end)";

} // namespace

TEST(AccessibleTest, AFormIsAFrameNamedByItsCaptionAndADialogFormADialog) {
  RegisterFrameworkClasses();
  TForm form(nullptr);
  form.SetCaption("Tabrix");
  EXPECT_EQ(RoleOf(form), QAccessible::Window);
  EXPECT_EQ(NameOf(form), "Tabrix");
  form.SetCaption("About Tabrix");
  EXPECT_EQ(NameOf(form), "About Tabrix");
  form.SetBorderStyle(bsDialog);
  EXPECT_EQ(RoleOf(form), QAccessible::Dialog);
}

TEST(AccessibleTest, AToolPanelIsAToolBarOfControlsNamedByCaptionOrTooltip) {
  RegisterFrameworkClasses();
  TForm form(nullptr);
  ReadFormDescription(&form, MainLikeForm, "Main.form");
  auto control = [&](const char* Name) { return dynamic_cast<TControl*>(form.FindComponent(Name)); };

  EXPECT_EQ(RoleOf(*control("SpeedPanel")), QAccessible::ToolBar);
  // A panel that holds no speed button is a plain panel.
  EXPECT_EQ(RoleOf(*control("Banner")), QAccessible::Grouping);

  // A speed button is named by its tooltip, and follows a new hint.
  EXPECT_EQ(RoleOf(*control("OpenBtn")), QAccessible::Button);
  EXPECT_EQ(NameOf(*control("OpenBtn")), "Open");
  control("OpenBtn")->SetHint("Save|Saves the file");
  EXPECT_EQ(NameOf(*control("OpenBtn")), "Save");

  // Captions name what has them, read without their accelerator marks, before any hint.
  EXPECT_EQ(NameOf(*control("IncludeINF")), "Include INF Files");
  EXPECT_EQ(NameOf(*control("ScanButton")), "Scan");
  dynamic_cast<TButton*>(control("ScanButton"))->SetCaption("Sto&p && go");
  EXPECT_EQ(NameOf(*control("ScanButton")), "Stop & go");
  EXPECT_EQ(NameOf(*control("Title")), "A & B");
}

TEST(AccessibleTest, TheDriveChooserIsAComboBoxNamedDriveWithTheChosenDriveSelected) {
  RegisterFrameworkClasses();
  TForm form(nullptr);
  ReadFormDescription(&form, MainLikeForm, "Main.form");
  auto* drives = dynamic_cast<TDriveComboBox*>(form.FindComponent("DS1"));
  drives->SetDrive("/");
  QAccessibleInterface* box = Described(*drives);
  EXPECT_EQ(box->role(), QAccessible::ComboBox);
  EXPECT_EQ(box->text(QAccessible::Name), "Drive");
  EXPECT_EQ(box->text(QAccessible::Value), "/");

  // Its one child is its list, where the chosen drive is selected even while it is closed.
  ASSERT_EQ(box->childCount(), 1);
  auto* combo = static_cast<QComboBox*>(drives->Widget());
  EXPECT_EQ(box->child(0)->object(), combo->view());
  EXPECT_EQ(box->indexOfChild(box->child(0)), 0);
  const QModelIndexList selected = combo->view()->selectionModel()->selectedIndexes();
  ASSERT_EQ(selected.size(), 1);
  EXPECT_EQ(selected[0].data().toString(), "/");

  drives->SetHint("Volume|");
  EXPECT_EQ(box->text(QAccessible::Name), "Volume");
}

TEST(AccessibleTest, AStatusBarIsReadAsAStatusBarThatSpeaksItsText) {
  RegisterFrameworkClasses();
  TForm form(nullptr);
  ReadFormDescription(&form, MainLikeForm, "Main.form");
  auto* bar = dynamic_cast<TStatusBar*>(form.FindComponent("SB1"));
  EXPECT_EQ(RoleOf(*bar), QAccessible::StatusBar);
  EXPECT_EQ(NameOf(*bar), "");
  bar->SetSimpleText("Scan Complete..");
  EXPECT_EQ(NameOf(*bar), "Scan Complete..");
}

TEST(AccessibleTest, AControlWithoutCaptionOrHintIsNamedAfterTheFormItFillsOrByItsName) {
  RegisterFrameworkClasses();
  TForm form(nullptr);
  ReadFormDescription(&form, MainLikeForm, "Main.form");
  auto* list = dynamic_cast<TListBox*>(form.FindComponent("LLB1"));
  EXPECT_EQ(NameOf(*list), "LLB1");
  list->SetHint("Found files|");
  EXPECT_EQ(NameOf(*list), "Found files");

  // A text that fills its form is named as the form is, also after the caption changes.
  TForm editor(nullptr);
  editor.SetCaption("INI File");
  auto* text = new TRichEdit(&editor);
  text->SetParent(&editor);
  text->SetAlign(alClient);
  EXPECT_EQ(NameOf(*text), "INI File");
  editor.SetCaption("/mnt/data/win.ini");
  EXPECT_EQ(NameOf(*text), "/mnt/data/win.ini");
  text->SetAlign(alNone);
  EXPECT_EQ(NameOf(*text), "");
}

TEST(AccessibleTest, AnMdiChildIsAFrameNamedByItsCaptionThatShowsWhileAnyOfItIsInSight) {
  RegisterFrameworkClasses();
  TForm* frame = nullptr;
  Application->CreateForm(frame);
  frame->SetFormStyle(fsMDIForm);
  frame->SetBounds(0, 0, 300, 200);
  frame->Show();
  auto* child = new TForm(frame);
  child->SetFormStyle(fsMDIChild);
  child->SetCaption("/mnt/data/win.ini");
  child->SetBounds(0, 0, 600, 400);
  child->Show();
  Settle();
  auto* window = qobject_cast<QMdiSubWindow*>(child->Widget()->parentWidget());
  ASSERT_NE(window, nullptr);
  QAccessibleInterface* described = QAccessible::queryAccessibleInterface(window);
  EXPECT_EQ(described->role(), QAccessible::Window);
  EXPECT_EQ(described->text(QAccessible::Name), "/mnt/data/win.ini");
  // Larger than the MDI area, it still shows.
  EXPECT_FALSE(described->state().invisible);
  EXPECT_FALSE(described->state().offscreen);
  EXPECT_TRUE(described->state().active);
  // Its form's own window is a plain part of it.
  EXPECT_EQ(RoleOf(*child), QAccessible::Client);
  child->SetCaption("/mnt/data/system.ini");
  EXPECT_EQ(described->text(QAccessible::Name), "/mnt/data/system.ini");
  window->move(-1000, -1000);
  EXPECT_TRUE(described->state().offscreen);
  frame->Free();
}

TEST(AccessibleTest, EnterOnAListActsOnTheSelectedEntryAsADoubleClick) {
  RegisterFrameworkClasses();
  TListBox list(nullptr);
  for (const char* entry : {"a.ini", "b.ini", "c.ini"})
    list.Items()->Add(entry);
  std::vector<int> opened;
  list.SetOnDblClick([&](TObject*) { opened.push_back(list.ItemIndex()); });
  list.SetItemIndex(1);
  auto press = [&](int Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, Key, Modifiers);
    QApplication::sendEvent(list.ListView(), &event);
  };
  press(Qt::Key_Return);
  press(Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(opened, (std::vector<int>{1, 1}));
  // The arrows still move the selection; Enter with a modifier is not the list's.
  press(Qt::Key_Down);
  EXPECT_EQ(list.ItemIndex(), 2);
  press(Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_EQ(opened.size(), 2u);
  press(Qt::Key_Return);
  EXPECT_EQ(opened, (std::vector<int>{1, 1, 2}));

  // What goes wrong in the handler is shown to the user, not thrown into Qt.
  list.SetOnDblClick([](TObject*) { throw EStringListError("List index out of bounds"); });
  press(Qt::Key_Return);
  ASSERT_EQ(Seams::MessageBoxes().size(), 1u);
  EXPECT_EQ(Seams::MessageBoxes()[0].Text, "List index out of bounds.");
}
