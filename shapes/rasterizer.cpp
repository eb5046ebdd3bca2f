#include "shapes/rasterizer.h"

#include <array>

#include "shell/reports.h"

namespace {

constexpr int PATTERN_SIDE = SEGMENT_AXIS_LIMIT + 1;

// Position of the minor coordinate after i major steps: i * minor / major
// rounded to nearest, an exact half going to the even neighbour.
constexpr int minorAt(int i, int minor, int major) {
  const int q = i * minor / major;
  const int r = i * minor % major;
  if (2 * r < major) return q;
  if (2 * r > major) return q + 1;
  return (q % 2 == 0) ? q : q + 1;
}

constexpr StepPattern makeStepPattern(int adx, int ady) {
  StepPattern pattern{};
  const bool x_major = adx >= ady;
  const int major = x_major ? adx : ady;
  const int minor = x_major ? ady : adx;
  pattern.count = static_cast<std::uint8_t>(major);
  for (int i = 1; i <= major; ++i) {
    const bool diagonal = minorAt(i, minor, major) > minorAt(i - 1, minor, major);
    pattern.tokens[i - 1] = diagonal ? StepToken::D : (x_major ? StepToken::X : StepToken::Y);
  }
  return pattern;
}

constexpr std::array<StepPattern, PATTERN_SIDE * PATTERN_SIDE> makeStepPatterns() {
  std::array<StepPattern, PATTERN_SIDE * PATTERN_SIDE> table{};
  for (int adx = 0; adx < PATTERN_SIDE; ++adx) {
    for (int ady = 0; ady < PATTERN_SIDE; ++ady) {
      table[adx * PATTERN_SIDE + ady] = makeStepPattern(adx, ady);
    }
  }
  return table;
}

constexpr std::array<StepPattern, PATTERN_SIDE* PATTERN_SIDE> STEP_PATTERNS = makeStepPatterns();

enum class Mode { Save, Draw, Restore };

// R(v): v / 4096 rounded to nearest, halves away from zero.
std::int32_t roundFixed12(std::int32_t v) {
  return v > 0 ? (v + FIXED12_ONE / 2) / FIXED12_ONE : (v - FIXED12_ONE / 2) / FIXED12_ONE;
}

// The state of one walk. The cursor is an offset from the pixel memory's
// first byte, carried as an unsigned value so that moves wrap instead of
// overflowing whatever the origin; a position is inside when it lies in
// 0 .. size - 1, so a negative offset is outside too.
struct Walk {
  std::uint8_t* pixels;
  std::uint64_t size;
  ColourIndex colour;
  std::uint8_t* save;
  std::int64_t save_size;
  std::int64_t k;
  std::uint64_t cursor;

  bool inside(std::uint64_t at) const { return at < size; }

  // Visits the pixel at an offset already known to be inside. False when a
  // save or restore would use a byte past the save area: nothing is touched.
  template <Mode M>
  bool visit(std::uint64_t at) {
    if constexpr (M == Mode::Draw) {
      pixels[at] = colour;
    } else {
      if (k >= save_size) return false;
      if constexpr (M == Mode::Save) {
        save[k] = pixels[at];
      } else {
        pixels[at] = save[k];
      }
      ++k;
    }
    return true;
  }

  // Walks one pen-down segment from the cursor. A main pixel outside the
  // memory ends the segment there; a corner pixel outside is only skipped.
  // False when the save area ran out (the cursor stays on the pixel that did
  // not fit).
  template <Mode M>
  bool segment(const StepPattern& pattern, std::uint64_t x_step, std::uint64_t y_step) {
    if (!inside(cursor)) return true;
    if (!visit<M>(cursor)) return false;
    for (int i = 0; i < pattern.count; ++i) {
      switch (pattern.tokens[i]) {
        case StepToken::X:
          cursor += x_step;
          break;
        case StepToken::Y:
          cursor += y_step;
          break;
        case StepToken::D:
          cursor += y_step;
          if (inside(cursor) && !visit<M>(cursor)) return false;
          cursor += x_step;
          break;
      }
      if (!inside(cursor)) return true;
      if (!visit<M>(cursor)) return false;
    }
    return true;
  }

