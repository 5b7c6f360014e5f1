#include "controls/MDIWallpaper.h"

#include <vector>

#include "framework/TypInfo.h"

namespace {

// Shows the error of a destruction that cannot be refused, as the application shows any.
void ShowInternalError(TObject* Sender) noexcept {
  try {
    throw Exception("Internal Error in TMDIWallpaper.Destroy");
  } catch (...) {
    try {
      if (Application) Application->HandleException(Sender);
    } catch (...) {
    }
  }
}

// The procedures of wallpapers gone while another party still held theirs (see the destructor):
// kept, passing messages on, for as long as the program runs.
std::vector<WNDPROC>& KeptProcedures() {
  static auto* kept = new std::vector<WNDPROC>;
  return *kept;
}

} // namespace

TComponent* TMDIWallpaper::CheckOwner(TComponent* AOwner) {
  auto* form = dynamic_cast<TForm*>(AOwner);
  if (!form) throw EMDIWallpaper("not (TMDIWallpaper.Owner is TForm)!");
  if (form->FormStyle() != fsMDIForm) throw EMDIWallpaper("This is no MDI frame window!");
  for (int i = 0; i < form->ComponentCount(); ++i)
    if (dynamic_cast<TMDIWallpaper*>(form->Components(i)))
      throw EMDIWallpaper("Only one instance of TMDIWallpaper allowed");
  return form;
}

TMDIWallpaper::TMDIWallpaper(TComponent* AOwner) : TComponent(CheckOwner(AOwner)), FForm(static_cast<TForm*>(AOwner)) {
  // On a form being edited in a designer the client window keeps its own procedure.
  if (FForm->IsDesigning()) return;
  FClientWindow = FForm->ClientHandle();
  FOldClientProc = reinterpret_cast<WNDPROC>(GetWindowLongA(FClientWindow, GWL_WNDPROC));
  FSelf = std::make_shared<TMDIWallpaper*>(this);
  FNewClientProc = MakeObjectInstance([Self = FSelf, Client = FClientWindow, Old = FOldClientProc](TMessage& M) {
    if (*Self)
      (*Self)->ClientWndProc(M);
    else
      M.Result = CallWindowProcA(Old, Client, M.Msg, M.WParam, M.LParam);
  });
  SetWindowLongA(FClientWindow, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(FNewClientProc));
}

TMDIWallpaper::~TMDIWallpaper() {
  if (!FNewClientProc) return;
  *FSelf = nullptr;
  if (IsWindow(FClientWindow)) {
    const auto replaced = reinterpret_cast<WNDPROC>(
        SetWindowLongA(FClientWindow, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(FOldClientProc)));
    if (replaced != FNewClientProc) {
      // Whoever replaced our procedure holds it as the one to pass messages on to, and may
      // still do so or put it back: it stays, passing every message straight on.
      KeptProcedures().push_back(FNewClientProc);
      ShowInternalError(this);
      return;
    }
  }
  FreeObjectInstance(FNewClientProc);
}

void TMDIWallpaper::SetBitmap(const TBitmap* Value) {
  FBitmap.Assign(Value);
  RepaintClient();
}

void TMDIWallpaper::SetMode(TWallpaperMode Value) {
  if (FMode == Value) return;
  FMode = Value;
  RepaintClient();
}

void TMDIWallpaper::ClientWndProc(TMessage& Message) {
  const int bw = FBitmap.Width(), bh = FBitmap.Height();
  if (Message.Msg != WM_ERASEBKGND || bw <= 0 || bh <= 0) {
    Message.Result = CallWindowProcA(FOldClientProc, FClientWindow, Message.Msg, Message.WParam, Message.LParam);
    return;
  }
  TCanvas* canvas = FForm->Canvas();
  canvas->SetHandle(reinterpret_cast<HDC>(Message.WParam));
  RECT r;
  GetClientRect(FClientWindow, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  switch (FMode) {
  case wpTile: TileBitmap(&FBitmap, canvas, w, h); break;
  case wpCenter: {
    const int x = (w - bw) / 2, y = (h - bh) / 2;
    canvas->FillRect(Rect(0, 0, w, y));
    canvas->FillRect(Rect(0, y, x, y + bh));
    canvas->FillRect(Rect(x + bw, y, w, y + bh));
    canvas->FillRect(Rect(0, y + bh, w, h));
    canvas->Draw(x, y, &FBitmap);
    break;
  }
  case wpTopLeft:
    canvas->FillRect(Rect(bw, 0, w, bh));
    canvas->FillRect(Rect(0, bh, w, h));
    canvas->Draw(0, 0, &FBitmap);
    break;
  }
  canvas->SetHandle(nullptr);
  Message.Result = 1;
}

// Tiles from the top left corner, columns left to right and each top to bottom; the last
// column and row may reach past the area.
void TMDIWallpaper::TileBitmap(TBitmap* Bitmap, TCanvas* Canvas, int W, int H) {
  const int bw = Bitmap->Width(), bh = Bitmap->Height();
  const int columns = (W - 1) / bw, rows = (H - 1) / bh;
  for (int c = 0; c <= columns; ++c)
    for (int r = 0; r <= rows; ++r)
      Canvas->Draw(c * bw, r * bh, Bitmap);
}

void TMDIWallpaper::RepaintClient() {
  if (!FNewClientProc) return;
  HDC dc = GetDC(FClientWindow);
  if (!dc) return;
  struct TRelease {
    HWND Window;
    HDC DC;
    ~TRelease() { ReleaseDC(Window, DC); }
  } release{FClientWindow, dc};
  TMessage erase{WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0, 0};
  ClientWndProc(erase);
}

void RegisterMDIWallpaper() {
  static const bool done = [] {
    RegisterFormsClasses();
    RegisterEnumNames(typeid(TWallpaperMode), {"wpTile", "wpCenter", "wpTopLeft"});
    TClassRegistration<TMDIWallpaper>("TMDIWallpaper", "TComponent")
        .Object("Bitmap", &TMDIWallpaper::Bitmap)
        .Property("Mode", &TMDIWallpaper::Mode, &TMDIWallpaper::SetMode);
    return true;
  }();
  (void)done;
}
