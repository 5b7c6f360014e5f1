#pragma once
// The pointer and its left button over a widget, as the window system reports them.

#include <QCoreApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QWidget>

// The pointer moving to a point of a widget, no button held.
inline void MoveTo(QWidget* Widget, int X, int Y) {
  QPointF at(X, Y);
  QMouseEvent move(QEvent::MouseMove, at, Widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(Widget, &move);
}

// The window system's pointer moved onto a point of a widget: the widget gets the enter, hover
// and move events a real move brings, and the tooltip timer starts.
inline void PointAt(QWidget* Widget, int X, int Y) {
  QCursor::setPos(Widget->mapToGlobal(QPoint(X, Y)));
  QCoreApplication::processEvents();
}

// The left button pressed, released or double-clicked at a point of a widget.
inline void Press(QWidget* Widget, QEvent::Type Type, int X, int Y) {
  QPointF at(X, Y);
  Qt::MouseButtons held = Type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent e(Type, at, Widget->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
  QCoreApplication::sendEvent(Widget, &e);
}
