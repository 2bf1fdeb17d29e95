// vantric.exe entry point. For now this is the bare main window: the frame,
// its size and placement; the controls arrive with the real main form.

#include <windows.h>

#include <memory>
#include <type_traits>

namespace vantric {
namespace {

constexpr char kClassName[] = "VantricMainWindow";
constexpr char kCaption[] = "Vantric";
constexpr int kClientWidth = 410;
constexpr int kClientHeight = 452;
// Fixed single border: a caption but no sizing frame, and no maximise box.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = 0;

struct WindowDestroyer {
  void operator()(HWND window) const noexcept { DestroyWindow(window); }
};
using UniqueHwnd = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

// Registered for the lifetime of the object, so the class outlives its window
// (members are destroyed in reverse order of declaration in Run()).
class WindowClass {
 public:
  WindowClass(HINSTANCE instance, WNDPROC proc) : instance_(instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = kClassName;
    atom_ = RegisterClassExA(&wc);
  }
  ~WindowClass() {
    if (atom_ != 0) UnregisterClassA(kClassName, instance_);
  }
  WindowClass(const WindowClass&) = delete;
  WindowClass& operator=(const WindowClass&) = delete;

  explicit operator bool() const { return atom_ != 0; }

 private:
  HINSTANCE instance_;
  ATOM atom_ = 0;
};

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    // The window belongs to the UniqueHwnd in Run(): leaving the message loop
    // destroys it there, so it is destroyed exactly once.
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Outer size for the wanted client area, centred in the primary work area.
RECT CentredWindowRect() {
  RECT rect{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&rect, kStyle, FALSE, kExStyle);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;

  RECT work{};
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
    work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  const int left = work.left + (work.right - work.left - width) / 2;
  const int top = work.top + (work.bottom - work.top - height) / 2;
  return {left, top, left + width, top + height};
}

int Run(HINSTANCE instance, int showCommand) {
  const WindowClass windowClass(instance, MainWindowProc);
  if (!windowClass) return 1;

  const RECT rect = CentredWindowRect();
  const UniqueHwnd window(CreateWindowExA(kExStyle, kClassName, kCaption, kStyle, rect.left, rect.top,
                                          rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                          instance, nullptr));
  if (!window) return 1;

  ShowWindow(window.get(), showCommand);
  UpdateWindow(window.get());

  MSG message{};
  BOOL status;
  while ((status = GetMessageA(&message, nullptr, 0, 0)) != 0) {
    if (status == -1) return 1;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace
}  // namespace vantric

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  return vantric::Run(instance, showCommand);
}
