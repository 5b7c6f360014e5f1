#pragma once
// How the framework's windows meet a screen reader on the accessibility bus. Qt describes
// most widgets well by itself; the windows below stand for something Qt cannot tell from
// the widget alone, so they are marked with what they are and described accordingly:
// - a form's window is a frame named by its caption (a dialog's frame for a dialog form),
//   and a plain part of its frame once it sits inside an MDI child window;
// - an MDI child window is a frame named by its caption, showing while any of it is in
//   sight (Qt would hide one that reaches past the edge of the MDI area from the reader);
// - a status bar's label has the status-bar role, its text as its name;
// - a panel is a panel, and a tool bar when it holds speed buttons;
// - the drive chooser is a combo box named by the control (Qt names combo boxes by their
//   current entry on this platform), its chosen drive its value.
// Names come from the controls themselves (TControl::AccessibleName).

class QWidget;

enum class TAccessibleKind { Form, MDIChild, StatusBar, Panel, DriveBox };

// Marks Widget as the window of such a control.
void SetAccessibleKind(QWidget* Widget, TAccessibleKind Kind);

// Makes Qt ask the framework first for the description of a marked window; done once, after
// the Qt application has been made.
void InstallAccessibleFactory();
