#pragma once

// What the About and panel tests share: the one application object, message
// pumping with a deadline, and a plain top-level window to put panels on.

#include <windows.h>

#include <functional>

#include "ui/application.h"
#include "ui/handles.h"

namespace vantric::testing {

ui::Application& App();

// Runs the message loop until `done` or `milliseconds` have passed; returns
// whether `done` came true.
bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds = 10000);
void PumpFor(DWORD milliseconds);

// A visible top-level window of the given client size at the screen's corner.
ui::unique_hwnd MakeHostWindow(int width, int height);

// Resources of the process: thread count and the window system's object counts.
struct ResourceCounts {
  DWORD gdiObjects;
  DWORD userObjects;
  int threads;
  bool operator==(const ResourceCounts&) const = default;
};
ResourceCounts CountResources();

}  // namespace vantric::testing
