// The sound output on Windows: waveOut from winmm, fed by the shared software
// mixer on a thread of its own, so that sound goes on while the game's thread
// waits for a frame or sits in a message box. A few short buffers are queued:
// a sound started in the idle pass is heard within a frame or two.
#include <cstdio>

#include "platform/audio/backend.h"
#include "platform/audio/mixer.h"
#include "platform/win32.h"

namespace platform::audio {
namespace {

constexpr int BUFFER_FRAMES = 256;
constexpr int BUFFER_COUNT = 4;  // about 23 ms queued at 44.1 kHz

struct Output {
  Mixer mixer;
  SRWLOCK lock = SRWLOCK_INIT;  // the mixer, between the game's thread and the output's
  HWAVEOUT device = nullptr;    // null: no device, the game runs silent
  HANDLE wake = nullptr;        // set by winmm whenever a buffer comes back
  HANDLE thread = nullptr;
  volatile LONG stopping = 0;
  bool told_silent = false;
  WAVEHDR headers[BUFFER_COUNT] = {};
  std::int16_t samples[BUFFER_COUNT][BUFFER_FRAMES * MIX_CHANNELS] = {};
};

// Static and never destroyed: a process that ends through exit() while the
// output's thread mixes leaves its memory alone.
Output g_output;

class Locked {
 public:
  Locked() { AcquireSRWLockExclusive(&g_output.lock); }
  ~Locked() { ReleaseSRWLockExclusive(&g_output.lock); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
};

void sayOnce(const char* what, MMRESULT code) {
  if (g_output.told_silent) return;
  g_output.told_silent = true;
  std::fprintf(stderr, "No sound output (%s failed, code %u): the game runs silent.\n", what,
               static_cast<unsigned>(code));
}

// Mixes the next buffer into a returned header and queues it again; false
// when the device refused it.
bool refill(WAVEHDR& header) {
  {
    const Locked locked;
    g_output.mixer.mix(reinterpret_cast<std::int16_t*>(header.lpData), BUFFER_FRAMES);
  }
  header.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
  const MMRESULT r = waveOutWrite(g_output.device, &header, sizeof header);
  if (r != MMSYSERR_NOERROR) sayOnce("waveOutWrite", r);
  return r == MMSYSERR_NOERROR;
}

DWORD WINAPI feed(LPVOID /*unused*/) {
  bool writing = true;
  while (writing && InterlockedCompareExchange(&g_output.stopping, 0, 0) == 0) {
    WaitForSingleObject(g_output.wake, INFINITE);
    for (WAVEHDR& header : g_output.headers) {
      if (writing && (header.dwFlags & WHDR_DONE) != 0) writing = refill(header);
    }
  }
  return 0;
}

// Opens the default device and queues every buffer; false leaves nothing open.
bool openDevice() {
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = MIX_CHANNELS;
  format.nSamplesPerSec = MIX_RATE;
  format.wBitsPerSample = 16;
  format.nBlockAlign = MIX_CHANNELS * 2;
  format.nAvgBytesPerSec = MIX_RATE * format.nBlockAlign;
  g_output.wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (g_output.wake == nullptr) return false;
  const MMRESULT r = waveOutOpen(&g_output.device, WAVE_MAPPER, &format,
                                 reinterpret_cast<DWORD_PTR>(g_output.wake), 0, CALLBACK_EVENT);
  if (r != MMSYSERR_NOERROR) {
    sayOnce("waveOutOpen", r);
    g_output.device = nullptr;
    CloseHandle(g_output.wake);
    g_output.wake = nullptr;
    return false;
  }
  for (int i = 0; i < BUFFER_COUNT; ++i) {
    WAVEHDR& header = g_output.headers[i];
    header = WAVEHDR{};
    header.lpData = reinterpret_cast<LPSTR>(g_output.samples[i]);
    header.dwBufferLength = sizeof g_output.samples[i];
    if (const MMRESULT p = waveOutPrepareHeader(g_output.device, &header, sizeof header);
        p != MMSYSERR_NOERROR) {
      sayOnce("waveOutPrepareHeader", p);
      closeOutput();
      return false;
    }
    // Marked done, so that the thread's first pass fills and queues it.
    header.dwFlags |= WHDR_DONE;
  }
  g_output.stopping = 0;
  g_output.thread = CreateThread(nullptr, 0, feed, nullptr, 0, nullptr);
  if (g_output.thread == nullptr) {
    closeOutput();
    return false;
  }
  SetThreadPriority(g_output.thread, THREAD_PRIORITY_TIME_CRITICAL);
  SetEvent(g_output.wake);
  return true;
}

}  // namespace

AudioResult enter(Call /*call*/) { return AUDIO_OK; }

AudioResult openOutput(int channels) {
  {
    const Locked locked;
    g_output.mixer.open(channels);
  }
  // No sound device is no reason to stop a game: it runs silent, and says so once.
  openDevice();
  return AUDIO_OK;
}

void closeOutput() {
  if (g_output.thread != nullptr) {
    InterlockedExchange(&g_output.stopping, 1);
    SetEvent(g_output.wake);
    WaitForSingleObject(g_output.thread, INFINITE);
    CloseHandle(g_output.thread);
    g_output.thread = nullptr;
  }
  if (g_output.device != nullptr) {
    waveOutReset(g_output.device);
    for (WAVEHDR& header : g_output.headers) {
      waveOutUnprepareHeader(g_output.device, &header, sizeof header);
    }
    waveOutClose(g_output.device);
    g_output.device = nullptr;
  }
  if (g_output.wake != nullptr) {
    CloseHandle(g_output.wake);
    g_output.wake = nullptr;
  }
  const Locked locked;
  g_output.mixer.close();
}

AudioResult loadSound(int index, const char* /*name*/, const std::uint8_t* file,
                      std::size_t /*size*/, const WavInfo& wav) {
  const Locked locked;
  return g_output.mixer.load(index, file, wav);
}

void freeSound(int index) {
  const Locked locked;
  g_output.mixer.unload(index);
}

AudioResult playSound(int index) {
  const Locked locked;
  g_output.mixer.play(index);
  return AUDIO_OK;
}

// The output's thread does the work.
AudioResult serviceOutput() { return AUDIO_OK; }

}  // namespace platform::audio
