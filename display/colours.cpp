#include "display/colours.h"

#include "shell/reports.h"

namespace {
float channelDistance(BYTE entry, std::uint8_t wanted) {
  float d = static_cast<float>(entry) - static_cast<float>(wanted);
  if (d < 0.0f) d = -d;
  return d;
}
}  // namespace

ColourIndex FindNearestColour(MainWindow* window, std::uint8_t red, std::uint8_t green,
                              std::uint8_t blue) {
  if (window == nullptr) {
    ReportError(4466);
    return 0;
  }
  if (window->BufferMadeMarker != BUFFER_MADE_MARKER) ReportError(4466);
  float best_distance = 99999.9f;
  int best_index = 0;
  for (int i = 0; i < 256; ++i) {
    const RGBQUAD& e = window->bitmap_info.palette[i];
    const float sum = channelDistance(e.rgbRed, red) + channelDistance(e.rgbGreen, green) +
                      channelDistance(e.rgbBlue, blue);
    if (sum < best_distance) {
      best_distance = sum;
      best_index = i;
    }
  }
  if (best_index < 0 || best_index > 255) ReportError(4462);
  return static_cast<ColourIndex>(best_index);
}
