#pragma once
// Pictures read from bitmap files, as images on forms show them.

#include "framework/Bitmaps.h"

class TPicture : public TPersistent {
public:
  // The picture as a bitmap; empty until one is read.
  TBitmap* Bitmap() { return &FBitmap; }
  int Width() const { return FBitmap.Width(); }
  int Height() const { return FBitmap.Height(); }

  // Reads a BMP file: a resource of the program (":/about/banner.bmp", or "about/banner.bmp"
  // from the resource root) or a file by its absolute path. Raises EFOpenError, keeping the
  // picture it had, when the file cannot be read as a bitmap.
  void LoadFromFile(const String& FileName);

  // Fired after the picture has changed.
  TNotifyEvent OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }

private:
  TBitmap FBitmap;
  TNotifyEvent FOnChange;
};
