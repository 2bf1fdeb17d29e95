#include "ui/panel.h"

#include <mutex>

namespace vantric::ui {

Panel::Panel() : color_(GetSysColor(COLOR_BTNFACE)), fontColor_(GetSysColor(COLOR_WINDOWTEXT)) {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  LOGFONTA font{};
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
    font = metrics.lfMessageFont;
  font_.reset(CreateFontIndirectA(&font));
}

Panel::~Panel() { DestroyHandle(); }

void Panel::CreatePanel(HWND parent, int left, int top, int width, int height) {
  Create({.name = "VantricPanel", .style = CS_HREDRAW | CS_VREDRAW}, 0, "",
         WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, {left, top, left + width, top + height},
         parent);
}

template <typename T>
void Panel::SetFrameValue(T& field, T value) {
  if (value == field) return;
  field = value;
  Resized();
  Invalidate();
}

void Panel::SetBevelOuter(TBevelCut value) { SetFrameValue(bevelOuter_, value); }

void Panel::SetBevelInner(TBevelCut value) { SetFrameValue(bevelInner_, value); }

void Panel::SetBevelWidth(int value) { SetFrameValue(bevelWidth_, value); }

void Panel::SetBorderWidth(int value) { SetFrameValue(borderWidth_, value); }

void Panel::SetColor(COLORREF value) {
  if (value == color_) return;
  color_ = value;
  Invalidate();
  ColorChanged();
}

void Panel::SetFont(const LOGFONTA& font, COLORREF color) {
  unique_hfont made(CreateFontIndirectA(&font));
  if (!made) return;
  font_ = std::move(made);
  fontColor_ = color;
  Invalidate();
  FontChanged();
}

void Panel::Invalidate() const {
  if (handle()) InvalidateRect(handle(), nullptr, TRUE);
}

RECT Panel::ClientRect() const {
  RECT rect{};
  if (handle()) GetClientRect(handle(), &rect);
  return rect;
}

std::vector<HWND> Panel::Children() const {
  std::vector<HWND> children;
  if (!handle()) return children;
  for (HWND child = GetWindow(handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

void Panel::PaintBevel(HDC dc, RECT& rect, TBevelCut cut) const {
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
  if (cut == TBevelCut::bvLowered) {
    Frame3D(dc, rect, shadow, highlight, bevelWidth_);
  } else {
    Frame3D(dc, rect, highlight, shadow, bevelWidth_);
  }
}

void Panel::Paint(HDC dc) {
  RECT rect = ClientRect();
  if (bevelOuter_ != TBevelCut::bvNone) PaintBevel(dc, rect, bevelOuter_);
  Frame3D(dc, rect, color_, color_, borderWidth_);
  if (bevelInner_ != TBevelCut::bvNone) PaintBevel(dc, rect, bevelInner_);

  // The brush outlives the saved state, so that it is no longer selected
  // when it is deleted, however PaintClient ends.
  const unique_hbrush brush(CreateSolidBrush(color_));
  const SaveDcScope saved(dc);
  IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  const SelectObjectScope selected(dc, brush.get());
  PaintClient(dc, rect);
}

void Panel::PaintClient(HDC dc, const RECT& rect) {
  FillRect(dc, &rect, static_cast<HBRUSH>(GetCurrentObject(dc, OBJ_BRUSH)));
}

LRESULT Panel::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      const PaintScope paint(handle());
      const std::lock_guard guard(canvasLock_);
      Paint(paint.get());
      return 0;
    }
    case WM_PRINTCLIENT: {
      const std::lock_guard guard(canvasLock_);
      Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    }
    case WM_SIZE: Resized(); break;
    default: break;
  }
  return Window::OnMessage(message, wParam, lParam);
}

}  // namespace vantric::ui
