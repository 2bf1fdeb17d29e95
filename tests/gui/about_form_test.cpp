// The About window in the test's own process: real windows, its modal loop
// driven by a script that runs inside that loop, link launches recorded.

#include "about/about_form.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/gui/about_test_support.h"
#include "ui/font.h"
#include "ui/safe_link.h"

namespace vantric {
namespace {

using testing::App;

constexpr COLORREF kBlue = 0xFF0000;
constexpr COLORREF kPurple = 0x800080;

// Runs its steps inside whatever message loop is running, one step per
// timer tick; a step returns false to be run again at the next tick. When
// the steps are done it keeps closing `window`, so a loop that should have
// ended already cannot hang the test.
class ModalScript {
 public:
  using Step = std::function<bool()>;
  ModalScript(HWND window, std::vector<Step> steps) : window_(window), steps_(std::move(steps)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 10, Tick);
  }
  ~ModalScript() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool finished() const { return next_ == steps_.size(); }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ModalScript* self = current_;
    if (self == nullptr || self->running_) return;
    self->running_ = true;
    if (self->finished()) {
      PostMessageA(self->window_, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (self->steps_[self->next_]()) {
      ++self->next_;
    }
    self->running_ = false;
  }

  static inline ModalScript* current_ = nullptr;
  HWND window_;
  std::vector<Step> steps_;
  std::size_t next_ = 0;
  bool running_ = false;
  UINT_PTR timer_ = 0;
};

ModalScript::Step Do(std::function<void()> action) {
  return [action = std::move(action)] {
    action();
    return true;
  };
}

// A key as the focused control gets it from the keyboard.
void PostKey(int key) {
  const HWND focus = GetFocus();
  PostMessageA(focus, WM_KEYDOWN, key, 1);
  PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
}

struct LinkCall {
  HWND owner;
  std::string target;
  bool operator==(const LinkCall&) const = default;
};

class AboutFormTest : public ::testing::Test {
 protected:
  TAboutForm& Create(HWND owner = nullptr) {
    form_ = std::make_unique<TAboutForm>(
        App(), TAboutForm::Options{
                   .owner = owner,
                   .shellExecute = [this](HWND linkOwner, const std::string& target, const std::string&) {
                     links_.push_back({linkOwner, target});
                   }});
    return *form_;
  }

  std::vector<long> Bounds(HWND control) const {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, form_->handle(), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
  }

  static LOGFONTA FontOf(HWND control) {
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font;
  }

  void Click(HWND control) {
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  }
  void MoveOver(HWND window) { SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1)); }

  std::vector<LinkCall> links_;
  std::unique_ptr<TAboutForm> form_;
};

