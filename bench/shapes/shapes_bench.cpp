// Rasterizer throughput: the body shape in each mode at rotating angles, and
// the whole ship drawing pass (save, draw, restore) as the game runs it.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "shapes/rasterizer.h"
#include "shapes/ship_figure.h"
#include "shell/main_window.h"

namespace {

constexpr int WIDTH = 736;
constexpr int HEIGHT = 531;
constexpr int STRIDE = 736;
constexpr Angle ANGLE_STEP = 37;  // coprime with 4096: every angle comes round

// Pixels one walk of the shape visits at each angle, counted by saving a blank
// memory into a save area prefilled with 0xFF.
std::array<int, 4096> visitCounts(const ShapePoint* shape, std::vector<std::uint8_t>& pixels) {
  std::array<int, 4096> counts{};
  std::memset(pixels.data(), 0, pixels.size());
  for (int angle = 0; angle < 4096; ++angle) {
    std::uint8_t save[300];
    std::memset(save, 0xFF, sizeof save);
    PixelOffset cursor = PixelOffset{HEIGHT / 2} * STRIDE + WIDTH / 2;
    DrawShape(SHAPE_SAVE_UNDER, shape, static_cast<Angle>(angle), STRIDE, &cursor, pixels.data(),
              pixels.data() + pixels.size() - 1, 0, nullptr, 0, save, 300);
    int n = 0;
    while (n < 300 && save[n] == 0) ++n;
    counts[angle] = n;
  }
  return counts;
}

void BM_DrawShapeBody(benchmark::State& state) {
  const std::uint32_t mode = static_cast<std::uint32_t>(state.range(0));
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(STRIDE) * HEIGHT);
  const std::array<int, 4096> counts = visitCounts(BodyShape, pixels);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 7);
  std::uint8_t save[300] = {};
  AttachmentSlot slots[3];
  const PixelOffset origin = PixelOffset{HEIGHT / 2} * STRIDE + WIDTH / 2;
  std::int64_t visited = 0;
  Angle angle = 0;
  for (auto _ : state) {
    for (AttachmentSlot& slot : slots) slot = {0, 0, ATTACHMENT_SLOT_MARKER};
    PixelOffset cursor = origin;
    DrawShape(mode, BodyShape, angle, STRIDE, &cursor, pixels.data(),
              pixels.data() + pixels.size() - 1, 0x5A, slots, 3, save, 300);
    benchmark::DoNotOptimize(cursor);
    benchmark::ClobberMemory();
    visited += counts[static_cast<std::size_t>(angle)];
    angle = static_cast<Angle>((angle + ANGLE_STEP) & 4095);
  }
  state.counters["pixels/s"] =
      benchmark::Counter(static_cast<double>(visited), benchmark::Counter::kIsRate);
  state.counters["pixels/call"] =
      benchmark::Counter(static_cast<double>(visited) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_DrawShapeBody)
    ->ArgName("mode")
    ->Arg(SHAPE_SAVE_UNDER)
    ->Arg(SHAPE_DRAW_PIXELS)
    ->Arg(SHAPE_RESTORE_UNDER);

// One ship erased, moved on and drawn again, as in a frame: restore, then save
// and draw at the new heading. Time per iteration is the per-ship cost.
void BM_ShipSaveDrawRestore(benchmark::State& state) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(STRIDE) * HEIGHT);
  const std::array<int, 4096> body = visitCounts(BodyShape, pixels);
  const std::array<int, 4096> arm = visitCounts(ArmShape, pixels);
  const std::array<int, 4096> wheel = visitCounts(WheelShape, pixels);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 7);

  auto window = std::make_unique<MainWindow>();
  window->width = WIDTH;
  window->height = HEIGHT;
  window->stride = STRIDE;
  window->size = STRIDE * HEIGHT;
  window->BufferMadeMarker = BUFFER_MADE_MARKER;
  window->pixel_base = pixels.data();
  window->last_pixel = pixels.data() + pixels.size() - 1;
  window->pixel_end = pixels.data() + pixels.size();

  auto ship = std::make_unique<ShipFigure>();
  ship->x = (WIDTH / 2) << 8;
  ship->y = (HEIGHT / 2) << 8;
  ship->body_colour = 0x5A;
  std::int64_t visited = 0;
  for (auto _ : state) {
    ship->draw(window.get(), SHIP_PASS_SAVE);
    ship->draw(window.get(), SHIP_PASS_DRAW);
    ship->draw(window.get(), SHIP_PASS_RESTORE);
    benchmark::ClobberMemory();
    const std::int64_t per_pass = body[static_cast<std::size_t>(ship->heading)] +
                                  arm[static_cast<std::size_t>(ship->arm)] +
                                  wheel[static_cast<std::size_t>(ship->wheel_a)] +
                                  wheel[static_cast<std::size_t>(ship->wheel_b)];
    visited += 3 * per_pass;
    ship->heading = static_cast<Angle>((ship->heading + ANGLE_STEP) & 4095);
    ship->arm = static_cast<Angle>((ship->arm + 33) & 4095);
    ship->wheel_a = static_cast<Angle>((ship->wheel_a + 64) & 4095);
    ship->wheel_b = static_cast<Angle>((ship->wheel_b + 64) & 4095);
  }
  state.counters["pixels/s"] =
      benchmark::Counter(static_cast<double>(visited), benchmark::Counter::kIsRate);
  state.counters["ships/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ShipSaveDrawRestore);

}  // namespace
