#pragma once

#include <commctrl.h>

#include "ui/control.h"

namespace vantric::ui {

class ProgressBar : public Control {
 public:
  void SetRange(int minimum, int maximum) const { SendMessageA(handle(), PBM_SETRANGE32, minimum, maximum); }
  void SetPosition(int position) const { SendMessageA(handle(), PBM_SETPOS, position, 0); }
  int Minimum() const { return static_cast<int>(SendMessageA(handle(), PBM_GETRANGE, TRUE, 0)); }
  int Maximum() const { return static_cast<int>(SendMessageA(handle(), PBM_GETRANGE, FALSE, 0)); }
};

}  // namespace vantric::ui
