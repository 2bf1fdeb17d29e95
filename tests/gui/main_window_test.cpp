// Starts vantric.exe and checks its main window from outside the process.

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "tests/support/wine_path.h"

namespace {

using namespace std::chrono_literals;

// Wine needs a moment to start a process, more on a loaded machine.
constexpr auto kWindowTimeout = 30s;
constexpr DWORD kExitTimeoutMs = 15000;

struct HandleCloser {
  void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

std::string ExePath() { return vantric::testing::WinePath(VANTRIC_EXE_PATH); }

std::string WindowText(HWND window) {
  char buffer[256] = {};
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

struct WindowSearch {
  DWORD processId;
  HWND found = nullptr;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The program under test, killed at the end of the test if it is still there.
class Program {
 public:
  Program() {
    std::string commandLine = "\"" + ExePath() + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info)) {
      process_.reset(info.hProcess);
      CloseHandle(info.hThread);
      processId_ = info.dwProcessId;
    } else {
      startError_ = GetLastError();
    }
  }
  ~Program() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.get(), 99);
      WaitForSingleObject(process_.get(), kExitTimeoutMs);
    }
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool Started() const { return static_cast<bool>(process_); }
  DWORD StartError() const { return startError_; }
  HANDLE Process() const { return process_.get(); }

  // Searching by process rather than by caption keeps another Vantric that
  // happens to be open from being mistaken for ours.
  HWND WaitForTopLevelWindow() const {
    WaitForInputIdle(process_.get(), 10000);
    const auto deadline = std::chrono::steady_clock::now() + kWindowTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
      WindowSearch search{processId_};
      EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
      if (search.found) return search.found;
      if (WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0) return nullptr;
      std::this_thread::sleep_for(50ms);
    }
    return nullptr;
  }

 private:
  UniqueHandle process_;
  DWORD processId_ = 0;
  DWORD startError_ = 0;
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(program_.Started()) << "cannot start " << ExePath() << ", error " << program_.StartError();
    window_ = program_.WaitForTopLevelWindow();
    ASSERT_NE(window_, nullptr) << "no visible top-level window from " << ExePath();
  }

  Program program_;
  HWND window_ = nullptr;
};

TEST_F(MainWindowTest, FrameHasTheFixedLayout) {
  EXPECT_EQ(WindowText(window_), "Vantric 2000 Beta - [v" VANTRIC_FILE_VERSION "]");

  RECT client{};
  ASSERT_TRUE(GetClientRect(window_, &client));
  EXPECT_EQ(client.right - client.left, 410);
  EXPECT_EQ(client.bottom - client.top, 452);

  const auto style = static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_STYLE));
  EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME) << "the border must not be sizeable";
}

TEST_F(MainWindowTest, OpensCentredOnTheScreen) {
  RECT window{};
  ASSERT_TRUE(GetWindowRect(window_, &window));
  RECT work{};
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));

  // Integer halving may put it one pixel off either way.
  EXPECT_NEAR(window.left - work.left, work.right - window.right, 1);
  EXPECT_NEAR(window.top - work.top, work.bottom - window.bottom, 1);
}

TEST_F(MainWindowTest, ClientAreaIsButtonFace) {
  UpdateWindow(window_);
  HDC dc = GetDC(window_);
  ASSERT_NE(dc, nullptr);
  // Between the button bar and the database line: nothing but the form.
  const COLORREF centre = GetPixel(dc, 205, 406);
  const COLORREF corner = GetPixel(dc, 2, 2);
  ReleaseDC(window_, dc);

  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(centre, face);
  EXPECT_EQ(corner, face);
}

TEST_F(MainWindowTest, ClosingTheWindowEndsTheProgramCleanly) {
  ASSERT_TRUE(PostMessageA(window_, WM_CLOSE, 0, 0));
  ASSERT_EQ(WaitForSingleObject(program_.Process(), kExitTimeoutMs), WAIT_OBJECT_0)
      << "still running after WM_CLOSE";
  DWORD exitCode = 1234;
  ASSERT_TRUE(GetExitCodeProcess(program_.Process(), &exitCode));
  EXPECT_EQ(exitCode, 0u);
}

// Waits up to the window timeout for `done`.
template <typename Condition>
bool WaitFor(Condition done) {
  const auto deadline = std::chrono::steady_clock::now() + kWindowTimeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

TEST_F(MainWindowTest, AboutButtonShowsTheAboutWindowModally) {
  // Made hidden at start, with the main window as its owner.
  const HWND about = FindWindowA("VantricAboutForm", "About");
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(GetWindow(about, GW_OWNER), window_);
  EXPECT_FALSE(IsWindowVisible(about));

  // A real click on the button, as a user's.
  const HWND button = FindWindowExA(window_, nullptr, "VantricSpeedButton", "&About");
  ASSERT_NE(button, nullptr);
  RECT rect{};
  GetWindowRect(button, &rect);
  SetForegroundWindow(window_);
  SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  std::this_thread::sleep_for(100ms);
  INPUT clicks[2] = {};
  clicks[0].type = clicks[1].type = INPUT_MOUSE;
  clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, clicks, sizeof(INPUT));
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(about) != FALSE; })) << "no About window";
  EXPECT_TRUE(WaitFor([&] { return !IsWindowEnabled(window_); })) << "modal: the main window is disabled";

  // Enter on its Close button ends it; the window stays for the next time.
  const HWND close = FindWindowExA(about, nullptr, "Button", "&Close");
  ASSERT_NE(close, nullptr);
  PostMessageA(close, WM_KEYDOWN, VK_RETURN, 1);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(about) && IsWindowEnabled(window_); }));
  EXPECT_TRUE(IsWindow(about));
}

std::string VersionString(const std::vector<char>& block, const char* name) {
  const std::string key = std::string("\\StringFileInfo\\040904E4\\") + name;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), key.c_str(), &value, &length) || length == 0) return {};
  return static_cast<const char*>(value);
}

TEST(VersionResourceTest, NamesProductAndVersion) {
  const std::string path = ExePath();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  ASSERT_GT(size, 0u) << "no version resource in " << path;
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

  EXPECT_EQ(VersionString(block, "ProductName"), "Vantric");
  EXPECT_EQ(VersionString(block, "FileVersion"), VANTRIC_FILE_VERSION);

  // The binary numbers must say the same as the text.
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_GE(length, sizeof *fixed);
  const std::string numeric = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                              std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                              std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                              std::to_string(LOWORD(fixed->dwFileVersionLS));
  EXPECT_EQ(numeric, VANTRIC_FILE_VERSION);
}

}  // namespace
