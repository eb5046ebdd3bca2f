// A small bottom-up 8-bit pixel memory for shape tests, with guard bytes on
// both sides so that a test can prove nothing outside it was touched.
#pragma once

#include <cstdint>
#include <vector>

#include "shapes/rasterizer.h"
#include "shell/main_window.h"

class PixelBuffer {
 public:
  static constexpr int GUARD = 4096;
  static constexpr std::uint8_t GUARD_BYTE = 0xA5;

  PixelBuffer(int width, int height)
      : width_(width),
        height_(height),
        stride_((width + 3) / 4 * 4),
        bytes_(static_cast<std::size_t>(stride_ * height + 2 * GUARD), GUARD_BYTE) {
    fill(0);
  }

  int width() const { return width_; }
  int height() const { return height_; }
  int stride() const { return stride_; }
  int size() const { return stride_ * height_; }
  std::uint8_t* low() { return bytes_.data() + GUARD; }
  std::uint8_t* high() { return low() + size() - 1; }
  PixelOffset at(int x, int y) const { return PixelOffset{y} * stride_ + x; }
  std::uint8_t& pixel(int x, int y) { return low()[at(x, y)]; }

  void fill(std::uint8_t value) {
    for (int i = 0; i < size(); ++i) low()[i] = value;
  }
  // How many pixel memory bytes hold the value.
  int count(std::uint8_t value) {
    int n = 0;
    for (int i = 0; i < size(); ++i) n += low()[i] == value;
    return n;
  }
  // Every pixel memory byte from a simple generator; seed 0 is not special.
  void scramble(std::uint32_t seed) {
    for (int i = 0; i < size(); ++i) {
      seed = seed * 1664525u + 1013904223u;
      low()[i] = static_cast<std::uint8_t>(seed >> 24);
    }
  }
  std::vector<std::uint8_t> pixels() const {
    return std::vector<std::uint8_t>(bytes_.begin() + GUARD, bytes_.end() - GUARD);
  }
  bool guardsIntact() const {
    for (int i = 0; i < GUARD; ++i) {
      if (bytes_[i] != GUARD_BYTE || bytes_[bytes_.size() - 1 - i] != GUARD_BYTE) return false;
    }
    return true;
  }
  // A MainWindow record that points at this memory.
  void bind(MainWindow* window) {
    window->width = width_;
    window->height = height_;
    window->stride = stride_;
    window->size = size();
    window->BufferMadeMarker = BUFFER_MADE_MARKER;
    window->pixel_base = low();
    window->last_pixel = high();
    window->pixel_end = low() + size();
  }

 private:
  int width_;
  int height_;
  int stride_;
  std::vector<std::uint8_t> bytes_;
};
