#include "shapes/shape_data.h"

namespace {
constexpr std::uint16_t UP = 0;
constexpr std::uint16_t DOWN = SHAPE_PEN_DOWN;
}  // namespace

// clang-format off
const ShapePoint BodyShape[BODY_SHAPE_POINTS] = {
    {-15, 8, UP},     // left leg
    {-15, 12, DOWN},
    {-10, 12, DOWN},  // bar
    {-5, 12, DOWN},
    {0, 12, DOWN},
    {5, 12, DOWN},
    {10, 12, DOWN},
    {15, 12, DOWN},
    {15, 8, DOWN},    // right leg
    {-4, 5, UP},      // stroke under the bar
    {4, 5, DOWN},
    {-5, 12, UP},     // dome
    {-4, 17, DOWN},
    {-2, 22, DOWN},
    {2, 22, DOWN},
    {4, 17, DOWN},
    {5, 12, DOWN},
    {0, 20, 1},       // arm pivot
    {-10, 6, 2},      // first wheel
    {10, 6, 3},       // second wheel
    {SHAPE_END, SHAPE_END, 0},
};

const ShapePoint ArmShape[ARM_SHAPE_POINTS] = {
    {-10, 0, UP},
    {-8, 3, DOWN},
    {-5, 4, DOWN},
    {0, 5, DOWN},
    {5, 4, DOWN},
    {10, 3, DOWN},
    {15, 3, DOWN},
    {20, 2, DOWN},
    {20, -2, DOWN},
    {15, -3, DOWN},
    {10, -3, DOWN},
    {5, -5, DOWN},
    {0, -5, DOWN},
    {-5, -4, DOWN},
    {-8, -3, DOWN},
    {-10, 0, DOWN},
    {SHAPE_END, SHAPE_END, 0},
};

const ShapePoint WheelShape[WHEEL_SHAPE_POINTS] = {
    {0, 6, UP},
    {2, 6, DOWN},
    {4, 5, DOWN},
    {5, 4, DOWN},
    {6, 2, DOWN},
    {6, 0, DOWN},
    {6, -2, DOWN},
    {5, -4, DOWN},
    {4, -5, DOWN},
    {2, -6, DOWN},
    {0, -6, DOWN},
    {-2, -6, DOWN},
    {-4, -5, DOWN},
    {-5, -4, DOWN},
    {-6, -2, DOWN},
    {-6, 0, DOWN},
    {-6, 2, DOWN},
    {-4, 5, DOWN},    // the ring passes (-4, 5) before (-5, 4)
    {-5, 4, DOWN},
    {-2, 6, DOWN},
    {0, 6, DOWN},
    {0, 0, DOWN},     // spoke
    {SHAPE_END, SHAPE_END, 0},
};
// clang-format on
