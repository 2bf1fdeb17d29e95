#include "tests/gui/about_test_support.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <memory>

namespace vantric::testing {
namespace {

std::unique_ptr<ui::Application> application;

class ApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    application = std::make_unique<ui::Application>("Vantric");
    application->SetCursor(12, LoadCursorA(GetModuleHandleA(nullptr), "HANDCUR"));
  }
  void TearDown() override { application.reset(); }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

// Wine answers 0 to GetGuiResources; its handle tables take a handle by its
// index alone, so the live objects can be counted by trying every index.
DWORD GdiObjects() {
  if (const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return count;
  DWORD count = 0;
  for (ULONG_PTR index = 1; index < 0x10000; ++index) {
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) ++count;
  }
  return count;
}

DWORD UserObjects() {
  if (const DWORD count = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)) return count;
  DWORD count = 0;
  for (ULONG_PTR index = 1; index < 0x10000; ++index) {
    const auto window = reinterpret_cast<HWND>(index);
    DWORD process = 0;
    if (IsWindow(window) && GetWindowThreadProcessId(window, &process) && process == GetCurrentProcessId()) {
      ++count;
    }
  }
  return count;
}

}  // namespace

ui::Application& App() { return *application; }

bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  for (;;) {
    App().ProcessMessages();
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
}

void PumpFor(DWORD milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

ui::unique_hwnd MakeHostWindow(int width, int height) {
  RECT rect{0, 0, width, height};
  AdjustWindowRectEx(&rect, WS_POPUP, FALSE, 0);
  ui::unique_hwnd window(CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                         rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                         GetModuleHandleA(nullptr), nullptr));
  App().ProcessMessages();
  return window;
}

ResourceCounts CountResources() {
  ResourceCounts counts{GdiObjects(), UserObjects(), 0};
  const ui::unique_handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++counts.threads;
  }
  return counts;
}

}  // namespace vantric::testing
