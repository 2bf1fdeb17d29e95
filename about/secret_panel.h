#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "about/rx_timer.h"
#include "ui/canvas.h"
#include "ui/handles.h"
#include "ui/panel.h"

namespace vantric {

using ui::TBevelCut;
enum class TGlyphLayout { glGlyphLeft, glGlyphRight, glGlyphTop, glGlyphBottom };
enum class TScrollDirection { sdVertical, sdHorizontal };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

// Where the text scrolls and the glyph sits, for a client area and what
// shrinks it. `lastNonBlankLine` is -1 when every line is blank.
struct PanelLayoutInput {
  RECT client;
  int borderSize;
  SIZE glyph;  // 0 x 0 for no glyph
  TGlyphLayout glyphLayout;
  TScrollDirection direction;
  int firstLine;
  int lastNonBlankLine;
  int lineHeight;
};
struct PanelLayout {
  RECT textRect;
  RECT paintRect;
  POINT glyphOrigin;
};
PanelLayout CalcLayout(const PanelLayoutInput& input);

// True when the text has nothing but blanks and control characters.
bool IsBlankLine(const std::string& line);

// A panel that, while active, hides its children and scrolls its lines one
// pixel per timer tick through its client area, beside an optional glyph.
// Frames are drawn off screen on the timer's thread and copied in one go.
class TSecretPanel : public ui::Panel {
 public:
  using TNotifyEvent = std::function<void(TSecretPanel& sender)>;
  using TPanelDrawEvent = std::function<void(TSecretPanel& sender, HDC canvas, RECT rect)>;

  TSecretPanel();
  ~TSecretPanel() override;

  bool AsyncDrawing() const { return asyncDrawing_; }
  void SetAsyncDrawing(bool value);
  bool Active() const { return active_; }
  void SetActive(bool value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  bool Cycled() const { return cycled_; }
  void SetCycled(bool value);
  // Copied; the bottom-left pixel is the transparent colour.
  void SetGlyph(HBITMAP glyph);
  HBITMAP Glyph() const { return glyph_.get(); }
  TGlyphLayout GlyphLayout() const { return glyphLayout_; }
  void SetGlyphLayout(TGlyphLayout value);
  DWORD Interval() const { return timer_->Interval(); }
  void SetInterval(DWORD value) { timer_->SetInterval(value); }
  const std::vector<std::string>& Lines() const { return lines_; }
  void SetLines(std::vector<std::string> lines);
  TScrollDirection ScrollDirection() const { return scrollDirection_; }
  void SetScrollDirection(TScrollDirection value);
  TBevelCut TextStyle() const { return textStyle_; }
  void SetTextStyle(TBevelCut value);
  // Right-to-left reading, where the system supports it.
  void SetRightToLeft(bool value);

  TPanelDrawEvent OnPaintClient;
  TNotifyEvent OnStartPlay;
  TNotifyEvent OnStopPlay;

  int BorderSize() const;
  // The timer's tick: one pixel further, or the next run, or the end.
  virtual void TimerTick();

  // A consistent view for tests and for whoever builds on the panel.
  int ScrollPosition() { return Read(scrollPos_); }
  int ScrollExtent() { return Read(scrollExtent_); }
  int LineHeight() { return Read(lineHeight_); }
  int FirstLine() { return Read(firstLine_); }
  RECT TextRect() { return Read(textRect_); }
  std::vector<HWND> HiddenControls() const { return hidden_; }
  TRxTimer& Timer() { return *timer_; }
  // The current frame's pixels, row by row (0x00BBGGRR); empty when inactive.
  std::vector<COLORREF> FramePixels();

 protected:
  void PaintClient(HDC dc, const RECT& rect) override;
  virtual void StartPlay();
  virtual void StopPlay();
  void Paint(HDC dc) override;
  void FontChanged() override;
  void ColorChanged() override;
  void Resized() override;
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  template <typename T>
  T Read(const T& field) {
    const std::lock_guard guard(imageLock_);
    return field;
  }
  // Stores a value that the timer thread reads; true when it changed.
  template <typename T>
  bool Store(T& field, T value);
  // While active: a new image and layout, repainted.
  void Refresh();
  // While active: a new run from the start.
  void Restart();
  void LinesChanged();
  void GlyphChanged();
  void PrepareImage();
  void RenderFrame();
  void DrawGlyph(HDC dc);
  PanelLayout Layout() const;
  bool RightToLeft() const;

  bool active_ = false;
  TAlignment alignment_ = TAlignment::taCenter;
  std::vector<std::string> lines_;
  bool cycled_ = false;
  int scrollPos_ = 0;
  int scrollExtent_ = 0;
  std::uint8_t lineHeight_ = 1;
  int firstLine_ = 0;
  std::unique_ptr<TRxTimer> timer_;
  RECT textRect_{};
  RECT paintRect_{};
  POINT glyphOrigin_{};
  std::unique_ptr<ui::MemoryCanvas> image_;
  // The image's own copies of the font and the colours, so that the GUI
  // thread can change the panel's while a frame is drawn.
  ui::unique_hfont imageFont_;
  COLORREF imageColor_ = 0;
  COLORREF imageFontColor_ = 0;
  ui::unique_hbitmap glyph_;
  std::vector<HWND> hidden_;
  TBevelCut textStyle_ = TBevelCut::bvNone;
  TScrollDirection scrollDirection_ = TScrollDirection::sdVertical;
  TGlyphLayout glyphLayout_ = TGlyphLayout::glGlyphLeft;
  bool asyncDrawing_ = true;
  bool rightToLeft_ = false;

  // Held by every reader and writer of the lines, the layout, the scroll
  // state and the memory image, on either thread. Taken before the canvas
  // lock, never after it.
  ui::CanvasLock imageLock_;
  // Counts runs, so that the end of an old run cannot stop a new one.
  unsigned run_ = 0;
  bool destroying_ = false;
};

}  // namespace vantric
