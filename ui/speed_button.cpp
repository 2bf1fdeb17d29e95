#include "ui/speed_button.h"
#include "ui/wide_text.h"

#include <cctype>

namespace vantric::ui {
namespace {

constexpr int kGlyphSpacing = 4;

// The checked pattern Windows uses for a button that is held down.
unique_hbrush DitherBrush() {
  static const WORD kBits[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
  const unique_hbitmap pattern(CreateBitmap(8, 8, 1, 1, kBits));
  return unique_hbrush(CreatePatternBrush(pattern.get()));
}

}  // namespace

SpeedButton::~SpeedButton() { DestroyHandle(); }

void SpeedButton::Create(HWND parent, const Options& options, int left, int top, int width, int height) {
  options_ = options;
  Window::Create({.name = "VantricSpeedButton"}, 0, options.caption, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                 {left, top, left + width, top + height}, parent);
}

char SpeedButton::Accelerator() const {
  const std::string& text = options_.caption;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] != '&') return static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
    ++i;
  }
  return 0;
}

void SpeedButton::SetDown(bool down) {
  if (down == down_) return;
  down_ = down;
  InvalidateRect(handle(), nullptr, TRUE);
}

void SpeedButton::Click() {
  if (options_.toggle) SetDown(!down_);
  if (OnClick) OnClick();
}

void SpeedButton::SetHot(bool hot) {
  if (hot == hot_) return;
  hot_ = hot;
  InvalidateRect(handle(), nullptr, TRUE);
}

bool SpeedButton::ContainsClientPoint(POINT point) const {
  RECT client{};
  GetClientRect(handle(), &client);
  return PtInRect(&client, point) != FALSE;
}

void SpeedButton::Paint(HDC dc) const {
  RECT client{};
  GetClientRect(handle(), &client);
  const bool sunken = down_ || (pressed_ && hot_);

  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  if (down_ && !pressed_) {
    const unique_hbrush dither = DitherBrush();
    const COLORREF oldText = SetTextColor(dc, GetSysColor(COLOR_BTNFACE));
    const COLORREF oldBack = SetBkColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    RECT inner = client;
    InflateRect(&inner, -1, -1);
    FillRect(dc, &inner, dither.get());
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
  }
  if (sunken) {
    DrawEdge(dc, &client, BDR_SUNKENOUTER, BF_RECT);
  } else if (hot_) {
    DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);
  }

  // Glyph and caption side by side, centred together.
  const int shift = sunken ? 1 : 0;
  SIZE textSize{};
  {
    const SelectObjectScope font(dc, options_.font ? options_.font : GetStockObject(DEFAULT_GUI_FONT));
    RECT measure{0, 0, 0, 0};
    DrawTextA(dc, options_.caption.c_str(), -1, &measure, DT_SINGLELINE | DT_CALCRECT);
    textSize = {measure.right - measure.left, measure.bottom - measure.top};
  }
  BITMAP glyphInfo{};
  const bool hasGlyph = options_.glyph && GetObjectA(options_.glyph, sizeof glyphInfo, &glyphInfo);
  const int glyphWidth = hasGlyph ? glyphInfo.bmWidth : 0;
  const int glyphHeight = hasGlyph ? glyphInfo.bmHeight : 0;
  const int total = glyphWidth + (hasGlyph && !options_.caption.empty() ? kGlyphSpacing : 0) + textSize.cx;
  int x = (client.right - total) / 2 + shift;
  if (hasGlyph) {
    const int y = (client.bottom - glyphHeight) / 2 + shift;
    const unique_hdc memory(CreateCompatibleDC(dc));
    const SelectObjectScope bitmap(memory.get(), options_.glyph);
    const COLORREF transparent = GetPixel(memory.get(), 0, glyphHeight - 1);
    TransparentBlt(dc, x, y, glyphWidth, glyphHeight, memory.get(), 0, 0, glyphWidth, glyphHeight,
                   transparent);
    x += glyphWidth + kGlyphSpacing;
  }
  const SelectObjectScope font(dc, options_.font ? options_.font : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  RECT text{x, shift, x + textSize.cx, client.bottom + shift};
  DrawTextA(dc, options_.caption.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
}

LRESULT SpeedButton::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      const PaintScope paint(handle());
      Paint(paint.get());
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_MOUSEMOVE: {
      // Asked again on every move: a capture in between may have cancelled
      // the earlier request, and then the leave would never be reported.
      TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, handle(), 0};
      TrackMouseEvent(&track);
      const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      SetHot(ContainsClientPoint(at));
      return 0;
    }
    case WM_MOUSELEAVE: SetHot(false); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      pressed_ = true;
      hot_ = true;
      SetCapture(handle());
      InvalidateRect(handle(), nullptr, TRUE);
      return 0;
    case WM_LBUTTONUP: {
      const bool click = pressed_ && hot_;
      pressed_ = false;
      if (GetCapture() == handle()) ReleaseCapture();
      InvalidateRect(handle(), nullptr, TRUE);
      if (click) Click();
      return 0;
    }
    case WM_CAPTURECHANGED: {
      pressed_ = false;
      // Where the pointer is now decides the edge, not where it was pressed.
      POINT cursor{};
      GetCursorPos(&cursor);
      ScreenToClient(handle(), &cursor);
      SetHot(ContainsClientPoint(cursor));
      InvalidateRect(handle(), nullptr, TRUE);
      return 0;
    }
    case WM_GETFONT: return reinterpret_cast<LRESULT>(options_.font);
    case WM_SETTEXT:
      options_.caption = lParam ? Utf8Text(reinterpret_cast<const wchar_t*>(lParam)) : std::string();
      InvalidateRect(handle(), nullptr, TRUE);
      break;
    default: break;
  }
  return DefaultMessage(message, wParam, lParam);
}

}  // namespace vantric::ui
