#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/window.h"

namespace vantric::ui {

// A flat button with a glyph and a caption that never takes the focus. Its
// border shows only under the mouse and while pressed. A toggle button stays
// down after a click until the next click releases it.
class SpeedButton : public Window {
 public:
  struct Options {
    std::string caption;      // "&" marks the accelerator
    HBITMAP glyph = nullptr;  // the bottom-left pixel is the transparent colour
    HFONT font = nullptr;
    bool toggle = false;
  };

  SpeedButton() = default;
  ~SpeedButton() override;

  void Create(HWND parent, const Options& options, int left, int top, int width, int height);

  std::function<void()> OnClick;

  // Acts as a click by the user would.
  void Click();
  bool Down() const { return down_; }
  // The pointer is over it: the raised edge shows.
  bool Hot() const { return hot_; }
  void SetDown(bool down);
  const std::string& Caption() const { return options_.caption; }
  // The accelerator character, upper case; 0 when there is none.
  char Accelerator() const;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Paint(HDC dc) const;
  void SetHot(bool hot);
  bool ContainsClientPoint(POINT point) const;

  Options options_;
  bool down_ = false;     // toggle state
  bool pressed_ = false;  // the mouse button is held on it
  bool hot_ = false;      // the mouse is over it
};

}  // namespace vantric::ui
