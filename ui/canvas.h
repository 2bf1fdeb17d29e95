#pragma once

#include <windows.h>

#include "ui/handles.h"

namespace vantric::ui {

// The lock of a drawing surface shared between threads. The thread that
// holds it may take it again.
class CanvasLock {
 public:
  CanvasLock() { InitializeCriticalSection(&section_); }
  ~CanvasLock() { DeleteCriticalSection(&section_); }
  CanvasLock(const CanvasLock&) = delete;
  CanvasLock& operator=(const CanvasLock&) = delete;

  void lock() { EnterCriticalSection(&section_); }
  bool try_lock() { return TryEnterCriticalSection(&section_) != FALSE; }
  void unlock() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

// An off-screen picture with a device context to draw on, of the screen's
// format.
class MemoryCanvas {
 public:
  MemoryCanvas();
  ~MemoryCanvas();
  MemoryCanvas(const MemoryCanvas&) = delete;
  MemoryCanvas& operator=(const MemoryCanvas&) = delete;

  // The content is lost.
  void Resize(int width, int height);
  // Not owned: the caller keeps the font alive while it is selected.
  void SelectFont(HFONT font);

  HDC dc() const { return dc_.get(); }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  unique_hdc dc_;
  unique_hbitmap bitmap_;
  HGDIOBJ originalBitmap_;
  HGDIOBJ originalFont_;
  int width_ = 0;
  int height_ = 0;
};

// Draws a 3-D frame of `width` one-pixel outlines inside `rect` and shrinks
// `rect` by `width` on every side.
void Frame3D(HDC dc, RECT& rect, COLORREF topLeft, COLORREF bottomRight, int width);

}  // namespace vantric::ui
