// Twips (1/1440 inch) and pixels: pixels = twips x dots per inch / 1440,
// rounded to the nearest pixel, halves away from zero (100 twips at 96 DPI
// are 7 pixels).
#pragma once

#include <cstdint>

namespace rt {

constexpr int TwipsToPixels(int twips, int dpi) {
  std::int64_t product = static_cast<std::int64_t>(twips) * dpi;
  std::int64_t half = product < 0 ? -720 : 720;
  return static_cast<int>((product + half) / 1440);
}

constexpr int PixelsToTwips(int pixels, int dpi) {
  if (dpi <= 0) return 0;
  std::int64_t product = static_cast<std::int64_t>(pixels) * 1440;
  std::int64_t half = (product < 0 ? -dpi : dpi) / 2;
  return static_cast<int>((product + half) / dpi);
}

}  // namespace rt
