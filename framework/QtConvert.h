#pragma once
// The program's strings and rectangles as Qt's and back, for the framework's own files.

#include <QRect>
#include <QString>
#include <QStringDecoder>

#include "framework/System.h"
#include "platform/Windows.h"

// The program's UTF-8 text as Qt's. A U+FEFF at the start is a character of the text, not a
// byte order mark to drop.
inline QString ToQString(const String& S) {
  QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
  return decoder(QByteArrayView(S.data(), static_cast<qsizetype>(S.size())));
}

inline String FromQString(const QString& S) { return S.toStdString(); }

inline QRect ToQRect(const RECT& R) { return QRect(R.left, R.top, R.right - R.left, R.bottom - R.top); }
