// The headless backend's controls for tests: windows and their pictures in
// memory, a scripted clock, scripted answers to message boxes with a record of
// every box shown, injected native events, and a sound output that records
// what it is asked to do.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/audio/backend.h"
#include "platform/core/core.h"

namespace headless {

// Back to a freshly started process: no windows, classes, GDI objects or
// messages; clock at 0 with frequency 10 MHz; boxes answer Yes/OK; no events;
// no sound system, no sound call made or set to fail.
void reset();

// ---- Clock ----------------------------------------------------------------
// Frequency 0 makes QueryPerformanceFrequency fail.
void setCounterFrequency(std::int64_t ticks_per_second);
void setCounter(std::int64_t value);
std::int64_t counter();
// Every QueryPerformanceCounter read advances the counter by this many ticks
// after reading it (default 1), so a busy wait ends without real time passing.
void setTicksPerRead(std::int64_t ticks);
// Sleep(ms) advances the counter by ms * frequency / 1000 plus this many ticks.
void setSleepExtraTicks(std::int64_t ticks);
// Counter reads fail from the given read on (0-based count of reads from now);
// -1 (the default) never fails.
void failCounterReadsFrom(int read_index);
std::int64_t counterReads();
std::int64_t sleptMilliseconds();
// timeGetDevCaps: fails when ok is false.
void setTimerCaps(bool ok, UINT period_min, UINT period_max);

// ---- Message boxes --------------------------------------------------------
struct Box {
  std::string caption;
  std::string text;
  UINT style = 0;
};
void queueAnswer(int answer);       // answered in order, before the default
void setDefaultAnswer(int answer);  // for Yes/No boxes; OK boxes answer IDOK
const std::vector<Box>& boxes();
void clearBoxes();
// Called while a box is open, before it is answered, as a modal box's own
// message loop runs (it may dispatch messages, a paint among them). Null
// removes the hook.
void setBoxHook(std::function<void(const Box&)> hook);

// ---- Native events --------------------------------------------------------
// Queued events are delivered at the next PeekMessageA, in order.
void inject(const platform::NativeEvent& event);
// Called at the start of every PeekMessageA, before queued events are delivered:
// a whole-program test scripts its input here. Null removes the hook.
void setPumpHook(std::function<void()> hook);

// ---- Window pictures ------------------------------------------------------
// The picture of a top-level window: client-sized, 0xRRGGBB per pixel, row 0 at
// the top. A window starts black.
bool pictureSize(HWND hwnd, int* width, int* height);
std::uint32_t pixel(HWND hwnd, int x, int y);
bool writePng(HWND hwnd, const char* path);
// Any picture as an RGB PNG: rgb(x, y) gives 0xRRGGBB, row 0 at the top.
bool writeRgbPng(const char* path, int width, int height,
                 const std::function<std::uint32_t(int x, int y)>& rgb);
int presentCount(HWND hwnd);
bool isShown(HWND hwnd);

// ---- Failures to order -----------------------------------------------------
// The next native window cannot be made, so CreateWindowExA fails.
void failNextCreateWindow();

// ---- Child controls and the file dialog -------------------------------------
// Native key events that type the text on the US layout (Shift where needed);
// they reach the focused window at the next PeekMessageA.
void typeText(const char* text);
// A key pressed and released.
void pressKey(UINT vk);
// A left click at a point of the first top-level window's client area.
void click(int x, int y);
// Answers of the next file-open dialogs, in order. With none scripted a dialog
// fails with CDERR_DIALOGFAILURE, as where no chooser is installed.
void scriptFileChosen(const char* native_path);
void scriptFileCancelled();
void scriptFileError(DWORD code);
// What the last file-open dialog was asked.
struct FileRequest {
  std::string title;
  std::string patterns;  // the first filter's patterns
};
const FileRequest& lastFileRequest();

// ---- Sound -----------------------------------------------------------------
// Sound files are really read and checked; the output plays nothing but keeps
// a record of every start.
using AudioCall = platform::audio::Call;
struct AudioPlay {
  std::string name;     // the sound's file name as it was loaded
  std::uint32_t frame;  // the frame clock's value when it started
};
// Where plays read their frame (the main window's presented frames, say);
// null: frame 0.
void setAudioFrameClock(const std::uint32_t* clock);
const std::vector<AudioPlay>& audioPlays();
// Names of the sounds loaded into the open system, in table order.
std::vector<std::string> audioSounds();
bool audioOutputOpen();
int audioOutputChannels();
// Calls of a kind made so far, failed ones included.
int audioCalls(AudioCall call);
// The call of that kind after the next `skip` ones returns `result` without
// doing anything else (once).
void failAudioCall(AudioCall call, AudioResult result, int skip = 0);

}  // namespace headless