  template <Mode M>
  void shape(const ShapePoint* point, Angle angle, std::int16_t stride, AttachmentSlot* slots,
             std::uint32_t slot_count) {
    Fixed12 sine = 0;
    Fixed12 cosine = FIXED12_ONE;
    if (angle != 0) LookupSineCosine(angle, &sine, &cosine);
    std::int32_t px = 0;
    std::int32_t py = 0;
    for (; point->x != SHAPE_END; ++point) {
      std::int32_t x = point->x;
      std::int32_t y = point->y;
      if (angle != 0) {
        // |x|, |y| <= 32768 and |sine|, |cosine| <= 4096: the sums fit 32 bits.
        const std::int32_t turned_x = roundFixed12(x * cosine + y * sine);
        y = roundFixed12(y * cosine - x * sine);
        x = turned_x;
      }
      const std::uint32_t slot = point->flags & SHAPE_SLOT_MASK;
      if (slot != 0 && slots != nullptr) {
        AttachmentSlot* record = slot <= slot_count ? &slots[slot - 1] : nullptr;
        if (record != nullptr && record->marker == ATTACHMENT_SLOT_MARKER) {
          record->x = static_cast<std::int16_t>(x);
          record->y = static_cast<std::int16_t>(y);
        } else {
          ReportError(ERR_SHAPE_SLOT_MARKER);
        }
      }
      const std::int32_t dx = x - px;
      const std::int32_t dy = y - py;
      const std::int32_t adx = dx < 0 ? -dx : dx;
      const std::int32_t ady = dy < 0 ? -dy : dy;
      // Steps as two's-complement values: adding one wraps to a subtraction.
      const std::uint64_t x_step = dx < 0 ? ~std::uint64_t{0} : 1;
      const std::uint64_t y_step =
          static_cast<std::uint64_t>(dy < 0 ? -PixelOffset{stride} : PixelOffset{stride});
      if (k > save_size - SAVE_ROOM_PER_VERTEX) {
        ReportError(ERR_SHAPE_SAVE_FULL);
        return;
      }
      if ((point->flags & SHAPE_PEN_DOWN) == 0) {
        cursor +=
            static_cast<std::uint64_t>(ady) * y_step + static_cast<std::uint64_t>(adx) * x_step;
      } else if (ady > SEGMENT_AXIS_LIMIT) {
        ReportError(ERR_SHAPE_TALL_SEGMENT);
      } else if (adx > SEGMENT_AXIS_LIMIT) {
        if (ady < SEGMENT_AXIS_LIMIT) ReportError(ERR_SHAPE_WIDE_SEGMENT + ady);
      } else if (!segment<M>(STEP_PATTERNS[adx * PATTERN_SIDE + ady], x_step, y_step)) {
        // The next pixel would not fit in the save area: stop as the check
        // before a vertex does, without the check after the terminator.
        ReportError(ERR_SHAPE_SAVE_FULL);
        return;
      }
      px = x;
      py = y;
    }
    if (k > save_size - 1) ReportError(ERR_SHAPE_SAVE_FULL);
  }
};

}  // namespace

const StepPattern& stepPattern(int adx, int ady) {
  if (adx < 0 || adx > SEGMENT_AXIS_LIMIT || ady < 0 || ady > SEGMENT_AXIS_LIMIT) {
    return STEP_PATTERNS[0];
  }
  return STEP_PATTERNS[adx * PATTERN_SIDE + ady];
}

void DrawShape(std::uint32_t mode, const ShapePoint* shape, Angle angle, std::int16_t stride,
               PixelOffset* cursor, std::uint8_t* low_bound, std::uint8_t* high_bound,
               ColourIndex colour_num, AttachmentSlot* slots, std::uint32_t slot_count,
               std::uint8_t* save_area, std::uint32_t save_size) {
  if (shape == nullptr || cursor == nullptr) return;
  if (shape[0].x == SHAPE_END) return;
  if ((shape[0].flags & SHAPE_PEN_DOWN) != 0) {
    ReportError(ERR_SHAPE_FIRST_PEN_DOWN);
    return;
  }
  if (save_area == nullptr) {
    ReportError(ERR_SHAPE_NO_SAVE_AREA);
    return;
  }
  Walk walk{};
  if (low_bound != nullptr && high_bound != nullptr && high_bound >= low_bound) {
    walk.pixels = low_bound;
    walk.size = static_cast<std::uint64_t>(high_bound - low_bound) + 1;
  }
  walk.colour = colour_num;
  walk.save = save_area;
  walk.save_size = save_size;
  walk.k = 0;
  walk.cursor = static_cast<std::uint64_t>(*cursor);
  if ((mode & SHAPE_SAVE_UNDER) != 0) {
    walk.shape<Mode::Save>(shape, angle, stride, slots, slot_count);
  } else if ((mode & SHAPE_DRAW_PIXELS) != 0) {
    walk.shape<Mode::Draw>(shape, angle, stride, slots, slot_count);
  } else if ((mode & SHAPE_RESTORE_UNDER) != 0) {
    walk.shape<Mode::Restore>(shape, angle, stride, slots, slot_count);
  } else {
    ReportError(ERR_SHAPE_NO_MODE);
    return;
  }
  *cursor = static_cast<PixelOffset>(walk.cursor);
}
