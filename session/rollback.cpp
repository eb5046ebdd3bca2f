#include "session/rollback.h"

#include <new>

#include "game/frame_runner.h"
#include "game/saved_state.h"

namespace session {

namespace {

constexpr std::uint32_t NO_SAVE = 0xFFFFFFFFu;

}  // namespace

bool Rollback::start(int limit) {
  stop();
  const std::size_t size = savedStateSize();
  if (size == 0 || limit < 0) return false;
  slots_ = static_cast<std::uint32_t>(limit) + 2;
  sound_slots_ = slots_ + LATE_SOUND_FRAMES;
  block_.reset(new (std::nothrow) std::uint8_t[size * slots_]);
  saved_.reset(new (std::nothrow) std::uint32_t[slots_]);
  sounds_.reset(new (std::nothrow) Sounds[sound_slots_]);
  if (!block_ || !saved_ || !sounds_) {
    stop();
    return false;
  }
  state_size_ = size;
  for (std::uint32_t i = 0; i < slots_; ++i) saved_[i] = NO_SAVE;
  return true;
}

void Rollback::stop() {
  block_.reset();
  saved_.reset();
  sounds_.reset();
  state_size_ = 0;
  slots_ = 0;
  sound_slots_ = 0;
}

std::uint8_t* Rollback::state(std::uint32_t frame) const {
  return block_.get() + static_cast<std::size_t>(frame % slots_) * state_size_;
}

Rollback::Sounds* Rollback::sounds(std::uint32_t frame) const {
  return &sounds_[frame % sound_slots_];
}

void Rollback::saveBefore(std::uint32_t frame) {
  if (slots_ == 0) return;
  saved_[frame % slots_] = saveState(state(frame), state_size_) ? frame : NO_SAVE;
}

void Rollback::played(std::uint32_t frame, std::uint32_t bits) {
  if (sound_slots_ == 0) return;
  Sounds* s = sounds(frame);
  *s = Sounds{frame, bits, bits};
}

void Rollback::settleSounds(std::uint32_t, std::uint32_t) {}

int Rollback::catchUp(net::Lockstep&, RerunObserver*) { return 0; }

}  // namespace session
