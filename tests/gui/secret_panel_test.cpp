// The scrolling panel and its timer, on real windows. Most tests keep the
// timer thread still (interval 0) and tick by hand, so every frame is known;
// the others let the thread run and wait for what it does.

#include "about/secret_panel.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/gui/about_test_support.h"

namespace vantric {
namespace {

using testing::App;
using testing::PumpFor;
using testing::PumpUntil;

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlack = 0x000000;

bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

struct LayoutCase {
  const char* name;
  PanelLayoutInput input;
  RECT textRect;
  RECT paintRect;
  POINT glyph;
};

TEST(CalcLayout, PlacesGlyphAndTextForEveryLayout) {
  using enum TGlyphLayout;
  using enum TScrollDirection;
  const RECT client{0, 0, 100, 80};
  const LayoutCase cases[] = {
      // No border: m = 3, so the text area starts 3 pixels in.
      {"left", {client, 0, {16, 16}, glGlyphLeft, sdVertical, 0, 0, 10}, {25, 3, 97, 77}, client, {6, 32}},
      {"right", {client, 0, {16, 16}, glGlyphRight, sdVertical, 0, 0, 10}, {3, 3, 75, 77}, client, {78, 32}},
      {"top", {client, 0, {16, 16}, glGlyphTop, sdVertical, 0, 0, 10}, {3, 28, 97, 77}, client, {42, 6}},
      {"bottom",
       {client, 0, {16, 16}, glGlyphBottom, sdVertical, 0, 0, 10},
       {3, 3, 97, 52},
       client,
       {42, 58}},
      {"no glyph", {client, 0, {0, 0}, glGlyphLeft, sdVertical, 0, 0, 10}, {3, 3, 97, 77}, client, {3, 40}},
      {"no glyph below",
       {client, 0, {0, 0}, glGlyphBottom, sdVertical, 0, 0, 10},
       {3, 3, 97, 77},
       client,
       {50, 77}},
      {"border 2",
       {client, 2, {16, 16}, glGlyphLeft, sdVertical, 0, 0, 10},
       {29, 5, 95, 75},
       {2, 2, 98, 78},
       {8, 32}},
      {"glyph taller than the area",
       {client, 0, {16, 100}, glGlyphLeft, sdVertical, 0, 0, 10},
       {25, 3, 97, 77},
       client,
       {6, 3}},
      {"client off the origin",
       {{10, 20, 110, 100}, 0, {16, 16}, glGlyphLeft, sdVertical, 0, 0, 10},
       {35, 23, 107, 97},
       {10, 20, 110, 100},
       {16, 52}},
      // Three rows of 10 in 74 pixels: 44 spare, 22 above and below.
      {"horizontal block centred",
       {client, 0, {0, 0}, glGlyphLeft, sdHorizontal, 2, 4, 10},
       {3, 25, 97, 55},
       client,
       {3, 40}},
      {"horizontal rows fill the area",
       {client, 0, {0, 0}, glGlyphLeft, sdHorizontal, 0, 9, 10},
       {3, 3, 97, 77},
       client,
       {3, 40}},
      // Nothing to show: the block of rows is "negative", and so is the area.
      {"horizontal, all blank",
       {client, 0, {0, 0}, glGlyphLeft, sdHorizontal, 3, -1, 10},
       {0, 0, 0, 0},
       client,
       {3, 40}},
      {"too small",
       {{0, 0, 20, 20}, 0, {16, 16}, glGlyphLeft, sdVertical, 0, 0, 10},
       {0, 0, 0, 0},
       {0, 0, 20, 20},
       {6, 3}},
      {"too small for the borders",
       {{0, 0, 10, 10}, 3, {0, 0}, glGlyphLeft, sdVertical, 0, 0, 10},
       {0, 0, 0, 0},
       {3, 3, 7, 7},
       {6, 6}},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    const PanelLayout layout = CalcLayout(c.input);
    EXPECT_TRUE(layout.textRect == c.textRect) << layout.textRect.left << "," << layout.textRect.top << ","
                                               << layout.textRect.right << "," << layout.textRect.bottom;
    EXPECT_TRUE(layout.paintRect == c.paintRect);
    EXPECT_EQ(layout.glyphOrigin.x, c.glyph.x);
    EXPECT_EQ(layout.glyphOrigin.y, c.glyph.y);
  }
}

class SecretPanelTest : public ::testing::Test {
 protected:
  void SetUp() override { App(); }

