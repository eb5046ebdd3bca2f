// A player's controls per frame and the one stream of game input both
// computers build from the two players' controls.
//
// Each side samples its own player's controls into one byte per frame
// (net/protocol.h: arm back, arm on), relative to that player's ship. The
// merge maps them onto the ships: the host steers ship 0 (the mouse's
// buttons), the joiner ship 1 (Z and X). While the game's controls are locked
// (at the start and after a level build) the mouse's buttons select the level,
// so the host's presses do that by themselves; a joiner's press then is also
// a click of the same button (down in its frame, up in the next) unless the
// host holds it. For each frame the host's events come first, then the
// joiner's.
#pragma once

#include <cstdint>

#include "game/player_controls.h"

namespace net {

enum class Player : std::uint8_t { Host = 0, Joiner = 1 };

// A player's two arm controls (game/player_controls.h).
using Control = ArmControl;

// One input event for the program, as the replay runner's script names them:
// a key (virtual-key code) or a mouse button (0 left, 1 right), down or up.
struct GameEvent {
  bool mouse = false;
  std::uint8_t code = 0;
  bool down = false;
  friend bool operator==(const GameEvent&, const GameEvent&) = default;
};

// Most events one frame can give: the last frame's two clicks released, three
// per arm control per player (up, down, up), the joiner's two clicks.
inline constexpr int MAX_FRAME_EVENTS = 16;

// Collects one player's control changes during a frame into its byte.
class ControlSampler {
 public:
  void press(Control control);
  void release(Control control);
  // This frame's byte; the next frame starts with the controls held now.
  std::uint8_t take();

 private:
  std::uint8_t held_ = 0;
  std::uint8_t frame_ = 0;
};

// Turns both players' bytes, frame by frame from frame 0, into the program's
// events. It keeps what is held and follows the game's control locks from the
// events alone, so both sides must feed it the same frames in order.
class InputMerger {
 public:
  // The events of the next frame into out (MAX_FRAME_EVENTS); their count.
  int merge(std::uint8_t host, std::uint8_t joiner, GameEvent* out);
  // Whether the game's controls are locked in the next frame.
  bool locked() const;

 private:
  bool held_[2][2] = {};     // [player][0 arm back, 1 arm on]
  bool click_down_[2] = {};  // a level click's button to release next frame
  // The game's view of the mouse's buttons: 1 down, -1 up, 0 never pressed.
  std::int8_t mouse_[2] = {};
  std::uint32_t frame_ = 0;        // the next frame
  std::uint32_t level_frame_ = 0;  // the frame of the last level build
};

}  // namespace net
