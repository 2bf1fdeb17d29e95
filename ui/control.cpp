#include "ui/control.h"

#include <stdexcept>

namespace vantric::ui {

void Control::Create(const char* className, const std::string& text, DWORD style, DWORD exStyle, HWND parent,
                     int left, int top, int width, int height, int id) {
  handle_ =
      CreateWindowExA(exStyle, className, text.c_str(), style | WS_CHILD, left, top, width, height, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
  if (!handle_) throw std::runtime_error(std::string("Cannot create a control of class ") + className);
}

}  // namespace vantric::ui
