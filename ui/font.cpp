#include "ui/font.h"

namespace vantric::ui {

int PointsToHeight(int points) {
  const unique_hdc_window screen(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
  return -MulDiv(points, dpi, 72);
}

unique_hfont MakeFont(const std::string& face, int points, FontWeight weight, BYTE pitchAndFamily) {
  LOGFONTA font{};
  font.lfHeight = PointsToHeight(points);
  font.lfWeight = weight == FontWeight::kBold ? FW_BOLD : FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = pitchAndFamily;
  lstrcpynA(font.lfFaceName, face.c_str(), LF_FACESIZE);
  return unique_hfont(CreateFontIndirectA(&font));
}

}  // namespace vantric::ui
