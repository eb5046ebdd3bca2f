#include "tools/icongen/icon.h"

#include <zlib.h>

#include <algorithm>

#include <cstdio>

#include "shapes/ship_figure.h"

namespace icongen {
namespace {

// The picture's own colours, by index into the buffer the rasterizer draws in.
enum : ColourIndex { BLACK, WHITE, BORDER, SHIP0, SHIP1, COLOURS };
// The game's colours: its palette is a cube of multiples of 51; the players'
// colours are the nearest to those it asks for.
constexpr std::uint8_t RGB[COLOURS][3] = {
    {0, 0, 0}, {255, 255, 255}, {153, 153, 153}, {204, 204, 255}, {102, 102, 0}};

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void putLe(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void chunk(std::vector<std::uint8_t>& out, const char* type,
           const std::vector<std::uint8_t>& data) {
  put32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0, out.data() + start, static_cast<uInt>(out.size() - start));
  put32(out, static_cast<std::uint32_t>(crc));
}

}  // namespace

Picture drawIcon() {
  constexpr int N = DRAWN_SIZE;
  // Rows counted from the bottom, as in the game's back buffer.
  std::vector<std::uint8_t> pixels(N * N);
  for (int y = 0; y < N; ++y) {
    for (int x = 0; x < N; ++x) {
      const bool edge = x == 0 || y == 0 || x == N - 1 || y == N - 1;
      pixels[y * N + x] = edge ? BORDER : x < N / 2 ? BLACK : WHITE;
    }
  }
  MainWindow window;
  window.width = N;
  window.height = N;
  window.stride = N;
  window.pixel_base = pixels.data();
  window.last_pixel = pixels.data() + pixels.size() - 1;
  // Each player on the other's colour, in the middle of its half, arms raised
  // towards each other. Angles: a quarter turn is 1024.
  struct Walker {
    int x;
    Angle arm;
    ColourIndex colour;
  };
  const Walker walkers[] = {{N / 4, 3700, SHIP0}, {N * 3 / 4, 400, SHIP1}};
  for (const Walker& w : walkers) {
    ShipFigure figure;
    figure.x = w.x << 8;
    figure.y = (N / 3) << 8;
    figure.arm = w.arm;
    figure.wheel_b = 1024;
    figure.body_colour = w.colour;
    figure.draw(&window, SHIP_PASS_DRAW);
  }
  Picture picture;
  picture.size = N;
  picture.rgba.reserve(N * N * 4);
  for (int y = N - 1; y >= 0; --y) {
    for (int x = 0; x < N; ++x) {
      const std::uint8_t* rgb = RGB[pixels[y * N + x]];
      picture.rgba.insert(picture.rgba.end(), {rgb[0], rgb[1], rgb[2], 255});
    }
  }
  return picture;
}

Picture scaled(const Picture& from, int size) {
  Picture to;
  to.size = size;
  to.rgba.resize(static_cast<std::size_t>(size) * size * 4);
  const int n = from.size;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      // The source area [x*n, (x+1)*n) / size on each axis, in units of 1/size pixel.
      std::uint64_t sum[4] = {};
      std::uint64_t weight = 0;
      for (int sy = y * n / size; sy < n && sy * size < (y + 1) * n; ++sy) {
        const int cover_y = std::min((sy + 1) * size, (y + 1) * n) - std::max(sy * size, y * n);
        for (int sx = x * n / size; sx < n && sx * size < (x + 1) * n; ++sx) {
          const int cover_x = std::min((sx + 1) * size, (x + 1) * n) - std::max(sx * size, x * n);
          const std::uint64_t w = static_cast<std::uint64_t>(cover_x) * cover_y;
          for (int c = 0; c < 4; ++c) sum[c] += w * from.rgba[(sy * n + sx) * 4 + c];
          weight += w;
        }
      }
      for (int c = 0; c < 4; ++c) {
        to.rgba[(y * size + x) * 4 + c] = static_cast<std::uint8_t>((sum[c] + weight / 2) / weight);
      }
    }
  }
  return to;
}

std::vector<std::uint8_t> png(const Picture& picture) {
  const int n = picture.size;
  std::vector<std::uint8_t> raw;
  raw.reserve(static_cast<std::size_t>(n) * (n * 4 + 1));
  for (int y = 0; y < n; ++y) {
    raw.push_back(0);  // no filter
    raw.insert(raw.end(), picture.rgba.begin() + y * n * 4, picture.rgba.begin() + (y + 1) * n * 4);
  }
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<std::uint8_t> packed(packed_size);
  if (compress2(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()), 9) !=
      Z_OK) {
    return {};
  }
  packed.resize(packed_size);
  std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  put32(header, static_cast<std::uint32_t>(n));
  put32(header, static_cast<std::uint32_t>(n));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, no interlace
  chunk(out, "IHDR", header);
  chunk(out, "IDAT", packed);
  chunk(out, "IEND", {});
  return out;
}

std::vector<std::uint8_t> ico(const std::vector<Picture>& pictures) {
  std::vector<std::uint8_t> out;
  putLe(out, 0, 2);  // reserved
  putLe(out, 1, 2);  // an icon
  putLe(out, static_cast<std::uint32_t>(pictures.size()), 2);
  std::vector<std::vector<std::uint8_t>> images;
  for (const Picture& p : pictures) images.push_back(png(p));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * pictures.size());
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const int n = pictures[i].size;
    out.push_back(static_cast<std::uint8_t>(n >= 256 ? 0 : n));  // 0 stands for 256
    out.push_back(static_cast<std::uint8_t>(n >= 256 ? 0 : n));
    out.push_back(0);   // no palette
    out.push_back(0);   // reserved
    putLe(out, 1, 2);   // planes
    putLe(out, 32, 2);  // bits per pixel
    putLe(out, static_cast<std::uint32_t>(images[i].size()), 4);
    putLe(out, offset, 4);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
  return out;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    std::fprintf(stderr, "icongen: cannot write %s\n", path.c_str());
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && written && !bytes.empty();
}

}  // namespace icongen
