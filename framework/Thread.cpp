#include "framework/Thread.h"

#include <QCoreApplication>
#include <QMetaObject>

#include "platform/QtWindow.h"

void TThread::Queue(std::function<void()> Method) {
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [Method = std::move(Method)] { CallGuarded(Method); }, Qt::QueuedConnection);
}
