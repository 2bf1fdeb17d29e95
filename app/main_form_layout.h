#pragma once

#include "analysis/result_fields.h"

namespace vantric {

// Where every control of the main window lies, in client pixels.
struct Bounds {
  int left;
  int top;
  int width;
  int height;
};

inline constexpr int kClientWidth = 410;
inline constexpr int kClientHeight = 452;

// The buttons of the button bar, left to right.
enum BarButton {
  kRunButton,
  kOpenButton,
  kViewButton,
  kBiewButton,
  kOnTopButton,
  kAboutButton,
  kBarButtonCount
};

struct GroupLayout {
  ResultGroup group;
  const char* caption;
  Bounds frame;
  int fieldWidth;
};
inline constexpr GroupLayout kGroupLayouts[] = {
    {ResultGroup::kVersion, " Version Information : ", {7, 4, 396, 138}, 315},
    {ResultGroup::kCompiler, " Compiler Information : ", {7, 148, 396, 114}, 315},
    {ResultGroup::kCompression, " Compression / Encryption : ", {7, 267, 396, 92}, 314},
};

// Rows of a group, from its frame's top: a label beside each field.
inline constexpr int kLabelLeft = 13;   // from the frame's left
inline constexpr int kLabelWidth = 56;  // before the labels are fitted to their text
inline constexpr int kLabelHeight = 13;
inline constexpr int kFirstLabelTop = 22;
inline constexpr int kFieldLeft = 70;  // from the frame's left
inline constexpr int kFieldHeight = 20;
inline constexpr int kFirstFieldTop = 19;
inline constexpr int kRowPitch = 22;

struct ButtonLayout {
  const char* caption;
  const char* hint;
  const char* glyph;
  int left;
  bool toggle;
};
inline constexpr int kButtonTop = 379;
inline constexpr int kButtonWidth = 62;
inline constexpr int kButtonHeight = 21;
inline constexpr ButtonLayout kButtons[kBarButtonCount] = {
    {"&Run", "Execute current file", "GLYPH_RUN", 8, false},
    {"&Open", "Browse for a new file", "GLYPH_OPEN", 74, false},
    {"&View", "View current file in notepad", "GLYPH_VIEW", 141, false},
    {"&Biew", "View current file in Biew", "GLYPH_BIEW", 207, false},
    {"On&Top", "Always on top", "GLYPH_ONTOP", 274, true},
    {"&About", "About this program", "GLYPH_ABOUT", 340, false},
};

inline constexpr Bounds kProgressBarBounds{7, 362, 396, 13};
inline constexpr Bounds kButtonFrameBounds{7, 378, 396, 23};
inline constexpr Bounds kDatabaseLabelBounds{8, 413, 393, 13};
inline constexpr int kStatusBarHeight = 19;
inline constexpr Bounds kStatusBarBounds{0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight};
// Below the client area: never seen, but it can hold the focus.
inline constexpr Bounds kHiddenKeyBounds{271, 468, 75, 25};

// A result field's row within its group, and the field's place.
constexpr int RowInGroup(ResultField field) {
  int row = 0;
  for (int i = 0; i < static_cast<int>(field); ++i) row += kResultFields[i].group == FieldInfo(field).group;
  return row;
}
constexpr const GroupLayout& GroupOf(ResultField field) {
  for (const GroupLayout& layout : kGroupLayouts) {
    if (layout.group == FieldInfo(field).group) return layout;
  }
  return kGroupLayouts[0];
}
constexpr Bounds FieldBounds(ResultField field) {
  const GroupLayout& group = GroupOf(field);
  return {group.frame.left + kFieldLeft, group.frame.top + kFirstFieldTop + RowInGroup(field) * kRowPitch,
          group.fieldWidth, kFieldHeight};
}
constexpr Bounds LabelBounds(ResultField field) {
  const GroupLayout& group = GroupOf(field);
  return {group.frame.left + kLabelLeft, group.frame.top + kFirstLabelTop + RowInGroup(field) * kRowPitch,
          kLabelWidth, kLabelHeight};
}

}  // namespace vantric
