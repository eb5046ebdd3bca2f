#include "shapes/ship_figure.h"

#include "shell/reports.h"

void ShipFigure::draw(MainWindow* window, std::uint32_t pass) {
  if ((pass & (SHIP_PASS_SAVE | SHIP_PASS_DRAW | SHIP_PASS_RESTORE)) == 0) {
    ReportError(ERR_SHIP_PASS);
    return;
  }
  if (window == nullptr) return;
  const ColourIndex colour = body_colour;
  AttachmentSlot slots[SHIP_SLOTS];
  for (AttachmentSlot& slot : slots) slot = {0, 0, ATTACHMENT_SLOT_MARKER};
  std::uint32_t mode = SHAPE_RESTORE_UNDER;
  if ((pass & SHIP_PASS_SAVE) != 0) {
    mode = SHAPE_SAVE_UNDER;
  } else if ((pass & SHIP_PASS_DRAW) != 0) {
    mode = SHAPE_DRAW_PIXELS;
  }
  const std::int16_t stride = static_cast<std::int16_t>(window->stride);
  std::uint8_t* low = window->pixel_base;
  std::uint8_t* high = window->last_pixel;
  const PixelOffset origin = PixelOffset{y >> 8} * stride + (x >> 8);
  auto placed = [&](const AttachmentSlot& slot) {
    return origin + PixelOffset{slot.y} * stride + slot.x;
  };

  PixelOffset cursor = origin;
  DrawShape(mode, BodyShape, heading, stride, &cursor, low, high, colour, slots, SHIP_SLOTS,
            save_body, SHIP_SAVE_SIZE);
  cursor = placed(slots[0]);
  DrawShape(mode, ArmShape, arm, stride, &cursor, low, high, colour, nullptr, 0, save_arm,
            SHIP_SAVE_SIZE);
  cursor = placed(slots[1]);
  DrawShape(mode, WheelShape, wheel_a, stride, &cursor, low, high, colour, nullptr, 0, save_wheel_a,
            SHIP_SAVE_SIZE);
  cursor = placed(slots[2]);
  DrawShape(mode, WheelShape, wheel_b, stride, &cursor, low, high, colour, nullptr, 0, save_wheel_b,
            SHIP_SAVE_SIZE);
}
