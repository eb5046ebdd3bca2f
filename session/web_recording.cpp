// The page's way to the current game's recording (its "Download recording"
// control): the recorder writes out what it holds, and the page reads the file
// at the path returned from the program's file system. Called while the
// program waits for its next turn, between whole lines.
#include <emscripten.h>

#include "session/session.h"

extern "C" EMSCRIPTEN_KEEPALIVE const char* starquell_web_recording() {
  return session::flushRecording();
}
