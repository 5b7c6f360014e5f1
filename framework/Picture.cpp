#include "framework/Picture.h"

#include "framework/QtConvert.h"
#include <QImage>
#include <QImageReader>

void TPicture::LoadFromFile(const String& FileName) {
  QString path = ToQString(FileName);
  if (!path.startsWith(':') && !path.startsWith('/')) path.prepend(":/");
  QImageReader reader(path, "bmp");
  reader.setDecideFormatFromContent(false);
  QImage image = reader.read();
  if (image.isNull()) throw EFOpenError(FileName, ": " + FromQString(reader.errorString()));
  HBITMAP handle = CreateBitmapHandle(image.width(), image.height());
  if (!handle) throw EFOpenError(FileName, ": the picture is too large");
  *BitmapImage(handle) = image.convertToFormat(QImage::Format_RGB32);
  FBitmap.SetHandle(handle);
  if (FOnChange) FOnChange(this);
}
