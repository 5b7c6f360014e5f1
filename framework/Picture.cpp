#include "framework/Picture.h"

#include <QImage>
#include <QImageReader>

void TPicture::LoadFromFile(const String& FileName) {
  QString path = QString::fromStdString(FileName);
  if (!path.startsWith(':') && !path.startsWith('/')) path.prepend(":/");
  QImageReader reader(path, "bmp");
  reader.setDecideFormatFromContent(false);
  QImage image = reader.read();
  if (image.isNull()) throw EFOpenError(FileName, ": " + reader.errorString().toStdString());
  HBITMAP handle = CreateBitmapHandle(image.width(), image.height());
  if (!handle) throw EFOpenError(FileName, ": the picture is too large");
  *BitmapImage(handle) = image.convertToFormat(QImage::Format_RGB32);
  FBitmap.SetHandle(handle);
  if (FOnChange) FOnChange(this);
}
