#include "ui/control.h"

#include <algorithm>
#include <stdexcept>

#include "ui/handles.h"
#include "ui/wide_text.h"

namespace vantric::ui {

void Control::Create(const char* className, const std::string& text, DWORD style, DWORD exStyle, HWND parent,
                     int left, int top, int width, int height, int id) {
  // A Unicode control: it keeps every character of a name.
  handle_ = CreateWindowExW(
      exStyle, WideText(className).c_str(), WideText(text).c_str(), style | WS_CHILD, left, top, width,
      height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (!handle_) throw std::runtime_error(std::string("Cannot create a control of class ") + className);
}

void Control::FitToText() const {
  const unique_hdc_window dc(handle_);
  if (!dc) return;
  const auto font = reinterpret_cast<HFONT>(SendMessageA(handle_, WM_GETFONT, 0, 0));
  const SelectObjectScope selected(dc.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
  const std::wstring text = WideText(Text());
  RECT extent{0, 0, 0, 0};
  DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent,
            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc.get(), &metrics);
  const int height = std::max<int>(extent.bottom - extent.top, metrics.tmHeight);
  SetWindowPos(handle_, nullptr, 0, 0, extent.right - extent.left, height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace vantric::ui
