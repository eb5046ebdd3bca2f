// Nearest palette colour for an RGB triple (city-block distance, ties to the
// lowest index), read from the back buffer's palette copy.
#pragma once

#include <cstdint>

#include "shell/main_window.h"

ColourIndex FindNearestColour(MainWindow* window, std::uint8_t red, std::uint8_t green,
                              std::uint8_t blue);