TEST_F(AboutFormTest, LaysOutEveryControl) {
  TAboutForm& form = Create();
  EXPECT_FALSE(IsWindowVisible(form.handle())) << "created hidden";
  RECT client{};
  GetClientRect(form.handle(), &client);
  EXPECT_EQ(client.right, 406);
  EXPECT_EQ(client.bottom, 306);
  EXPECT_EQ(ui::WindowText(form.handle()), "About");
  const auto style = static_cast<DWORD>(GetWindowLongPtrA(form.handle(), GWL_STYLE));
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));

  struct LabelCase {
    TAboutForm::LabelNumber number;
    std::vector<long> bounds;
    const char* face;
    LONG height;
    bool bold;
  };
  const LONG eightPoints = ui::PointsToHeight(8);
  const LabelCase labels[] = {
      {TAboutForm::kLabel1, {134, -3, 189, 42}, "Verdana", -35, true},
      {TAboutForm::kLabel2, {123, 43, 211, 14}, "Arial", eightPoints, true},
      {TAboutForm::kLabel3, {64, 254, 77, 13}, "MS Sans Serif", -11, false},
      {TAboutForm::kLabel4, {64, 271, 52, 13}, "MS Sans Serif", -11, false},
      {TAboutForm::kLabel5, {149, 254, 133, 13}, "MS Sans Serif", eightPoints, false},
      {TAboutForm::kLabel6, {149, 271, 104, 13}, "MS Sans Serif", eightPoints, false},
      {TAboutForm::kLabel7, {64, 288, 74, 13}, "MS Sans Serif", -11, false},
      {TAboutForm::kLabel8, {149, 288, 94, 13}, "MS Sans Serif", eightPoints, false},
  };
  bool captionsGrew = false;
  long captionsRight = 0;
  for (auto caption : {TAboutForm::kLabel3, TAboutForm::kLabel4, TAboutForm::kLabel7}) {
    const std::vector<long> bounds = Bounds(form.Label(caption));
    captionsRight = std::max(captionsRight, bounds[0] + bounds[2]);
  }
  captionsGrew = captionsRight > 141;
  EXPECT_GE(Bounds(form.Label(TAboutForm::kLabel5))[0], captionsRight + 8);
  for (const LabelCase& c : labels) {
    SCOPED_TRACE(c.number);
    const HWND label = form.Label(c.number);
    const std::vector<long> bounds = Bounds(label);
    const bool link =
        c.number == TAboutForm::kLabel5 || c.number == TAboutForm::kLabel6 || c.number == TAboutForm::kLabel8;
    // Links move right only where a caption grew into them.
    EXPECT_EQ(bounds[0], link && captionsGrew ? Bounds(form.Label(TAboutForm::kLabel5))[0] : c.bounds[0]);
    EXPECT_EQ(bounds[1], c.bounds[1]);
    EXPECT_EQ(bounds[3], c.bounds[3]);
    // Where the installed font is wider, the label grows rather than cut its text.
    EXPECT_GE(bounds[2], c.bounds[2]);
    const LOGFONTA font = FontOf(label);
    EXPECT_STREQ(font.lfFaceName, c.face);
    EXPECT_EQ(font.lfHeight, c.height);
    EXPECT_EQ(font.lfWeight >= FW_BOLD, c.bold);
    EXPECT_FALSE(font.lfUnderline);
    const ui::unique_hdc_window dc(label);
    const ui::SelectObjectScope selected(dc.get(),
                                         reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)));
    const std::string text = ui::WindowText(label);
    SIZE size{};
    GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    EXPECT_LE(size.cx, bounds[2]) << text;
  }
  EXPECT_EQ(ui::WindowText(form.Label(TAboutForm::kLabel1)), "Vantric");
  EXPECT_EQ(ui::WindowText(form.Label(TAboutForm::kLabel3)), "Official web site:");
  EXPECT_EQ(ui::WindowText(form.Label(TAboutForm::kLabel4)), "Bug report:");
  EXPECT_EQ(ui::WindowText(form.Label(TAboutForm::kLabel7)), "Ideas, opinions:");

  EXPECT_EQ(Bounds(form.Image1()), (std::vector<long>{3, 2, 53, 301}));
  EXPECT_EQ(Bounds(form.Button1()), (std::vector<long>{327, 277, 75, 25}));
  EXPECT_EQ(ui::WindowText(form.Button1()), "&Close");
  EXPECT_EQ(GetDlgCtrlID(form.Button1()), 1);
  EXPECT_EQ(GetWindowLongPtrA(form.Button1(), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  // The only stop of the tab order.
  EXPECT_EQ(GetNextDlgTabItem(form.handle(), nullptr, FALSE), form.Button1());
  EXPECT_EQ(GetNextDlgTabItem(form.handle(), form.Button1(), FALSE), form.Button1());

  TSecretPanel& panel = form.SecretPanel();
  EXPECT_EQ(Bounds(panel.handle()), (std::vector<long>{64, 59, 334, 189}));
  EXPECT_TRUE(panel.Cycled());
  EXPECT_EQ(panel.Interval(), 45u);
  EXPECT_EQ(panel.BevelOuter(), TBevelCut::bvNone);
  EXPECT_EQ(panel.Color(), 0xFFFFFFu);
  EXPECT_TRUE(panel.AsyncDrawing());
  EXPECT_EQ(panel.Alignment(), TAlignment::taCenter);
  EXPECT_EQ(panel.FontColor(), GetSysColor(COLOR_WINDOWTEXT));
  LOGFONTA panelFont{};
  GetObjectA(panel.Font(), sizeof panelFont, &panelFont);
  EXPECT_STREQ(panelFont.lfFaceName, "Arial");
  EXPECT_EQ(panelFont.lfHeight, eightPoints);
  EXPECT_EQ(panelFont.lfWeight, FW_NORMAL);
  EXPECT_EQ(panel.Lines(), CreditLines());
  EXPECT_FALSE(panel.Active());
}

TEST(CreditLines, FortyEightLinesAsNumbered) {
  const std::vector<std::string>& lines = CreditLines();
  ASSERT_EQ(lines.size(), 48u);
  const auto line = [&](int number) { return lines[number - 1]; };
  for (int number :
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 16, 17, 18, 21, 22, 23, 29, 30, 31, 32, 34, 37, 40, 43, 46}) {
    EXPECT_EQ(line(number), "") << number;
  }
  const std::pair<int, const char*> fixed[] = {
      {12, "Vantric 2000"},
      {19, "For new versions and database updates,"},
      {20, "please visit the vantric official site frequently."},
      {24, "PLEASE NOTE THAT THIS IS NOT THE FINAL RELEASE."},
      {25, "This is the first public release of this program and I need"},
      {26, "your help to complete the database and eliminate "},
      {27, "potential bugs. Please report the bugs and send me "},
      {28, "your suggestions and ideas."},
      {33, "CREDITS:"},
  };
  for (const auto& [number, text] : fixed) EXPECT_EQ(line(number), text) << number;
  EXPECT_NE(line(13), "");
  EXPECT_NE(line(14).find("Vantric"), std::string::npos);
  EXPECT_NE(line(15), "");
  // Five entries: who, " for " what; then an address the link rule accepts.
  const char* credited[] = {"Vantric", "MinGW-w64", "icon", "UPX", "Biew"};
  for (int entry = 0; entry < 5; ++entry) {
    const int first = 35 + 3 * entry;
    EXPECT_NE(line(first).find(" for "), std::string::npos) << first;
    EXPECT_NE(line(first).find(credited[entry]), std::string::npos) << first;
    EXPECT_TRUE(ui::SafeLinkTarget(line(first + 1)).has_value()) << line(first + 1);
  }
  EXPECT_EQ(line(45), "https://upx.github.io");
}