  TSecretPanel& Make(int width = 200, int height = 100, int fontHeight = -20) {
    panel_ = std::make_unique<TSecretPanel>();
    panel_->CreatePanel(host_.get(), 0, 0, width, height);
    panel_->SetBevelOuter(TBevelCut::bvNone);
    panel_->SetColor(kWhite);
    LOGFONTA font{};
    font.lfHeight = fontHeight;
    font.lfWeight = FW_BOLD;
    lstrcpynA(font.lfFaceName, "Arial", LF_FACESIZE);
    panel_->SetFont(font, kBlack);
    // The thread stays still: the test ticks.
    panel_->SetInterval(0);
    return *panel_;
  }

  int Height() {
    const RECT text = panel_->TextRect();
    return text.bottom - text.top;
  }
  int Width() {
    const RECT text = panel_->TextRect();
    return text.right - text.left;
  }

  // Rows (or columns) of the current frame that hold text pixels.
  std::vector<int> DarkRows(bool columns = false) {
    const std::vector<COLORREF> pixels = panel_->FramePixels();
    const int width = Width();
    std::vector<int> found;
    const int outer = columns ? width : Height();
    const int inner = columns ? Height() : width;
    for (int a = 0; a < outer; ++a) {
      for (int b = 0; b < inner; ++b) {
        const int x = columns ? a : b;
        const int y = columns ? b : a;
        if (pixels[static_cast<std::size_t>(y) * width + x] != kWhite) {
          found.push_back(a);
          break;
        }
      }
    }
    return found;
  }

