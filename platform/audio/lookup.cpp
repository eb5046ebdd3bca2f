// The search for a relatively named sound file; see lookup.h.
#include "platform/audio/lookup.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "platform/executable.h"

#ifndef STARQUELL_SOUND_FOLDER
#define STARQUELL_SOUND_FOLDER ""
#endif

namespace platform::audio {
namespace {

#ifdef _WIN32
constexpr const char* SEPARATOR = "\\";
constexpr const char* SHARE = "\\share\\starquell\\sounds";
bool isSeparator(char c) { return c == '/' || c == '\\'; }
bool hasRoot(const char* name) { return isSeparator(name[0]) || (name[0] != 0 && name[1] == ':'); }
#else
constexpr const char* SEPARATOR = "/";
constexpr const char* SHARE = "/share/starquell/sounds";
bool isSeparator(char c) { return c == '/'; }
bool hasRoot(const char* name) { return name[0] == '/'; }
#endif

// Equal paths, whichever separators they are written with.
bool sameText(const char* a, const char* b) {
  for (; *a != 0 && *b != 0; ++a, ++b) {
    if (*a != *b && !(isSeparator(*a) && isSeparator(*b))) return false;
  }
  return *a == *b;
}

// The length of path's folder part without the last separator; -1 when path
// has no separator.
long folderLength(const char* path, std::size_t length) {
  for (std::size_t i = length; i > 0; --i) {
    if (isSeparator(path[i - 1])) return static_cast<long>(i - 1);
  }
  return -1;
}

// Appends path (length bytes) and then tail to the next folder of out, unless
// it does not fit or is already there.
void addFolder(SearchFolders* out, const char* path, std::size_t length, const char* tail) {
  const std::size_t tail_length = std::strlen(tail);
  if (length + tail_length >= SEARCH_PATH_MAX || out->count == SEARCH_FOLDERS) return;
  char* slot = out->path[out->count];
  std::memcpy(slot, path, length);
  std::memcpy(slot + length, tail, tail_length + 1);
  for (int i = 0; i < out->count; ++i) {
    if (sameText(out->path[i], slot)) return;
  }
  ++out->count;
}

// Whether path names a regular file that opens for reading. Only such a
// candidate ends the search: a folder of the sound's name (hit.wav/) or a
// file that cannot be opened is passed over for the next folder.
bool isOpenableFile(const char* path) {
  struct stat status;
  if (stat(path, &status) != 0 || !S_ISREG(status.st_mode)) return false;
  std::FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return false;
  std::fclose(f);
  return true;
}

}  // namespace

void searchFolders(const char* executable, const char* configured, SearchFolders* out) {
  out->count = 0;
  if (executable != nullptr) {
    const std::size_t length = std::strlen(executable);
    const long folder = folderLength(executable, length);
    if (folder >= 0) {
      // A program in a root folder ("/", "C:\\") keeps the separator: without
      // it the root would be no folder, or a drive's current folder.
      const bool root = folder == 0 || executable[folder - 1] == ':';
      const auto kept = static_cast<std::size_t>(root ? folder + 1 : folder);
      addFolder(out, executable, kept, "");
      const long parent = folderLength(executable, static_cast<std::size_t>(folder));
      if (parent >= 0) {
        addFolder(out, executable, static_cast<std::size_t>(parent), SHARE);
      }
    }
  }
  if (configured != nullptr && configured[0] != 0) {
    addFolder(out, configured, std::strlen(configured), "");
  }
}

AudioResult readSoundFile(const char* name, const char* configured, FileBytes* out) {
  if (name[0] == 0 || hasRoot(name) || isOpenableFile(name)) return readFile(name, out);
  char executable[SEARCH_PATH_MAX];
  SearchFolders folders;
  searchFolders(executablePath(executable, sizeof executable) ? executable : nullptr, configured,
                &folders);
  for (int i = 0; i < folders.count; ++i) {
    char path[SEARCH_PATH_MAX * 2];
    const char* folder = folders.path[i];
    const std::size_t length = std::strlen(folder);
    const bool ends_in_separator = length > 0 && isSeparator(folder[length - 1]);
    const int written = std::snprintf(path, sizeof path, "%s%s%s", folder,
                                      ends_in_separator ? "" : SEPARATOR, name);
    if (written < 0 || static_cast<std::size_t>(written) >= sizeof path) continue;
    if (isOpenableFile(path)) return readFile(path, out);
  }
  std::fprintf(stderr, "%s: not found in the current folder", name);
  for (int i = 0; i < folders.count; ++i) std::fprintf(stderr, ", %s", folders.path[i]);
  std::fprintf(stderr, "\n");
  return AUDIO_ERR_FILE_NOT_FOUND;
}

const char* configuredSoundFolder() { return STARQUELL_SOUND_FOLDER; }

}  // namespace platform::audio
