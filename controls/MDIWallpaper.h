#pragma once
// The wallpaper of an MDI frame: a picture tiled, centred or put at the top left of the area
// behind the child windows, painted by a window procedure of its own that it puts on the
// frame's MDI client window.

#include <cstdint>
#include <memory>

#include "framework/Bitmaps.h"
#include "framework/Forms.h"

enum TWallpaperMode : std::uint8_t { wpTile, wpCenter, wpTopLeft };

class EMDIWallpaper : public Exception {
public:
  using Exception::Exception;
};

class TMDIWallpaper : public TComponent {
public:
  // The owner must be an MDI frame form without a wallpaper; else raises EMDIWallpaper.
  explicit TMDIWallpaper(TComponent* AOwner);
  ~TMDIWallpaper() override;

  // The component's own picture; changing it in place does not repaint.
  TBitmap* Bitmap() { return &FBitmap; }
  // Copies the picture (none empties it) and repaints the area, also for an equal picture.
  void SetBitmap(const TBitmap* Value);
  TWallpaperMode Mode() const { return FMode; }
  void SetMode(TWallpaperMode Value);

private:
  // The owner, once it has passed the checks; run before the component joins its owner.
  static TComponent* CheckOwner(TComponent* AOwner);
  void ClientWndProc(TMessage& Message);
  static void TileBitmap(TBitmap* Bitmap, TCanvas* Canvas, int W, int H);
  // Paints the whole client area at once.
  void RepaintClient();

  TForm* FForm;
  TBitmap FBitmap;
  TWallpaperMode FMode = wpTile;
  HWND FClientWindow = nullptr;
  WNDPROC FNewClientProc = nullptr;
  WNDPROC FOldClientProc = nullptr;
  // Whom the procedure serves: this wallpaper, or none once it is gone.
  std::shared_ptr<TMDIWallpaper*> FSelf;
};

void RegisterMDIWallpaper();
