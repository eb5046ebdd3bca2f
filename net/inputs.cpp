#include "net/inputs.h"

#include "game/lock_times.h"
#include "net/protocol.h"

namespace net {

namespace {

constexpr std::uint8_t HELD[2] = {ARM_BACK_HELD, ARM_ON_HELD};
constexpr std::uint8_t PRESSED[2] = {ARM_BACK_PRESSED, ARM_ON_PRESSED};

GameEvent armEvent(int player, int control, bool down) {
  GameEvent e;
  e.mouse = player == 0;
  e.code = static_cast<std::uint8_t>(controlCode(player == 0, static_cast<ArmControl>(control)));
  e.down = down;
  return e;
}

}  // namespace

void ControlSampler::press(Control control) {
  if (control == ArmControl::Back) {
    held_ |= ARM_BACK_HELD;
    frame_ |= ARM_BACK_PRESSED;
  } else {
    held_ |= ARM_ON_HELD;
    frame_ |= ARM_ON_PRESSED;
  }
}

void ControlSampler::release(Control control) {
  if (control == ArmControl::Back) held_ &= static_cast<std::uint8_t>(~ARM_BACK_HELD);
  if (control == ArmControl::On) held_ &= static_cast<std::uint8_t>(~ARM_ON_HELD);
}

std::uint8_t ControlSampler::take() {
  const auto byte = static_cast<std::uint8_t>(frame_ | held_);
  frame_ = 0;
  return byte;
}

bool InputMerger::locked() const {
  // The game's own test, on the frame numbers its events give it.
  return !(static_cast<std::int32_t>(frame_ - level_frame_) >= LEVEL_LOCK_FRAMES &&
           frame_ >= static_cast<std::uint32_t>(START_LOCK_FRAMES));
}

int InputMerger::merge(std::uint8_t host, std::uint8_t joiner, GameEvent* out) {
  const bool lock = locked();
  int count = 0;
  // Level clicks of the last frame end first.
  for (int button = 0; button < 2; ++button) {
    if (click_down_[button]) {
      click_down_[button] = false;
      if (!held_[0][button])
        out[count++] = GameEvent{true, static_cast<std::uint8_t>(button), false};
    }
  }
  const std::uint8_t bytes[2] = {host, joiner};
  for (int player = 0; player < 2; ++player) {
    const std::uint8_t b = bytes[player];
    for (int control = 0; control < 2; ++control) {
      const bool was = held_[player][control];
      const bool now = (b & HELD[control]) != 0;
      const bool pressed = (b & PRESSED[control]) != 0 || (!was && now);
      if (pressed) {
        // Released and pressed again within the frame: both, in that order.
        if (was) out[count++] = armEvent(player, control, false);
        out[count++] = armEvent(player, control, true);
        if (!now) out[count++] = armEvent(player, control, false);
      } else if (was && !now) {
        out[count++] = armEvent(player, control, false);
      }
      held_[player][control] = now;
      // The joiner's press in a locked frame clicks the button its control
      // stands for (arm back the left, which steps the level down; arm on the
      // right, up), unless the host holds it.
      if (player == 1 && lock && pressed && !held_[0][control] && !click_down_[control]) {
        out[count++] = GameEvent{true, static_cast<std::uint8_t>(control), true};
        click_down_[control] = true;
      }
    }
  }
  for (int i = 0; i < count; ++i) {
    if (out[i].mouse) mouse_[out[i].code] = out[i].down ? 1 : -1;
  }
  // In a locked frame the game builds a level whenever a button is down.
  if (lock && (mouse_[0] == 1 || mouse_[1] == 1)) level_frame_ = frame_;
  frame_ = frame_ + 1u;
  return count;
}

}  // namespace net
