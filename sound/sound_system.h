// The game's only link to sound. The game sets request bits while a frame is
// painted; the loop's idle pass plays what was requested, each sound at most
// once per SOUND_MIN_GAP frames, and clears the bits. Every failure the sound
// library reports ends the process with status -1.
#pragma once

#include <cstdint>

#include "platform/audio.h"

inline constexpr std::int32_t SOUND_SLOTS = 10;
// Presented frames between two starts of one sound: a tenth of a second.
inline constexpr std::int32_t SOUND_MIN_GAP = 6;

// The slots the program fills, and their request bits: the bit of slot s is
// 2 << s; bit value 1 belongs to no slot.
inline constexpr std::int32_t SOUND_HIT = 0;        // "hit.wav"
inline constexpr std::int32_t SOUND_FIRE = 1;       // "fire.wav"
inline constexpr std::int32_t SOUND_21 = 2;         // "sound21.wav"
inline constexpr std::uint32_t SOUND_REQ_HIT = 2;   // a shot struck
inline constexpr std::uint32_t SOUND_REQ_FIRE = 4;  // a ship fired
inline constexpr std::uint32_t SOUND_REQ_21 = 8;    // a ship was knocked away

struct SoundSystem {
  std::uint32_t requests;         // asked for since the last update
  AudioSystem* system = nullptr;  // made by start; never set back to null
  // presented_frames at the slot's last start, where has_played is set: every
  // value of the wrapping clock is a time, so none can mark "never".
  std::uint32_t last_played[SOUND_SLOTS];
  bool has_played[SOUND_SLOTS];
  AudioSound* sounds[SOUND_SLOTS];  // null: empty slot

  SoundSystem() { reset(); }
  // Clears the requests, the play times and the slots; leaves `system` alone.
  void reset();
  // First frame: opens the sound library and loads the three sounds.
  void start();
  // Loads a file into an empty slot.
  void loadSound(std::int32_t slot, const char* name);
  // Adds request bits; nothing else.
  void request(std::uint32_t mask) { requests |= mask; }
  // Starts the slot's sound unless it started less than SOUND_MIN_GAP frames ago.
  void play(std::int32_t slot);
  // Idle pass of the loop: services the library, plays hit, fire and 21 as
  // requested, clears every request bit.
  void update();
  // The main window is being destroyed: releases the library.
  void shutdown();
};

// Shows the fatal box for a failed library call (`where` names the call); the
// caller ends the process.
void reportSoundError(const char* where, std::int32_t result);
