// Device contexts: the painter of a paint message, and GetDC's recordings drawn over the next
// paint of their window.
#include <QFontMetrics>
#include <QPainter>

#include "platform/WindowTable.h"

using namespace WindowBridge;

QPainter* DCPainter(HDC DC) {
  if (!DC) return nullptr;
  if (!DC->Painter) DC->Painter = std::make_unique<QPainter>(DC->Target);
  return DC->Painter.get();
}

void SetDCFont(HDC DC, const QFont& Font) {
  if (!DC) return;
  DC->Font = Font;
  if (DC->Painter) DC->Painter->setFont(Font);
}

BOOL GetTextExtentPointA(HDC hdc, const char* lpString, int Count, SIZE* lpSize) {
  if (!hdc || !lpSize || Count < 0 || (!lpString && Count > 0)) return FALSE;
  QFontMetrics metrics(hdc->Font, hdc->Target);
  lpSize->cx = metrics.horizontalAdvance(QString::fromUtf8(lpString, Count));
  lpSize->cy = metrics.height();
  return TRUE;
}

HDC GetDC(HWND hWnd) {
  TWindowTable& table = Windows();
  if (!table.Find(hWnd)) return nullptr;
  auto context = std::make_unique<TWindowDC>();
  context->Window = hWnd;
  HDC dc = &context->DC;
  dc->Font = WindowClient(hWnd)->font();
  table.Contexts.emplace(dc, std::move(context));
  return dc;
}

int ReleaseDC(HWND hWnd, HDC hDC) {
  TWindowTable& table = Windows();
  auto it = table.Contexts.find(hDC);
  if (it == table.Contexts.end() || it->second->Window != hWnd) return 0;
  std::unique_ptr<TWindowDC> context = std::move(it->second);
  table.Contexts.erase(it);
  context->DC.Painter.reset(); // ends the recording
  TWindowRecord* rec = table.Find(hWnd);
  if (!rec || context->Recording.isNull()) return 1;
  QPointer<QWidget> client = rec->Client;
  rec->Drawn = &context->Recording;
  client->repaint();
  if (client) rec->Drawn = nullptr;
  return 1;
}