TEST(AboutBanner, BlackToBlueWithWhiteTextReadingUpwards) {
  const ui::unique_hbitmap banner(static_cast<HBITMAP>(
      LoadImageA(GetModuleHandleA(nullptr), "ABOUTBANNER", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  ASSERT_TRUE(banner);
  DIBSECTION dib{};
  ASSERT_TRUE(GetObjectA(banner.get(), sizeof dib, &dib));
  EXPECT_EQ(dib.dsBm.bmWidth, 53);
  EXPECT_EQ(dib.dsBm.bmHeight, 301);
  EXPECT_EQ(dib.dsBm.bmBitsPixel, 24);
  const ui::unique_hdc dc(CreateCompatibleDC(nullptr));
  const ui::SelectObjectScope selected(dc.get(), banner.get());
  EXPECT_EQ(GetPixel(dc.get(), 0, 0), 0x000000u);
  EXPECT_EQ(GetPixel(dc.get(), 52, 300), 0xFF0000u) << "pure blue at the bottom";
  int previous = -1;
  for (int y = 0; y < 301; ++y) {
    const int blue = GetBValue(GetPixel(dc.get(), 0, y));
    EXPECT_GE(blue, previous);
    previous = blue;
  }
  // The white letters make a tall, narrow block: the text runs along the banner.
  RECT white{53, 301, -1, -1};
  for (int y = 0; y < 301; ++y) {
    for (int x = 0; x < 53; ++x) {
      if (GetPixel(dc.get(), x, y) != 0xFFFFFFu) continue;
      white = {std::min<LONG>(white.left, x), std::min<LONG>(white.top, y), std::max<LONG>(white.right, x),
               std::max<LONG>(white.bottom, y)};
    }
  }
  EXPECT_GT(white.bottom - white.top, 150);
  EXPECT_LT(white.right - white.left, 30);
}

TEST_F(AboutFormTest, LinksOpenTheirTargetAndTurnPurple) {
  const ui::unique_hwnd owner = testing::MakeHostWindow(100, 100);
  TAboutForm& form = Create(owner.get());
  struct LinkCase {
    TAboutForm::LabelNumber number;
    const char* caption;
    const char* target;
  };
  const LinkCase cases[] = {
      {TAboutForm::kLabel5, "http://example.org/vantric", "http://example.org/vantric"},
      {TAboutForm::kLabel6, "bugs@example.org", "mailto:bugs@example.org"},
      {TAboutForm::kLabel8, "author@example.org", "mailto:author@example.org?subject=Vantric2000"},
  };
  const HCURSOR hand = LoadCursorA(GetModuleHandleA(nullptr), "HANDCUR");
  for (const LinkCase& c : cases) {
    SCOPED_TRACE(c.caption);
    const HWND label = form.Label(c.number);
    EXPECT_EQ(ui::WindowText(label), c.caption);
    EXPECT_EQ(form.LabelHint(c.number), c.target);
    EXPECT_EQ(form.LabelColor(c.number), kBlue);
    EXPECT_EQ(form.LabelCursor(c.number), 12);
    SendMessageA(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), hand);
    // What the label is really drawn with.
    const ui::unique_hdc dc(CreateCompatibleDC(nullptr));
    SendMessageA(form.handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                 reinterpret_cast<LPARAM>(label));
    EXPECT_EQ(GetTextColor(dc.get()), kBlue);

    Click(label);
    EXPECT_EQ(links_.back(), (LinkCall{owner.get(), c.target}));
    EXPECT_EQ(form.LabelColor(c.number), kPurple);
    SendMessageA(form.handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                 reinterpret_cast<LPARAM>(label));
    EXPECT_EQ(GetTextColor(dc.get()), kPurple);
  }
  EXPECT_EQ(links_.size(), 3u);

  // A press that ends outside the label is no click.
  const HWND label3 = form.Label(TAboutForm::kLabel3);
  SendMessageA(form.Label(TAboutForm::kLabel5), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageA(form.Label(TAboutForm::kLabel5), WM_LBUTTONUP, 0, MAKELPARAM(-5, 300));
  Click(label3);
  EXPECT_EQ(links_.size(), 3u);
  SendMessageA(label3, WM_SETCURSOR, reinterpret_cast<WPARAM>(label3), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
}

TEST_F(AboutFormTest, UnderlineComesOnHoverAndGoesOnlyOverTheBareWindow) {
  TAboutForm& form = Create();
  const HWND label5 = form.Label(TAboutForm::kLabel5);
  const HWND label6 = form.Label(TAboutForm::kLabel6);
  MoveOver(label5);
  EXPECT_TRUE(form.LabelUnderlined(TAboutForm::kLabel5));
  EXPECT_TRUE(FontOf(label5).lfUnderline);
  MoveOver(label6);
  EXPECT_TRUE(form.LabelUnderlined(TAboutForm::kLabel6));
  EXPECT_TRUE(form.LabelUnderlined(TAboutForm::kLabel5)) << "two labels underlined at once";
  for (HWND other : {form.Label(TAboutForm::kLabel3), form.Label(TAboutForm::kLabel1), form.Image1(),
                     form.Button1(), form.SecretPanel().handle()}) {
    MoveOver(other);
  }
  EXPECT_TRUE(form.LabelUnderlined(TAboutForm::kLabel5));
  EXPECT_TRUE(form.LabelUnderlined(TAboutForm::kLabel6));
  EXPECT_FALSE(form.LabelUnderlined(TAboutForm::kLabel8));
  MoveOver(form.handle());
  for (auto number : {TAboutForm::kLabel5, TAboutForm::kLabel6, TAboutForm::kLabel8}) {
    EXPECT_FALSE(form.LabelUnderlined(number));
    EXPECT_FALSE(FontOf(form.Label(number)).lfUnderline);
  }
}

TEST_F(AboutFormTest, EnterClosesEscDoesNot) {
  const ui::unique_hwnd owner = testing::MakeHostWindow(100, 100);
  TAboutForm& form = Create(owner.get());
  bool ownerDisabled = false;
  bool centred = false;
  bool stillOpenAfterEsc = false;
  ModalScript script(form.handle(),
                     {Do([&] {
                        ownerDisabled = !IsWindowEnabled(owner.get());
                        RECT rect{};
                        GetWindowRect(form.handle(), &rect);
                        centred = std::abs(rect.left + rect.right - GetSystemMetrics(SM_CXSCREEN)) <= 1 &&
                                  std::abs(rect.top + rect.bottom - GetSystemMetrics(SM_CYSCREEN)) <= 1;
                        EXPECT_EQ(GetFocus(), form.Button1());
                        PostKey(VK_ESCAPE);
                      }),
                      Do([&] {
                        stillOpenAfterEsc = IsWindowVisible(form.handle()) && form.SecretPanel().Active();
                        PostKey(VK_RETURN);
                      })});
  EXPECT_EQ(form.ShowModal(), 1);
  EXPECT_TRUE(script.finished());
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(centred);
  EXPECT_TRUE(stillOpenAfterEsc);
  EXPECT_TRUE(IsWindowEnabled(owner.get()));
  EXPECT_TRUE(IsWindow(form.handle())) << "hidden, not destroyed";
  EXPECT_FALSE(IsWindowVisible(form.handle()));
  EXPECT_FALSE(form.SecretPanel().Active());

  ModalScript closeBox(form.handle(), {});
  EXPECT_EQ(form.ShowModal(), 2) << "the close box";
  ModalScript button(form.handle(), {Do([&] { PostMessageA(form.Button1(), BM_CLICK, 0, 0); })});
  EXPECT_EQ(form.ShowModal(), 1);
  EXPECT_FALSE(form.SecretPanel().Active());
}

TEST_F(AboutFormTest, CreditsRestartFromTheTopAndVisitedLinksStayPurple) {
  TAboutForm& form = Create();
  TSecretPanel& panel = form.SecretPanel();
  panel.SetInterval(1);
  int reached = 0;
  ModalScript first(form.handle(), {[&] { return panel.ScrollPosition() > 150; }, Do([&] {
                                      reached = panel.ScrollPosition();
                                      Click(form.Label(TAboutForm::kLabel6));
                                      PostKey(VK_RETURN);
                                    })});
  EXPECT_EQ(form.ShowModal(), 1);
  EXPECT_GT(reached, 150);
  EXPECT_EQ(panel.ScrollPosition(), 0);

  int startedAt = -1;
  bool purple = false;
  ModalScript second(form.handle(), {Do([&] {
                       startedAt = panel.ScrollPosition();
                       purple = form.LabelColor(TAboutForm::kLabel6) == kPurple;
                       PostKey(VK_RETURN);
                     })});
  EXPECT_EQ(form.ShowModal(), 1);
  EXPECT_GE(startedAt, 0);
  EXPECT_LT(startedAt, reached);
  EXPECT_TRUE(purple);
  EXPECT_EQ(form.LabelColor(TAboutForm::kLabel5), kBlue);
}

TEST_F(AboutFormTest, WindowDestroyedWithItsOwnerEndsTheModalLoop) {
  ui::unique_hwnd owner = testing::MakeHostWindow(100, 100);
  TAboutForm& form = Create(owner.get());
  form.SecretPanel().SetInterval(1);
  ModalScript script(form.handle(),
                     {[&] { return form.SecretPanel().ScrollPosition() > 5; }, Do([&] { owner.reset(); })});
  EXPECT_EQ(form.ShowModal(), 2);
  EXPECT_EQ(form.handle(), nullptr);
  EXPECT_FALSE(form.SecretPanel().Active());
  EXPECT_TRUE(form.SecretPanel().Timer().ThreadSuspended());
}

// Opened and closed as fast as a script can, with the credits ticking every
// millisecond: nothing crashes or hangs, and nothing is left behind.
TEST_F(AboutFormTest, ThreeHundredShowingsLeaveNothingBehind) {
  TAboutForm& form = Create();
  TSecretPanel& panel = form.SecretPanel();
  panel.SetInterval(1);
  const auto showOnce = [&] {
    ModalScript script(form.handle(),
                       {[&] { return panel.ScrollPosition() > 0; }, Do([] { PostKey(VK_RETURN); })});
    return form.ShowModal();
  };
  ASSERT_EQ(showOnce(), 1);
  testing::PumpFor(100);
  const testing::ResourceCounts before = testing::CountResources();
  int closedByEnter = 0;
  for (int i = 0; i < 300; ++i) closedByEnter += showOnce() == 1;
  EXPECT_EQ(closedByEnter, 300);
  testing::PumpFor(100);
  const testing::ResourceCounts after = testing::CountResources();
  EXPECT_EQ(after, before) << "GDI " << before.gdiObjects << " -> " << after.gdiObjects << ", USER "
                           << before.userObjects << " -> " << after.userObjects << ", threads "
                           << before.threads << " -> " << after.threads;
  form_.reset();
  testing::PumpFor(200);
  EXPECT_LT(testing::CountResources().threads, before.threads) << "the panel's thread ends with the window";
}

}  // namespace
}  // namespace vantric
