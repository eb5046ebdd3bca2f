// Rollback network play's driver: the game's state saved before every frame
// that may yet be run again, and the re-run itself. When the other side's
// controls, now known, differ from the ones a frame ran with, the state
// saved before that frame comes back and every frame up to the present runs
// again with the controls known now, without a paint, a present, a sound or
// a box, so that the next picture shown is already the corrected one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace net {
class Lockstep;
}

namespace session {

// Told of every frame the driver runs again (for a recording's checkpoints,
// the runner's lines).
class RerunObserver {
 public:
  virtual void rerun(std::uint32_t frame, std::uint32_t crc) = 0;
  // Just before rerun(): the sounds that run of the frame asked for (the
  // runner's line of a frame prints them).
  virtual void rerunSounds(std::uint32_t /*frame*/, std::uint32_t /*sounds*/) {}

 protected:
  ~RerunObserver() = default;
};

class Rollback {
 public:
  // Keeps limit + 2 saved states of savedStateSize() bytes, allocated here
  // (not per frame); false when the window has no back buffer or memory
  // fails. The limit is the game's (core.rollback()), once the first frame
  // is painted.
  bool start(int limit);
  // The game's state as it is just before `frame` runs (before its input is
  // delivered).
  void saveBefore(std::uint32_t frame);
  // The first run of `frame` requested these sounds (they played): a re-run
  // compares against them.
  void played(std::uint32_t frame, std::uint32_t sounds);
  // When core.mispredicted() names a frame: restores the state saved before
  // it and runs every frame up to core.nextFrame() - 1 again through
  // stepFrame (no paint, present, sound or box) with core.rerun()'s events,
  // saving each frame's state before it, giving each frame's picture
  // checksum to the core (setFrameCrc) and to the observer. A sound that only
  // a re-run requests, for a frame at most LATE_SOUND_FRAMES before the
  // present, is requested now (it plays at the next idle pass); older ones
  // never; a sound played at first run never plays again. Returns the frames
  // run again (0: nothing to do).
  int catchUp(net::Lockstep& core, RerunObserver* observer = nullptr);
  static constexpr std::uint32_t LATE_SOUND_FRAMES = 4;
  void stop();  // frees the states

 private:
  // The sounds heard for a frame: by its first run, a late request, or a
  // request that moved here from a nearby frame; and what its last run asked.
  struct Sounds {
    std::uint32_t frame = 0xFFFFFFFFu;
    std::uint32_t heard = 0;
    std::uint32_t requested = 0;
  };
  std::uint8_t* state(std::uint32_t frame) const;
  Sounds* sounds(std::uint32_t frame) const;
  void settleSounds(std::uint32_t from, std::uint32_t to, std::uint32_t present);
  Sounds* movedFrom(std::uint32_t frame, std::uint32_t bit, std::uint32_t present) const;

  std::unique_ptr<std::uint8_t[]> block_;   // the states, one after another
  std::unique_ptr<std::uint32_t[]> saved_;  // the frame each state holds
  std::unique_ptr<Sounds[]> sounds_;
  std::size_t state_size_ = 0;
  std::uint32_t slots_ = 0;
  std::uint32_t sound_slots_ = 0;
};

}  // namespace session