  ui::unique_hwnd host_ = testing::MakeHostWindow(400, 300);
  std::unique_ptr<TSecretPanel> panel_;
};

TEST_F(SecretPanelTest, DefaultsAsConstructed) {
  TSecretPanel panel;
  EXPECT_FALSE(panel.Active());
  EXPECT_TRUE(panel.AsyncDrawing());
  EXPECT_EQ(panel.Alignment(), TAlignment::taCenter);
  EXPECT_FALSE(panel.Cycled());
  EXPECT_EQ(panel.Glyph(), nullptr);
  EXPECT_EQ(panel.GlyphLayout(), TGlyphLayout::glGlyphLeft);
  EXPECT_EQ(panel.Interval(), 30u);
  EXPECT_TRUE(panel.Lines().empty());
  EXPECT_EQ(panel.ScrollDirection(), TScrollDirection::sdVertical);
  EXPECT_EQ(panel.TextStyle(), TBevelCut::bvNone);
  EXPECT_EQ(panel.BevelOuter(), TBevelCut::bvLowered);
  EXPECT_EQ(panel.BevelInner(), TBevelCut::bvNone);
  EXPECT_EQ(panel.BevelWidth(), 1);
  EXPECT_EQ(panel.BorderWidth(), 0);
  EXPECT_EQ(panel.BorderSize(), 1);
  EXPECT_EQ(panel.LineHeight(), 1);
  EXPECT_FALSE(panel.Timer().Enabled());
  EXPECT_FALSE(panel.Timer().SyncEvent());
  EXPECT_TRUE(panel.Timer().ThreadSuspended());

  panel.SetBevelInner(TBevelCut::bvRaised);
  panel.SetBevelWidth(2);
  panel.SetBorderWidth(3);
  EXPECT_EQ(panel.BorderSize(), 7);
  panel.SetAsyncDrawing(false);
  EXPECT_TRUE(panel.Timer().SyncEvent());
}

TEST_F(SecretPanelTest, SkipsLeadingBlankLinesAndCountsTrailingOnes) {
  TSecretPanel& panel = Make();
  panel.SetLines({"", "   ", "\t\x01", "first", "", "", "last", " ", ""});
  panel.SetActive(true);
  const int lineHeight = panel.LineHeight();
  EXPECT_EQ(panel.FirstLine(), 3);
  EXPECT_EQ(panel.ScrollExtent(), Height() + 6 * lineHeight);

  // The first non-blank line enters first: after one line height of ticks it
  // fills the bottom row of the frame.
  for (int i = 0; i < lineHeight; ++i) panel.TimerTick();
  const std::vector<int> rows = DarkRows();
  ASSERT_FALSE(rows.empty());
  EXPECT_GE(rows.front(), Height() - lineHeight);

  panel.SetLines({"", " ", "\r\n"});
  EXPECT_EQ(panel.FirstLine(), 3);
  EXPECT_EQ(panel.ScrollExtent(), Height());
  for (int i = 0; i < Height(); ++i) panel.TimerTick();
  EXPECT_TRUE(DarkRows().empty());
}

TEST_F(SecretPanelTest, HorizontalExtentIsTheWidestLineOnTheTextWidth) {
  TSecretPanel& panel = Make(300, 100);
  const std::vector<std::string> lines = {"", "short", "a much longer line of text", "mid line"};
  panel.SetLines(lines);
  panel.SetScrollDirection(TScrollDirection::sdHorizontal);
  panel.SetActive(true);

  const ui::unique_hdc_window dc(panel.handle());
  const ui::SelectObjectScope font(dc.get(), panel.Font());
  SIZE widest{};
  GetTextExtentPoint32A(dc.get(), lines[2].c_str(), static_cast<int>(lines[2].size()), &widest);
  EXPECT_EQ(panel.ScrollExtent(), widest.cx + Width());
  // Three rows, centred in the height.
  EXPECT_EQ(Height(), 3 * panel.LineHeight() + (94 - 3 * panel.LineHeight()) % 2);

  // Rows enter at the right edge and move left.
  for (int i = 0; i < 20; ++i) panel.TimerTick();
  const std::vector<int> columns = DarkRows(true);
  ASSERT_FALSE(columns.empty());
  EXPECT_GE(columns.front(), Width() - 20);
}

TEST_F(SecretPanelTest, FrameShowsTheRowWhereTheScrollPositionPutsIt) {
  TSecretPanel& panel = Make(200, 120);
  panel.SetLines({"MMMMMMMM"});
  panel.SetActive(true);
  const int lineHeight = panel.LineHeight();
  const int height = Height();
  for (int ticks : {lineHeight, 50, height, height + lineHeight / 2}) {
    SCOPED_TRACE(ticks);
    while (panel.ScrollPosition() < ticks) panel.TimerTick();
    const int rowTop = height - ticks;
    const std::vector<int> rows = DarkRows();
    ASSERT_FALSE(rows.empty());
    EXPECT_GE(rows.front(), std::max(rowTop, 0));
    EXPECT_LT(rows.back(), rowTop + lineHeight);
  }
  // The copy to the screen is what the frame holds.
  const std::vector<COLORREF> frame = panel.FramePixels();
  const RECT text = panel.TextRect();
  const ui::unique_hdc_window screen(panel.handle());
  int dark = 0;
  int matches = 0;
  for (int y = 0; y < Height(); y += 3) {
    for (int x = 0; x < Width(); x += 3) {
      const COLORREF expected = frame[static_cast<std::size_t>(y) * Width() + x];
      dark += expected != kWhite;
      matches += GetPixel(screen.get(), text.left + x, text.top + y) == expected;
    }
  }
  EXPECT_GT(dark, 0);
  EXPECT_EQ(matches, ((Height() + 2) / 3) * ((Width() + 2) / 3));
}

TEST_F(SecretPanelTest, SpaceStyleDrawsRowsOnePixelFurtherApart) {
  TSecretPanel& panel = Make();
  panel.SetLines({"one", "two"});
  panel.SetActive(true);
  const int plain = panel.LineHeight();
  const int plainExtent = panel.ScrollExtent();
  panel.SetTextStyle(TBevelCut::bvSpace);
  EXPECT_EQ(panel.LineHeight(), plain + 1);
  EXPECT_EQ(panel.ScrollExtent(), plainExtent + 2);
  panel.SetTextStyle(TBevelCut::bvRaised);
  EXPECT_EQ(panel.LineHeight(), plain + 1);
}

TEST_F(SecretPanelTest, RunLastsExtentPlusOneTicksThenStopsOnce) {
  TSecretPanel& panel = Make();
  panel.SetLines({"a", "b"});
  int stops = 0;
  int starts = 0;
  panel.OnStopPlay = [&](TSecretPanel& sender) {
    EXPECT_EQ(&sender, &panel);
    EXPECT_FALSE(sender.Active());
    ++stops;
  };
  panel.OnStartPlay = [&](TSecretPanel&) { ++starts; };
  panel.SetActive(true);
  EXPECT_EQ(starts, 1);
  const int extent = panel.ScrollExtent();
  for (int i = 0; i < extent; ++i) panel.TimerTick();
  EXPECT_TRUE(panel.Active());
  EXPECT_EQ(panel.ScrollPosition(), extent);
  panel.TimerTick();
  EXPECT_FALSE(panel.Active());
  EXPECT_EQ(stops, 1);
  EXPECT_TRUE(panel.FramePixels().empty()) << "the image goes with the run";

  // Cycled: the tick after the end starts the next run instead.
  panel.SetCycled(true);
  panel.SetActive(true);
  for (int i = 0; i < extent; ++i) panel.TimerTick();
  panel.TimerTick();
  EXPECT_TRUE(panel.Active());
  EXPECT_EQ(panel.ScrollPosition(), 0);
  panel.SetActive(true);  // no change: the run goes on
  panel.TimerTick();
  EXPECT_EQ(panel.ScrollPosition(), 1);
  EXPECT_EQ(stops, 1);
}

TEST_F(SecretPanelTest, ThreadEndsANonCycledRunOnTheGuiThreadOnce) {
  TSecretPanel& panel = Make(120, 40, -8);
  panel.SetLines({"x"});
  HWND child = CreateWindowExA(0, "STATIC", "child", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, panel.handle(),
                               nullptr, nullptr, nullptr);
  std::vector<DWORD> stopThreads;
  const DWORD gui = GetCurrentThreadId();
  // The paint operation calls the handler too, on the GUI thread.
  std::atomic<int> ticks{0};
  panel.OnPaintClient = [&](TSecretPanel&, HDC dc, RECT rect) {
    if (GetCurrentThreadId() != gui) ++ticks;
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  };
  panel.OnStopPlay = [&](TSecretPanel&) {
    stopThreads.push_back(GetCurrentThreadId());
    EXPECT_TRUE(IsWindowVisible(child) == FALSE) << "children come back after OnStopPlay";
  };
  panel.SetInterval(1);
  panel.SetActive(true);
  EXPECT_FALSE(IsWindowVisible(child));
  const int extent = panel.ScrollExtent();
  ASSERT_TRUE(PumpUntil([&] { return !stopThreads.empty(); }));
  PumpFor(100);
  EXPECT_EQ(stopThreads, std::vector<DWORD>{gui});
  EXPECT_EQ(ticks, extent) << "one frame per pixel on the timer's thread, none after the end";
  EXPECT_FALSE(panel.Active());
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_TRUE(panel.Timer().ThreadSuspended());
}

// Every change of the interval suspends and resumes the timer thread, so
// the GUI thread retunes it all through the runs and now and then starts a
// run over: each run still ends exactly once, on the GUI thread, with the
// children back.
TEST_F(SecretPanelTest, RunsEndOnceOnTheGuiThreadWhileTheTimerIsRetuned) {
  // Too small for a text area: every run is a single tick.
  TSecretPanel& panel = Make(6, 6, -8);
  const HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 2, 2, panel.handle(),
                                     nullptr, nullptr, nullptr);
  const DWORD gui = GetCurrentThreadId();
  std::atomic<int> stops{0};
  std::atomic<int> stopsOffGui{0};
  panel.OnStopPlay = [&](TSecretPanel&) {
    if (GetCurrentThreadId() != gui) ++stopsOffGui;
    ++stops;
  };
  DWORD interval = 1;
  int runs = 0;
  int childHidden = 0;
  for (int i = 0; i < 300; ++i) {
    panel.SetActive(true);
    ++runs;
    const int restartAt = i % 3 == 0 ? i % 5 : -1;
    const ULONGLONG deadline = GetTickCount64() + 10000;
    for (int spin = 0; stops < runs; ++spin) {
      ASSERT_LT(GetTickCount64(), deadline) << "run " << i << " never ended";
      if (spin == restartAt && panel.Active()) {
        panel.SetActive(false);
        panel.SetActive(true);
        ++runs;
      }
      // A new colour rebuilds the image under its lock: a tick that waits
      // for the lock reaches the end of the run just as the interval changes.
      panel.SetColor(spin % 2 ? kWhite : kBlack);
      interval = 3 - interval;  // 1 and 2 in turn
      panel.SetInterval(interval);
      App().ProcessMessages();
    }
    ASSERT_EQ(stops, runs) << "run " << i;
    if (!IsWindowVisible(child)) ++childHidden;
  }
  PumpFor(50);
  EXPECT_EQ(stops, runs);
  EXPECT_EQ(stopsOffGui, 0);
  EXPECT_EQ(childHidden, 0);
}

TEST_F(SecretPanelTest, SynchronousDrawingTicksOnTheGuiThread) {
  TSecretPanel& panel = Make(120, 40, -8);
  panel.SetLines({"x"});
  panel.SetAsyncDrawing(false);
  panel.SetCycled(true);
  std::vector<DWORD> threads;
  panel.OnPaintClient = [&](TSecretPanel&, HDC, RECT) { threads.push_back(GetCurrentThreadId()); };
  panel.SetInterval(1);
  panel.SetActive(true);
  ASSERT_TRUE(PumpUntil([&] { return threads.size() >= 5; }));
  panel.SetActive(false);
  EXPECT_EQ(threads, std::vector<DWORD>(threads.size(), GetCurrentThreadId()));
}

TEST_F(SecretPanelTest, ActivationHidesChildrenAndShowsBackOnlyThoseItHid) {
  TSecretPanel& panel = Make();
  const auto child = [&](bool visible) {
    return CreateWindowExA(0, "STATIC", "", WS_CHILD | (visible ? WS_VISIBLE : 0), 0, 0, 10, 10,
                           panel.handle(), nullptr, nullptr, nullptr);
  };
  const HWND shown = child(true);
  const HWND hidden = child(false);
  const HWND shownToo = child(true);
  panel.SetActive(true);
  EXPECT_FALSE(IsWindowVisible(shown));
  EXPECT_FALSE(IsWindowVisible(shownToo));
  EXPECT_EQ(panel.HiddenControls(), (std::vector<HWND>{shown, shownToo}));
  panel.SetActive(false);
  EXPECT_TRUE(IsWindowVisible(shown));
  EXPECT_TRUE(IsWindowVisible(shownToo));
  EXPECT_FALSE(IsWindowVisible(hidden));
  EXPECT_TRUE(panel.HiddenControls().empty());
}

TEST_F(SecretPanelTest, ZeroIntervalKeepsTheThreadSuspended) {
  TSecretPanel& panel = Make();
  panel.SetLines({"a"});
  panel.SetActive(true);
  EXPECT_TRUE(panel.Timer().Enabled());
  EXPECT_TRUE(panel.Timer().ThreadSuspended());
  PumpFor(150);
  EXPECT_EQ(panel.ScrollPosition(), 0);
  EXPECT_TRUE(panel.Active());
  panel.SetInterval(1);
  EXPECT_FALSE(panel.Timer().ThreadSuspended());
  ASSERT_TRUE(PumpUntil([&] { return panel.ScrollPosition() > 3; }));
  panel.SetActive(false);
  EXPECT_TRUE(panel.Timer().ThreadSuspended());
  EXPECT_EQ(panel.ScrollPosition(), 0);
}

TEST_F(SecretPanelTest, NewLinesRestartTheRunANewFontKeepsThePosition) {
  TSecretPanel& panel = Make();
  panel.SetLines({"a", "b", "c"});
  panel.SetActive(true);
  for (int i = 0; i < 25; ++i) panel.TimerTick();
  const int height = panel.LineHeight();

  LOGFONTA font{};
  font.lfHeight = -40;
  lstrcpynA(font.lfFaceName, "Arial", LF_FACESIZE);
  panel.SetFont(font, kBlack);
  EXPECT_EQ(panel.ScrollPosition(), 25);
  EXPECT_GT(panel.LineHeight(), height);
  panel.SetColor(0x00FFFF);
  EXPECT_EQ(panel.ScrollPosition(), 25);
  panel.SetAlignment(TAlignment::taLeftJustify);
  EXPECT_EQ(panel.ScrollPosition(), 25);

  panel.SetLines({"d"});
  EXPECT_EQ(panel.ScrollPosition(), 0);
  EXPECT_EQ(panel.ScrollExtent(), Height() + panel.LineHeight());
  panel.TimerTick();
  panel.SetScrollDirection(TScrollDirection::sdHorizontal);
  EXPECT_EQ(panel.ScrollPosition(), 0);
}

// An 8 x 8 glyph: a magenta frame (the bottom-left pixel, so transparent)
// round a red square.
ui::unique_hbitmap FramedGlyph() {
  const ui::unique_hdc_window screen(nullptr);
  ui::unique_hbitmap glyph(CreateCompatibleBitmap(screen.get(), 8, 8));
  const ui::unique_hdc dc(CreateCompatibleDC(screen.get()));
  const ui::SelectObjectScope selected(dc.get(), glyph.get());
  const ui::unique_hbrush magenta(CreateSolidBrush(0xFF00FF));
  const ui::unique_hbrush red(CreateSolidBrush(0x0000FF));
  RECT all{0, 0, 8, 8};
  RECT inner{2, 2, 6, 6};
  FillRect(dc.get(), &all, magenta.get());
  FillRect(dc.get(), &inner, red.get());
  return glyph;
}

TEST_F(SecretPanelTest, GlyphIsDrawnWithoutItsTransparentColour) {
  TSecretPanel& panel = Make(100, 60);
  const ui::unique_hbitmap glyph = FramedGlyph();
  panel.SetGlyph(glyph.get());
  panel.SetLines({"a"});
  panel.SetActive(true);
  EXPECT_EQ(panel.TextRect().left, 6 + 8 + 3);

  const ui::unique_hdc_window screen(nullptr);
  const ui::unique_hdc dc(CreateCompatibleDC(screen.get()));
  const ui::unique_hbitmap target(CreateCompatibleBitmap(screen.get(), 100, 60));
  const ui::SelectObjectScope selected(dc.get(), target.get());
  SendMessageA(panel.handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
  // The glyph sits at (6, 26): half of (3 + 57 - 8) down.
  EXPECT_EQ(GetPixel(dc.get(), 6, 26), kWhite);
  EXPECT_EQ(GetPixel(dc.get(), 7, 33), kWhite);
  EXPECT_EQ(GetPixel(dc.get(), 9, 29), 0x0000FFu);
  EXPECT_EQ(GetPixel(dc.get(), 11, 31), 0x0000FFu);
  EXPECT_EQ(GetPixel(dc.get(), 2, 2), kWhite);

  panel.SetActive(false);
  SendMessageA(panel.handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
  EXPECT_EQ(GetPixel(dc.get(), 9, 29), kWhite) << "the glyph shows only while active";
}

TEST_F(SecretPanelTest, PaintsBevelsAndBorderAroundTheClientArea) {
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
  constexpr COLORREF kFill = 0x00FFFF;
  struct BevelCase {
    TBevelCut outer;
    TBevelCut inner;
    // Top-left corner pixels along the diagonal, then the bottom-right ones
    // going inwards.
    std::vector<COLORREF> topLeft;
    std::vector<COLORREF> bottomRight;
  };
  // Bevels of width 2 and a border of 1.
  const BevelCase cases[] = {
      {TBevelCut::bvLowered, TBevelCut::bvNone, {shadow, shadow, kFill, kFill}, {light, light, kFill, kFill}},
      {TBevelCut::bvRaised, TBevelCut::bvNone, {light, light, kFill, kFill}, {shadow, shadow, kFill, kFill}},
      {TBevelCut::bvSpace,
       TBevelCut::bvLowered,
       {light, light, kFill, shadow, shadow, kFill},
       {shadow, shadow, kFill, light, light, kFill}},
      {TBevelCut::bvNone, TBevelCut::bvRaised, {kFill, light, light, kFill}, {kFill, shadow, shadow, kFill}},
  };
  for (const BevelCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.outer) * 10 + static_cast<int>(c.inner));
    TSecretPanel& panel = Make(40, 30);
    panel.SetColor(kFill);
    panel.SetBevelOuter(c.outer);
    panel.SetBevelInner(c.inner);
    panel.SetBevelWidth(2);
    panel.SetBorderWidth(1);
    const ui::unique_hdc_window screen(nullptr);
    const ui::unique_hdc dc(CreateCompatibleDC(screen.get()));
    const ui::unique_hbitmap target(CreateCompatibleBitmap(screen.get(), 40, 30));
    const ui::SelectObjectScope selected(dc.get(), target.get());
    SendMessageA(panel.handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
    std::vector<COLORREF> topLeft;
    std::vector<COLORREF> bottomRight;
    for (int i = 0; i < static_cast<int>(c.topLeft.size()); ++i) {
      topLeft.push_back(GetPixel(dc.get(), i, i));
      bottomRight.push_back(GetPixel(dc.get(), 39 - i, 29 - i));
    }
    EXPECT_EQ(topLeft, c.topLeft);
    EXPECT_EQ(bottomRight, c.bottomRight);
  }
}

TEST_F(SecretPanelTest, TickExceptionsAreReportedAndTheTicksGoOn) {
  TSecretPanel& panel = Make(120, 40, -8);
  panel.SetLines({"x"});
  panel.SetCycled(true);
  std::mutex mutex;
  std::vector<std::string> reported;
  App().onException = [&](const std::string& text) {
    const std::lock_guard guard(mutex);
    reported.push_back(text);
  };
  std::atomic<int> paints{0};
  const DWORD gui = GetCurrentThreadId();
  panel.OnPaintClient = [&](TSecretPanel&, HDC, RECT) {
    if (GetCurrentThreadId() == gui) return;
    const int n = ++paints;
    if (n == 1) throw std::runtime_error("first tick failed");
    if (n == 2) throw EAbort();
  };
  panel.SetInterval(1);
  panel.SetActive(true);
  const bool ticking = PumpUntil([&] { return paints > 5; });
  panel.SetActive(false);
  App().onException = nullptr;
  EXPECT_TRUE(ticking);
  EXPECT_EQ(reported, std::vector<std::string>{"first tick failed"});
}

// A paint handler that throws, on a tick or in a repaint, leaves the image's
// drawing state and the GDI objects as they were.
TEST_F(SecretPanelTest, ThrowingPaintHandlerLeavesNoTrace) {
  std::function<void()> fail;  // set: the handler throws
  const auto make = [&]() -> TSecretPanel& {
    TSecretPanel& panel = Make(120, 60);
    panel.SetLines({"MWMW", "WMWM"});
    panel.SetCycled(true);
    panel.OnPaintClient = [&](TSecretPanel&, HDC dc, RECT rect) {
      if (fail) fail();
      FillRect(dc, &rect, static_cast<HBRUSH>(GetCurrentObject(dc, OBJ_BRUSH)));
    };
    panel.SetActive(true);
    return panel;
  };
  // Where failures in the window procedure go.
  int reports = 0;
  App().onException = [&](const std::string&) { ++reports; };
  const auto restore = ui::scope_exit([] { App().onException = nullptr; });

  const std::function<void()> throwers[] = {[] { throw std::runtime_error("paint failed"); },
                                            [] { throw EAbort(); }};
  for (const auto& thrower : throwers) {
    TSecretPanel& panel = make();
    while (panel.ScrollPosition() < panel.LineHeight() + 4) panel.TimerTick();
    fail = thrower;
    EXPECT_ANY_THROW(panel.TimerTick());
    fail = nullptr;
    panel.TimerTick();
    const int position = panel.ScrollPosition();
    const std::vector<COLORREF> afterFailure = panel.FramePixels();

    TSecretPanel& fresh = make();
    while (fresh.ScrollPosition() < position) fresh.TimerTick();
    const std::vector<COLORREF> expected = fresh.FramePixels();
    ASSERT_FALSE(DarkRows().empty()) << "a frame with text in it, that a shift would move";
    ASSERT_EQ(afterFailure.size(), expected.size());
    int differing = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) differing += afterFailure[i] != expected[i];
    EXPECT_EQ(differing, 0);
  }

  // Failing ticks, with a failing repaint and a failing print into a DC of
  // ours every tenth one.
  fail = [] { throw std::runtime_error("paint failed"); };
  const ui::unique_hdc_window screen(nullptr);
  const ui::unique_hdc printed(CreateCompatibleDC(screen.get()));
  const ui::unique_hbitmap target(CreateCompatibleBitmap(screen.get(), 120, 60));
  const ui::SelectObjectScope selected(printed.get(), target.get());
  const auto failEverywhere = [&](int rounds) {
    for (int i = 0; i < rounds; ++i) {
      EXPECT_ANY_THROW(panel_->TimerTick());
      if (i % 10 != 0) continue;
      SendMessageA(panel_->handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(printed.get()), PRF_CLIENT);
      RedrawWindow(panel_->handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
  };
  // The first failures make what the system keeps for the process.
  failEverywhere(10);
  const DWORD before = testing::CountResources().gdiObjects;
  reports = 0;
  failEverywhere(1000);
  EXPECT_EQ(reports, 200) << "every print and repaint failed";
  EXPECT_EQ(testing::CountResources().gdiObjects, before);
}

TEST(RxTimer, WindowTimerModeTicksOnTheGuiThread) {
  App();
  TRxTimer timer;
  std::vector<DWORD> threads;
  timer.SetInterval(1);
  timer.SetOnTimer([&](TRxTimer& sender) {
    EXPECT_EQ(&sender, &timer);
    threads.push_back(GetCurrentThreadId());
  });
  timer.SetThreaded(false);
  EXPECT_NE(timer.TimerWindow(), nullptr);
  EXPECT_TRUE(timer.ThreadSuspended());
  ASSERT_TRUE(PumpUntil([&] { return threads.size() >= 3; }));
  timer.SetEnabled(false);
  const std::size_t seen = threads.size();
  PumpFor(50);
  EXPECT_EQ(threads.size(), seen);
  EXPECT_EQ(threads, std::vector<DWORD>(seen, GetCurrentThreadId()));
  timer.SetThreaded(true);
  EXPECT_EQ(timer.TimerWindow(), nullptr);
}

// Panels destroyed while their threads draw, and timers destroyed while a
// tick waits for the GUI thread: nothing crashes, hangs or stays behind.
TEST_F(SecretPanelTest, DestroyingActivePanelsLeavesNothingBehind) {
  const auto settle = [] {
    // Threads that were told to end need a moment to be gone.
    PumpFor(200);
  };
  const auto cycle = [&](int rounds) {
    for (int i = 0; i < rounds; ++i) {
      TSecretPanel& panel = Make(100, 50, -8);
      panel.SetLines({"one", "two", "three"});
      panel.SetInterval(1);
      panel.SetCycled(i % 2 == 0);
      panel.SetAsyncDrawing(i % 3 != 0);
      panel.SetActive(true);
      PumpFor(static_cast<DWORD>(i % 7));
      panel_.reset();
    }
    settle();
  };
  // The first rounds make what lives as long as the process (the
  // synchronizer's window, the window classes, the system's caches).
  cycle(6);
  const testing::ResourceCounts before = testing::CountResources();
  cycle(100);
  EXPECT_EQ(testing::CountResources(), before);
}
}  // namespace
}  // namespace vantric
