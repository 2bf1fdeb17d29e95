#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/canvas.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace vantric::ui {

enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// A child window with a client area inside an outer bevel, a border and an
// inner bevel, a background colour, a font, and a canvas lock held around
// its painting so that other threads can draw on it too.
class Panel : public Window {
 public:
  Panel();
  ~Panel() override;

  void CreatePanel(HWND parent, int left, int top, int width, int height);

  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut value);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut value);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int value);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int value);
  COLORREF Color() const { return color_; }
  void SetColor(COLORREF value);
  // Face, height (negative: character height in pixels) and weight come from
  // `font`; the colour is the text colour.
  void SetFont(const LOGFONTA& font, COLORREF color);
  HFONT Font() const { return font_.get(); }
  COLORREF FontColor() const { return fontColor_; }

  CanvasLock& Canvas() { return canvasLock_; }
  void Invalidate() const;
  RECT ClientRect() const;
  // The child windows, in window order.
  std::vector<HWND> Children() const;

 protected:
  // Notifications after a change.
  virtual void FontChanged() {}
  virtual void ColorChanged() {}
  virtual void Resized() {}
  // The paint operation: bevels, border, then the client area.
  virtual void Paint(HDC dc);
  // Fills `rect` with the current brush of `dc`.
  virtual void PaintClient(HDC dc, const RECT& rect);

  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void PaintBevel(HDC dc, RECT& rect, TBevelCut cut) const;
  // Bevels and border change the client area.
  template <typename T>
  void SetFrameValue(T& field, T value);

  TBevelCut bevelOuter_ = TBevelCut::bvRaised;
  TBevelCut bevelInner_ = TBevelCut::bvNone;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
  COLORREF color_;
  unique_hfont font_;
  COLORREF fontColor_;
  CanvasLock canvasLock_;
};

}  // namespace vantric::ui
