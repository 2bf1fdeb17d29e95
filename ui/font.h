#pragma once

#include <windows.h>

#include <string>

#include "ui/handles.h"

namespace vantric::ui {

enum class FontWeight { kNormal, kBold };

// A font of `points` points on the screen's resolution. `pitchAndFamily` only
// steers the choice of a stand-in where the named face is not installed.
unique_hfont MakeFont(const std::string& face, int points, FontWeight weight = FontWeight::kNormal,
                      BYTE pitchAndFamily = DEFAULT_PITCH | FF_DONTCARE);

// Pixel height (negative: character height) for `points` on this screen.
int PointsToHeight(int points);

}  // namespace vantric::ui
