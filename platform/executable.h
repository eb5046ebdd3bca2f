// The running executable's path: where the sound library's search for a file
// starts (platform/audio/lookup.h), and what the platform layer's
// GetModuleFileNameA reports. Implemented in platform/audio/executable.cpp, as
// the system-Windows build has the sound library but no platform layer.
#pragma once

#include <cstddef>

namespace platform {

// The running executable's full native path into out (NUL-terminated); false
// when it is unknown or does not fit.
bool executablePath(char* out, std::size_t size);

// On the platform layer: the path executablePath gives from now on instead of
// the running file's; null or empty: the running file's again. Tests name a
// program this way (platform::setModuleFileName).
void nameExecutable(const char* native_path);

}  // namespace platform
