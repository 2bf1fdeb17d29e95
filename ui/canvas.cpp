#include "ui/canvas.h"

#include <stdexcept>

namespace vantric::ui {

MemoryCanvas::MemoryCanvas() : dc_(CreateCompatibleDC(nullptr)) {
  if (!dc_) throw std::runtime_error("Cannot create a memory canvas");
  originalBitmap_ = GetCurrentObject(dc_.get(), OBJ_BITMAP);
  originalFont_ = GetCurrentObject(dc_.get(), OBJ_FONT);
}

MemoryCanvas::~MemoryCanvas() {
  SelectObject(dc_.get(), originalFont_);
  SelectObject(dc_.get(), originalBitmap_);
}

void MemoryCanvas::Resize(int width, int height) {
  if (width == width_ && height == height_ && bitmap_) return;
  // A bitmap of the screen's format: a compatible bitmap of the memory DC
  // itself would be monochrome.
  const unique_hdc_window screen(nullptr);
  unique_hbitmap bitmap(CreateCompatibleBitmap(screen.get(), width > 0 ? width : 1, height > 0 ? height : 1));
  if (!bitmap) throw std::runtime_error("Cannot create a memory canvas");
  SelectObject(dc_.get(), bitmap.get());
  bitmap_ = std::move(bitmap);
  width_ = width;
  height_ = height;
}

void MemoryCanvas::SelectFont(HFONT font) { SelectObject(dc_.get(), font ? font : originalFont_); }

void Frame3D(HDC dc, RECT& rect, COLORREF topLeft, COLORREF bottomRight, int width) {
  const unique_hbrush light(CreateSolidBrush(topLeft));
  const unique_hbrush dark(CreateSolidBrush(bottomRight));
  for (int i = 0; i < width; ++i) {
    if (rect.right - rect.left <= 0 || rect.bottom - rect.top <= 0) {
      InflateRect(&rect, -1, -1);
      continue;
    }
    const RECT top{rect.left, rect.top, rect.right - 1, rect.top + 1};
    const RECT left{rect.left, rect.top, rect.left + 1, rect.bottom - 1};
    const RECT bottom{rect.left, rect.bottom - 1, rect.right, rect.bottom};
    const RECT right{rect.right - 1, rect.top, rect.right, rect.bottom};
    FillRect(dc, &top, light.get());
    FillRect(dc, &left, light.get());
    FillRect(dc, &bottom, dark.get());
    FillRect(dc, &right, dark.get());
    InflateRect(&rect, -1, -1);
  }
}

}  // namespace vantric::ui
