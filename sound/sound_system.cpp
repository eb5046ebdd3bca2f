#include "sound/sound_system.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/win32.h"
#include "shell/reports.h"
#include "shell/shell_globals.h"

namespace {

constexpr int SOUND_CHANNELS = 5;
constexpr int SOUND_FAILURE_STATUS = -1;
constexpr std::size_t SOUND_ERROR_SIZE = 512;
// Where and text together this long or longer take the short form, which
// leaves the text out, so that the message always fits its buffer.
constexpr std::size_t SOUND_ERROR_SHORT_FORM = 412;
constexpr UINT SOUND_ERROR_STYLE = MB_OK | MB_TASKMODAL;

// A failure the library reports is fatal: the box, then the runtime's normal
// exit. Nothing is released; the window stays until the process is gone.
[[noreturn]] void failCall(const char* where, AudioResult result) {
  reportSoundError(where, result);
  runExitHook();
  std::exit(SOUND_FAILURE_STATUS);
}

}  // namespace

void SoundSystem::reset() {
  requests = 0;
  for (std::int32_t s = 0; s < SOUND_SLOTS; ++s) {
    last_played[s] = 0;
    has_played[s] = false;
    sounds[s] = nullptr;
  }
}

void SoundSystem::start() {
  reset();
  // A second start (the frame clock wrapped round to 0, or a continued report
  // left the first frame uncounted) would find the one system still open.
  if (system != nullptr) audioSystemRelease(system);
  if (const AudioResult r = audioSystemCreate(&system); r != AUDIO_OK) {
    failCall("audioSystemCreate", r);
  }
  if (const AudioResult r = audioSystemInit(system, SOUND_CHANNELS, AUDIO_INIT_DEFAULT, nullptr);
      r != AUDIO_OK) {
    failCall("audioSystemInit", r);
  }
  loadSound(SOUND_HIT, "hit.wav");
  loadSound(SOUND_FIRE, "fire.wav");
  loadSound(SOUND_21, "sound21.wav");
}

void SoundSystem::loadSound(std::int32_t slot, const char* name) {
  if (slot < 0 || slot >= SOUND_SLOTS) {
    ReportError(7224);
    return;
  }
  if (sounds[slot] != nullptr) {
    ReportError(7225);
    return;
  }
  const AudioResult r = audioCreateSound(system, name, AUDIO_MODE_DEFAULT, nullptr, &sounds[slot]);
  if (r != AUDIO_OK) failCall("audioCreateSound", r);
}

void SoundSystem::play(std::int32_t slot) {
  if (slot < 0 || slot >= SOUND_SLOTS) {
    ReportError(7226);
    return;
  }
  if (sounds[slot] == nullptr) {
    ReportError(7227);
    return;
  }
  // The gap as a signed difference stays right across the clock's wrap; a
  // sound that never played starts whatever the clock says.
  const std::uint32_t now = g_shell.main_window.presented_frames;
  if (has_played[slot] && static_cast<std::int32_t>(now - last_played[slot]) < SOUND_MIN_GAP) {
    return;
  }
  if (const AudioResult r = audioPlaySound(system, sounds[slot]); r != AUDIO_OK) {
    failCall("audioPlaySound", r);
  }
  last_played[slot] = now;
  has_played[slot] = true;
}

void SoundSystem::update() {
  // Before the start there is no library to serve.
  if (system != nullptr) {
    if (const AudioResult r = audioSystemUpdate(system); r != AUDIO_OK) {
      std::printf("Sound system error! (%d) %s\n", static_cast<int>(r), audioResultText(r));
      runExitHook();
      std::exit(SOUND_FAILURE_STATUS);
    }
  }
  if ((requests & SOUND_REQ_HIT) != 0) play(SOUND_HIT);
  if ((requests & SOUND_REQ_FIRE) != 0) play(SOUND_FIRE);
  if ((requests & SOUND_REQ_21) != 0) play(SOUND_21);
  requests = 0;
}

void SoundSystem::shutdown() {
  // The library's answer does not matter any more: the window is going.
  if (system != nullptr) audioSystemRelease(system);
}

void reportSoundError(const char* where, std::int32_t result) {
  if (where == nullptr) where = "";
  const char* text = audioResultText(static_cast<AudioResult>(result));
  char error_message[SOUND_ERROR_SIZE];
  // Bounded: a `where` too long even for the short form is cut, not overrun.
  const int length =
      std::strlen(where) + std::strlen(text) >= SOUND_ERROR_SHORT_FORM
          ? std::snprintf(error_message, sizeof error_message,
                          "Sound system error in %s. (errnum=%d)  Contine?", where, result)
          : std::snprintf(error_message, sizeof error_message,
                          "Sound system error in %s. %s (errnum=%d)  Contine?", where, text,
                          result);
  if (length < 0) error_message[0] = 0;
  MessageBoxA(nullptr, error_message, "Sound system problem.", SOUND_ERROR_STYLE);
}
