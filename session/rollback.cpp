#include "session/rollback.h"

#include <cstdint>
#include <new>

#include "game/frame_runner.h"
#include "game/input_messages.h"
#include "game/saved_state.h"
#include "net/lockstep.h"
#include "record/checksum.h"
#include "shell/shell_globals.h"

namespace session {

namespace {

constexpr std::uint32_t NO_SAVE = 0xFFFFFFFFu;

// An event of the merged stream as the window procedure gets it from
// sendKey and sendButton: keys by their virtual key, button 1 the right one.
InputMessage messageOf(const net::GameEvent& e) {
  return e.mouse ? buttonMessage(e.code == 1 ? MOUSE_RIGHT : MOUSE_LEFT, e.down)
                 : keyMessage(e.code, e.down);
}

}  // namespace

bool Rollback::start(int limit) {
  stop();
  // Without a back buffer the state's size leaves out the pixels to come.
  if (!g_shell.main_window.hasPixels() || limit < 0) return false;
  const std::size_t size = savedStateSize();
  if (static_cast<std::size_t>(limit) + 2 > SIZE_MAX / size) return false;
  slots_ = static_cast<std::uint32_t>(limit) + 2;
  // Sounds reach LATE_SOUND_FRAMES further back: a request may move from there.
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
  *sounds(frame) = Sounds{frame, bits, bits};
}

int Rollback::catchUp(net::Lockstep& core, RerunObserver* observer) {
  const std::uint32_t from = core.mispredicted();
  const std::uint32_t present = core.nextFrame();
  // Only frames whose state before them is still kept can run again.
  if (from == net::NO_FRAME || slots_ == 0 || from >= present || present - from >= slots_ ||
      saved_[from % slots_] != from || !restoreState(state(from), state_size_)) {
    return 0;
  }
  int count = 0;
  for (std::uint32_t frame = from; frame < present; ++frame) {
    if (frame != from) saveBefore(frame);
    net::GameEvent events[net::MAX_FRAME_EVENTS];
    InputMessage input[net::MAX_FRAME_EVENTS];
    const int n = core.rerun(frame, events);
    for (int i = 0; i < n; ++i) input[i] = messageOf(events[i]);
    std::uint32_t bits = 0;
    if (!stepFrame({input, static_cast<std::size_t>(n)}, &bits)) break;
    Sounds* s = sounds(frame);
    if (s->frame != frame) *s = Sounds{frame, 0, 0};
    s->requested = bits;
    const std::uint32_t crc = record::frameChecksum();
    core.setFrameCrc(frame, crc);
    if (observer != nullptr) {
      observer->rerunSounds(frame, bits);
      observer->rerun(frame, crc);
    }
    ++count;
  }
  settleSounds(from, from + static_cast<std::uint32_t>(count), present);
  return count;
}

// Each sound a re-run asks for that nothing has played for its frame: the
// same sound heard for a frame nearby whose last run no longer asks for it
// is that request moved (it has played); otherwise it plays now if its frame
// is recent, and never if not.
void Rollback::settleSounds(std::uint32_t from, std::uint32_t to, std::uint32_t present) {
  std::uint32_t late = 0;
  for (std::uint32_t frame = from; frame < to; ++frame) {
    Sounds* s = sounds(frame);
    std::uint32_t fresh = s->requested & ~s->heard;
    while (fresh != 0) {
      const std::uint32_t bit = fresh & (~fresh + 1);
      fresh &= ~bit;
      s->heard |= bit;
      if (Sounds* moved = movedFrom(frame, bit, present); moved != nullptr) {
        moved->heard &= ~bit;
      } else if (present - frame <= LATE_SOUND_FRAMES) {
        late |= bit;
      }
    }
  }
  if (late != 0) requestSounds(late);
}

// The nearest frame within LATE_SOUND_FRAMES of `frame` (and still kept)
// that heard `bit` but whose last run does not ask for it.
Rollback::Sounds* Rollback::movedFrom(std::uint32_t frame, std::uint32_t bit,
                                      std::uint32_t present) const {
  for (std::uint32_t d = 1; d <= LATE_SOUND_FRAMES; ++d) {
    const std::uint32_t around[2] = {frame - d, frame + d};
    for (const std::uint32_t g : around) {
      // Kept: not in the future, and no further back than the ring holds.
      if (g >= present || present - g > sound_slots_) continue;
      Sounds* s = sounds(g);
      if (s->frame == g && (s->heard & bit) != 0 && (s->requested & bit) == 0) return s;
    }
  }
  return nullptr;
}

}  // namespace session
