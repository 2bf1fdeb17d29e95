#include "about/secret_panel.h"

#include <algorithm>
#include <mutex>

namespace vantric {
namespace {

constexpr std::size_t kMaxDrawnLength = 255;
constexpr int kGlyphGap = 3;

int Half(int value) { return value / 2; }

}  // namespace

bool IsBlankLine(const std::string& line) {
  return std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

PanelLayout CalcLayout(const PanelLayoutInput& in) {
  const int m = in.borderSize + kGlyphGap;
  PanelLayout out{in.client, in.client, {0, 0}};
  InflateRect(&out.paintRect, -in.borderSize, -in.borderSize);
  RECT& t = out.textRect;
  InflateRect(&t, -m, -m);
  const int gw = in.glyph.cx;
  const int gh = in.glyph.cy;
  POINT& g = out.glyphOrigin;
  switch (in.glyphLayout) {
    case TGlyphLayout::glGlyphLeft:
    case TGlyphLayout::glGlyphRight:
      g.y = std::max<LONG>(Half(t.top + t.bottom - gh), t.top);
      if (in.glyphLayout == TGlyphLayout::glGlyphLeft) {
        g.x = t.left;
        if (gw > 0) {
          g.x += kGlyphGap;
          t.left = g.x + gw + m;
        }
      } else {
        g.x = t.right - gw;
        if (gw > 0) {
          g.x = std::max<LONG>(g.x - kGlyphGap, t.left);
          t.right = g.x - m;
        }
      }
      break;
    case TGlyphLayout::glGlyphTop:
    case TGlyphLayout::glGlyphBottom:
      g.x = std::max<LONG>(Half(t.left + t.right - gw), t.left);
      if (in.glyphLayout == TGlyphLayout::glGlyphTop) {
        g.y = t.top;
        if (gh > 0) {
          g.y += kGlyphGap;
          t.top = g.y + gh + m + kGlyphGap;
        }
      } else {
        g.y = t.bottom - gh;
        if (gh > 0) {
          g.y = std::max<LONG>(g.y - kGlyphGap, t.top);
          t.bottom = g.y - (m + kGlyphGap);
        }
      }
      break;
  }
  if (in.direction == TScrollDirection::sdHorizontal) {
    const int spare = (t.bottom - t.top) - (in.lastNonBlankLine + 1 - in.firstLine) * in.lineHeight;
    if (spare > 0) {
      t.top += Half(spare);
      t.bottom -= Half(spare);
    }
  }
  if (t.left >= t.right || t.top >= t.bottom) t = RECT{0, 0, 0, 0};
  return out;
}

TSecretPanel::TSecretPanel() {
  SetBevelOuter(TBevelCut::bvLowered);
  timer_ = std::make_unique<TRxTimer>();
  timer_->SetEnabled(false);
  timer_->SetOnTimer([this](TRxTimer&) { TimerTick(); });
  timer_->SetInterval(30);
  timer_->SetSyncEvent(false);
}

TSecretPanel::~TSecretPanel() {
  destroying_ = true;
  SetActive(false);
  // Before anything the thread could reach goes: the timer waits for a tick
  // in progress (which uses timer_) and cuts the thread off.
  timer_->Shutdown();
  timer_.reset();
  DestroyHandle();
}

void TSecretPanel::SetAsyncDrawing(bool value) {
  if (value == asyncDrawing_) return;
  asyncDrawing_ = value;
  timer_->SetSyncEvent(!value);
}

void TSecretPanel::SetActive(bool value) {
  if (value == active_) return;
  if (value) {
    active_ = true;
    {
      const std::lock_guard guard(imageLock_);
      ++run_;
      scrollPos_ = 0;
    }
    try {
      PrepareImage();
    } catch (...) {
      // Nothing was started: leave the panel as it was.
      active_ = false;
      const std::lock_guard guard(imageLock_);
      image_.reset();
      throw;
    }
    try {
      timer_->SetEnabled(true);
      StartPlay();
    } catch (...) {
      active_ = false;
      timer_->SetEnabled(false);
      throw;
    }
    for (HWND child : Children()) {
      if (IsWindowVisible(child)) hidden_.push_back(child);
      ShowWindow(child, SW_HIDE);
    }
    Invalidate();
    return;
  }
  active_ = false;
  {
    // Waits for a frame in progress; the next tick finds no image.
    const std::lock_guard guard(imageLock_);
    timer_->SetEnabled(false);
    scrollPos_ = 0;
    image_.reset();
  }
  StopPlay();
  if (!destroying_) {
    for (HWND child : hidden_) {
      ShowWindow(child, SW_SHOWNA);
      InvalidateRect(child, nullptr, TRUE);
    }
  }
  hidden_.clear();
  Invalidate();
}

template <typename T>
bool TSecretPanel::Store(T& field, T value) {
  if (field == value) return false;
  const std::lock_guard guard(imageLock_);
  field = value;
  return true;
}

void TSecretPanel::Refresh() {
  if (!active_) return;
  PrepareImage();
  Invalidate();
}

void TSecretPanel::SetCycled(bool value) { Store(cycled_, value); }

void TSecretPanel::SetRightToLeft(bool value) { Store(rightToLeft_, value); }

void TSecretPanel::SetAlignment(TAlignment value) {
  if (Store(alignment_, value) && active_) Invalidate();
}

void TSecretPanel::SetGlyph(HBITMAP glyph) {
  ui::unique_hbitmap copy;
  if (glyph) copy.reset(static_cast<HBITMAP>(CopyImage(glyph, IMAGE_BITMAP, 0, 0, 0)));
  {
    const std::lock_guard guard(imageLock_);
    glyph_ = std::move(copy);
  }
  GlyphChanged();
}

void TSecretPanel::SetGlyphLayout(TGlyphLayout value) {
  if (Store(glyphLayout_, value)) Refresh();
}

void TSecretPanel::SetLines(std::vector<std::string> lines) {
  {
    const std::lock_guard guard(imageLock_);
    lines_ = std::move(lines);
  }
  LinesChanged();
}

void TSecretPanel::SetScrollDirection(TScrollDirection value) {
  if (Store(scrollDirection_, value)) Restart();
}

void TSecretPanel::SetTextStyle(TBevelCut value) {
  if (Store(textStyle_, value)) Refresh();
}

int TSecretPanel::BorderSize() const {
  int size = BorderWidth();
  if (BevelOuter() != TBevelCut::bvNone) size += BevelWidth();
  if (BevelInner() != TBevelCut::bvNone) size += BevelWidth();
  return size;
}

void TSecretPanel::Restart() {
  if (!active_) return;
  const std::lock_guard guard(imageLock_);
  scrollPos_ = 0;
  Refresh();
}

void TSecretPanel::LinesChanged() { Restart(); }

void TSecretPanel::GlyphChanged() { Refresh(); }

void TSecretPanel::FontChanged() {
  if (active_) PrepareImage();
}

void TSecretPanel::ColorChanged() {
  if (active_) PrepareImage();
}

void TSecretPanel::Resized() { Refresh(); }

PanelLayout TSecretPanel::Layout() const {
  SIZE glyph{0, 0};
  BITMAP info{};
  if (glyph_ && GetObjectA(glyph_.get(), sizeof info, &info)) glyph = {info.bmWidth, info.bmHeight};
  int lastNonBlank = static_cast<int>(lines_.size()) - 1;
  while (lastNonBlank >= 0 && IsBlankLine(lines_[lastNonBlank])) --lastNonBlank;
  return CalcLayout({ClientRect(), BorderSize(), glyph, glyphLayout_, scrollDirection_, firstLine_,
                     lastNonBlank, lineHeight_});
}

void TSecretPanel::PrepareImage() {
  const std::lock_guard guard(imageLock_);
  if (!image_) image_ = std::make_unique<ui::MemoryCanvas>();

  const auto first =
      std::find_if(lines_.begin(), lines_.end(), [](const auto& l) { return !IsBlankLine(l); });
  firstLine_ = static_cast<int>(first - lines_.begin());

  const ui::unique_hdc_window canvas(handle());
  const ui::SelectObjectScope font(canvas.get(), Font());
  TEXTMETRICA metrics{};
  GetTextMetricsA(canvas.get(), &metrics);
  lineHeight_ = static_cast<std::uint8_t>(metrics.tmHeight + metrics.tmExternalLeading);
  if (textStyle_ != TBevelCut::bvNone) ++lineHeight_;

  const PanelLayout layout = Layout();
  textRect_ = layout.textRect;
  paintRect_ = layout.paintRect;
  glyphOrigin_ = layout.glyphOrigin;
  const int width = textRect_.right - textRect_.left;
  const int height = textRect_.bottom - textRect_.top;

  if (scrollDirection_ == TScrollDirection::sdHorizontal) {
    int widest = 0;
    for (std::size_t i = static_cast<std::size_t>(firstLine_); i < lines_.size(); ++i) {
      SIZE size{};
      GetTextExtentPoint32A(canvas.get(), lines_[i].c_str(), static_cast<int>(lines_[i].size()), &size);
      widest = std::max(widest, static_cast<int>(size.cx));
    }
    scrollExtent_ = widest + width;
  } else {
    scrollExtent_ = height + (static_cast<int>(lines_.size()) - firstLine_) * lineHeight_;
  }

  image_->Resize(width, height);
  LOGFONTA logFont{};
  GetObjectA(Font(), sizeof logFont, &logFont);
  ui::unique_hfont imageFont(CreateFontIndirectA(&logFont));
  image_->SelectFont(imageFont.get());
  imageFont_ = std::move(imageFont);  // the old one is no longer selected
  imageColor_ = Color();
  imageFontColor_ = FontColor();
  SetTextColor(image_->dc(), imageFontColor_);
  SetBkMode(image_->dc(), TRANSPARENT);
}

bool TSecretPanel::RightToLeft() const { return rightToLeft_ && GetSystemMetrics(SM_MIDEASTENABLED); }

void TSecretPanel::RenderFrame() {
  const std::lock_guard guard(imageLock_);
  // Checked under the lock: deactivation destroys the image while holding it.
  if (!image_ || lines_.empty() || IsRectEmpty(&textRect_) || !handle()) return;
  HDC dc = image_->dc();
  const int width = textRect_.right - textRect_.left;
  const int height = textRect_.bottom - textRect_.top;

  {
    // A handler that throws must not leave the image drawn off by the text
    // area's corner from then on, nor keep the brush selected.
    const ui::unique_hbrush brush(CreateSolidBrush(imageColor_));
    const ui::SaveDcScope saved(dc);
    SetWindowOrgEx(dc, textRect_.left, textRect_.top, nullptr);
    const ui::SelectObjectScope selected(dc, brush.get());
    PaintClient(dc, paintRect_);
  }
  SetBkMode(dc, TRANSPARENT);

  RECT row{0, 0, width, height};
  const bool rtl = RightToLeft();
  if (scrollDirection_ == TScrollDirection::sdVertical) {
    row.top = height - scrollPos_;
  } else {
    const int widest = scrollExtent_ - width;
    if (rtl) {
      row.right = scrollPos_;
      row.left = row.right - widest;
    } else {
      row.left = width - scrollPos_;
      row.right = row.left + widest;
    }
  }
  row.bottom = row.top + lineHeight_;

  UINT flags = DT_SINGLELINE | DT_EXPANDTABS | DT_NOCLIP | DT_NOPREFIX;
  switch (alignment_) {
    case TAlignment::taLeftJustify: flags |= rtl ? DT_RIGHT : DT_LEFT; break;
    case TAlignment::taRightJustify: flags |= rtl ? DT_LEFT : DT_RIGHT; break;
    case TAlignment::taCenter: flags |= DT_CENTER; break;
  }
  if (rtl) flags |= DT_RTLREADING;

  for (std::size_t i = static_cast<std::size_t>(firstLine_); i < lines_.size(); ++i) {
    if (row.top >= height) break;
    if (row.bottom > 0) {
      const std::string text = lines_[i].substr(0, kMaxDrawnLength);
      const int length = static_cast<int>(text.size());
      if (textStyle_ != TBevelCut::bvNone) {
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        RECT shadow = row;
        if (textStyle_ == TBevelCut::bvLowered) OffsetRect(&shadow, 1, 1);
        if (textStyle_ == TBevelCut::bvRaised) OffsetRect(&shadow, -1, -1);
        if (textStyle_ != TBevelCut::bvSpace) DrawTextA(dc, text.c_str(), length, &shadow, flags);
        SetTextColor(dc, imageFontColor_);
        SetBkMode(dc, TRANSPARENT);
      }
      DrawTextA(dc, text.c_str(), length, &row, flags);
    }
    OffsetRect(&row, 0, lineHeight_);
  }

  const std::lock_guard canvasGuard(Canvas());
  const ui::unique_hdc_window screen(handle());
  BitBlt(screen.get(), textRect_.left, textRect_.top, width, height, dc, 0, 0, SRCCOPY);
  ValidateRect(handle(), &textRect_);
}

void TSecretPanel::TimerTick() {
  unsigned run = 0;
  {
    const std::lock_guard guard(imageLock_);
    // A tick that waited for the lock while the panel was switched off.
    if (!timer_->Enabled()) return;
    run = run_;
    if (scrollPos_ < scrollExtent_) {
      ++scrollPos_;
      RenderFrame();
      return;
    }
    if (cycled_) {
      scrollPos_ = 0;
      RenderFrame();
      return;
    }
  }
  // Not under the lock: deactivation takes it on the GUI thread.
  timer_->SyncCall([this, run] {
    {
      const std::lock_guard guard(imageLock_);
      // The panel was switched off and on since: the new run goes on.
      if (run != run_) return;
    }
    SetActive(false);
  });
}

void TSecretPanel::PaintClient(HDC dc, const RECT& rect) {
  if (OnPaintClient) {
    OnPaintClient(*this, dc, rect);
  } else {
    ui::Panel::PaintClient(dc, rect);
  }
}

void TSecretPanel::StartPlay() {
  if (OnStartPlay) OnStartPlay(*this);
}

void TSecretPanel::StopPlay() {
  if (OnStopPlay) OnStopPlay(*this);
}

void TSecretPanel::Paint(HDC dc) {
  ui::Panel::Paint(dc);
  if (active_) DrawGlyph(dc);
}

void TSecretPanel::DrawGlyph(HDC dc) {
  if (!glyph_) return;
  const PanelLayout layout = Layout();
  BITMAP info{};
  GetObjectA(glyph_.get(), sizeof info, &info);
  const ui::unique_hdc source(CreateCompatibleDC(dc));
  const ui::SelectObjectScope selected(source.get(), glyph_.get());
  const COLORREF transparent = GetPixel(source.get(), 0, info.bmHeight - 1) & ~0x02000000u;
  TransparentBlt(dc, layout.glyphOrigin.x, layout.glyphOrigin.y, info.bmWidth, info.bmHeight, source.get(), 0,
                 0, info.bmWidth, info.bmHeight, transparent);
}

LRESULT TSecretPanel::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    // Destroyed with its parent: the thread stops drawing before the handle goes.
    destroying_ = true;
    SetActive(false);
  }
  if (message == WM_PAINT || message == WM_PRINTCLIENT) {
    // The image lock first, as the timer thread takes them.
    const std::lock_guard guard(imageLock_);
    return ui::Panel::OnMessage(message, wParam, lParam);
  }
  return ui::Panel::OnMessage(message, wParam, lParam);
}

std::vector<COLORREF> TSecretPanel::FramePixels() {
  const std::lock_guard guard(imageLock_);
  if (!image_ || image_->Width() <= 0 || image_->Height() <= 0) return {};
  const int width = image_->Width();
  const int height = image_->Height();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  const ui::unique_hbitmap section(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  const ui::unique_hdc copy(CreateCompatibleDC(nullptr));
  if (!section || !copy) return {};
  {
    const ui::SelectObjectScope selected(copy.get(), section.get());
    BitBlt(copy.get(), 0, 0, width, height, image_->dc(), 0, 0, SRCCOPY);
  }
  std::vector<COLORREF> pixels(static_cast<std::size_t>(width) * height);
  const auto* source = static_cast<const DWORD*>(bits);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const DWORD bgra = source[i];
    pixels[i] = RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF);
  }
  return pixels;
}

}  // namespace vantric
