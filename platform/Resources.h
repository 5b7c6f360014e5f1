#pragma once
// Bitmap resources of the program under their Windows names, and the bitmap handles that
// hold them.

#include <cstddef>

#include "platform/Windows.h"

class QImage;

// A module whose resources can be loaded; the program has one, HInstance.
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
// A bitmap: a picture owned by whoever holds the handle until DeleteObject.
struct HBITMAP__;
using HBITMAP = HBITMAP__*;

extern const HINSTANCE HInstance;

// The BITMAP resource of that name (letters, digits and "_", case ignored) of the module:
// a device-independent bitmap of 4 bits per pixel without file header. 0 when the module
// has no such resource or it cannot be read.
HBITMAP LoadBitmapA(HINSTANCE hInstance, const char* lpBitmapName);
// The bitmap that the bytes of such a resource hold; 0 when they hold none.
HBITMAP BitmapFromResource(const char* Data, std::size_t Size);
BOOL DeleteObject(HBITMAP ho);

// A white picture of the given size; 0 unless both are positive.
HBITMAP CreateBitmapHandle(int Width, int Height);
// The picture behind a handle, nullptr for 0.
QImage* BitmapImage(HBITMAP Bitmap);
