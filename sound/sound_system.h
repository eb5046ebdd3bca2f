// The game's only link to sound. The game sets request bits while a frame is
// painted; the loop's idle pass plays what was requested and clears the bits.
#pragma once

#include <cstdint>

// Request bits: the bit of slot s is 2 << s; bit value 1 belongs to no slot.
inline constexpr std::uint32_t SOUND_REQ_HIT = 2;   // a shot struck
inline constexpr std::uint32_t SOUND_REQ_FIRE = 4;  // a ship fired
inline constexpr std::uint32_t SOUND_REQ_21 = 8;    // a ship was knocked away

struct SoundSystem {
  std::uint32_t requests = 0;  // asked for since the last update

  // Adds request bits; nothing else.
  void request(std::uint32_t mask) { requests |= mask; }
  // First frame: opens the sound library and loads the sounds.
  void start();
  // Idle pass of the loop: services the library, plays what was requested, clears the requests.
  void update();
  // The main window is being destroyed: releases the library.
  void shutdown();
};
