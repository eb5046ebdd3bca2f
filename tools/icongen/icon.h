// The program's icon: a walker of each player on the two-colour ground, drawn
// by the game's own shape rasterizer, as RGBA pictures of any size and as
// PNG and Windows icon files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace icongen {

// The sizes the build writes, in pixels square.
inline constexpr int ICON_SIZES[] = {16, 32, 48, 64, 128, 256};
// The size the walkers are drawn at, one rasterizer pixel to one picture pixel.
inline constexpr int DRAWN_SIZE = 96;

// Rows top first, four bytes a pixel (red, green, blue, alpha).
struct Picture {
  int size = 0;
  std::vector<std::uint8_t> rgba;
};

// The icon drawn at DRAWN_SIZE.
Picture drawIcon();
// The picture at another size: whole multiples repeat each pixel, smaller
// sizes average the pixels each new one covers.
Picture scaled(const Picture& picture, int size);
// A PNG file of the picture (8-bit RGBA).
std::vector<std::uint8_t> png(const Picture& picture);
// A Windows icon file holding each picture as PNG, in the order given.
std::vector<std::uint8_t> ico(const std::vector<Picture>& pictures);

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace icongen
