// The game's state as a value: everything a frame reads and writes, saved
// into a caller's block of memory and restored from it, for re-running frames
// (rollback network play) and looking ahead. Handles and library objects (the
// window, device contexts, the sound library's objects) are not state: a
// restore keeps them as they are. Neither are the sound library's play
// times, which record what was heard, not what the game is.
#pragma once

#include <cstddef>
#include <cstdint>

// The parts of a saved state. Every save holds all of them; a test may leave
// one out to show that a restore without it goes wrong.
inline constexpr std::uint32_t SAVED_SHIPS = 1;            // both ships, save areas included
inline constexpr std::uint32_t SAVED_SHOTS = 2;            // the shot pool
inline constexpr std::uint32_t SAVED_LEVEL = 4;            // level, its build frame, border colour
inline constexpr std::uint32_t SAVED_SOUND_REQUESTS = 8;   // request bits not yet played
inline constexpr std::uint32_t SAVED_RANDOM = 16;          // the random channels
inline constexpr std::uint32_t SAVED_FRAME_COUNTERS = 32;  // presented frames, frames since resize
inline constexpr std::uint32_t SAVED_INPUT = 64;           // key and mouse-button bytes
inline constexpr std::uint32_t SAVED_PIXELS = 128;         // the back buffer's pixel memory
inline constexpr std::uint32_t SAVED_ALL = 255;

// Bytes of a block for a back buffer of this client size (none when either
// is 0 or less), and for the main window's buffer as it is now.
std::size_t savedStateSize(std::int32_t width, std::int32_t height);
std::size_t savedStateSize();

// Saves the state into a block of at least savedStateSize() bytes; false
// (nothing written) when the block is missing or too small.
bool saveState(void* block, std::size_t size, std::uint32_t parts = SAVED_ALL);

// Restores a block saveState wrote. A block of another back-buffer geometry
// (width, height, stride, or a buffer where there is none now or the other
// way round), of the wrong size, or without the marker is refused: false,
// and nothing is changed. Only the parts the block holds are restored.
bool restoreState(const void* block, std::size_t size);
