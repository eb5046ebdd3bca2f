#include "record/data_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#else
#include <dirent.h>
#include <unistd.h>
#endif

// The system's own calls rather than std::filesystem, which would cost the
// browser build a good part of its size for these few uses.
namespace record {

namespace {

#ifdef _WIN32
constexpr char SEPARATOR = '\\';
bool isSeparator(char c) { return c == '\\' || c == '/'; }
#else
constexpr char SEPARATOR = '/';
bool isSeparator(char c) { return c == '/'; }
#endif

std::string joined(const std::string& folder, const std::string& name) {
  if (folder.empty() || isSeparator(folder.back())) return folder + name;
  return folder + SEPARATOR + name;
}

bool isFolder(const std::string& path) {
#ifdef _WIN32
  struct _stat s = {};
  return _stat(path.c_str(), &s) == 0 && (s.st_mode & _S_IFDIR) != 0;
#else
  struct stat s = {};
  return stat(path.c_str(), &s) == 0 && S_ISDIR(s.st_mode);
#endif
}

int makeFolder(const std::string& path) {
#ifdef _WIN32
  return _mkdir(path.c_str());
#else
  return mkdir(path.c_str(), 0700);
#endif
}

// Makes `folder` and each missing parent. A part that cannot be made (a
// drive's name, a parent already there) is passed over; what counts is that
// the folder is there at the end, else the first reason a part was not made.
bool makeFolders(const std::string& folder, std::string* error) {
  int failure = 0;
  for (std::size_t at = 1; at <= folder.size(); ++at) {
    if (at < folder.size() && !isSeparator(folder[at])) continue;
    const std::string part = folder.substr(0, at);
    if (isFolder(part)) continue;
    errno = 0;
    if (makeFolder(part) != 0 && errno != EEXIST && failure == 0) failure = errno;
  }
  if (isFolder(folder)) return true;
  *error = failure != 0 ? std::strerror(failure) : "not a folder";
  return false;
}

// A new file, never one that is there already: -1 with errno EEXIST then.
int createExclusive(const std::string& path) {
#ifdef _WIN32
  return _open(path.c_str(), _O_CREAT | _O_EXCL | _O_BINARY | _O_WRONLY, _S_IREAD | _S_IWRITE);
#else
  return open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
#endif
}

std::FILE* streamOf(int fd) {
#ifdef _WIN32
  return _fdopen(fd, "wb");
#else
  return fdopen(fd, "wb");
#endif
}

void closeFile(int fd) {
#ifdef _WIN32
  _close(fd);
#else
  close(fd);
#endif
}

void removeFile(const std::string& path) {
#ifdef _WIN32
  _unlink(path.c_str());
#else
  unlink(path.c_str());
#endif
}

struct Written {
  std::string name;
  long long seconds = 0;
  long nanoseconds = 0;
};

// The regular files in `folder` with a recording's name, with the times
// they were last written.
std::vector<Written> recordingsIn(const std::string& folder) {
  std::vector<Written> found;
#ifdef _WIN32
  _finddata_t entry = {};
  const intptr_t search = _findfirst(joined(folder, "*.replay").c_str(), &entry);
  if (search == -1) return found;
  do {
    if ((entry.attrib & _A_SUBDIR) == 0 && isRecordingName(entry.name)) {
      found.push_back({entry.name, static_cast<long long>(entry.time_write), 0});
    }
  } while (_findnext(search, &entry) == 0);
  _findclose(search);
#else
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return found;
  while (const dirent* entry = readdir(dir)) {
    if (!isRecordingName(entry->d_name)) continue;
    struct stat s = {};
    if (stat(joined(folder, entry->d_name).c_str(), &s) != 0 || !S_ISREG(s.st_mode)) continue;
    found.push_back({entry->d_name, static_cast<long long>(s.st_mtim.tv_sec), s.st_mtim.tv_nsec});
  }
  closedir(dir);
#endif
  return found;
}

}  // namespace

bool isRecordingName(const std::string& name) {
  static constexpr char SHAPE[] = "0000-00-00_00-00-00";
  constexpr std::size_t stamp = sizeof SHAPE - 1;
  if (name.size() < stamp + 7) return false;
  for (std::size_t i = 0; i < stamp; ++i) {
    const bool digit = name[i] >= '0' && name[i] <= '9';
    if (SHAPE[i] == '0' ? !digit : name[i] != SHAPE[i]) return false;
  }
  std::size_t at = stamp;
  if (name[at] == '_') {
    ++at;
    const std::size_t digits_from = at;
    while (at < name.size() && name[at] >= '0' && name[at] <= '9') ++at;
    if (at == digits_from) return false;
  }
  return name.compare(at, std::string::npos, ".replay") == 0;
}

std::string replaysFolder() {
#ifdef _WIN32
  const char* appdata = std::getenv("APPDATA");
  if (appdata == nullptr || *appdata == '\0') return "";
  return joined(joined(appdata, "Starquell"), "replays");
#else
  // The base-directory rules: a relative path is ignored, as if unset.
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && *data == '/') return joined(joined(data, "starquell"), "replays");
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home != '/') return "";
  return joined(home, ".local/share/starquell/replays");
#endif
}

std::string recordingName(std::time_t t) {
  char name[64] = "recording.replay";
  if (const std::tm* local = std::localtime(&t)) {
    std::strftime(name, sizeof name, "%Y-%m-%d_%H-%M-%S.replay", local);
  }
  return name;
}

std::FILE* createRecording(const std::string& folder, std::time_t t, std::string* path,
                           std::string* error) {
  if (!makeFolders(folder, error)) {
    *path = folder;
    return nullptr;
  }
  const std::string name = recordingName(t);
  const std::string stem = name.substr(0, name.size() - 7);
  for (int n = 1; n < 1000; ++n) {
    *path = joined(folder, n == 1 ? name : stem + "_" + std::to_string(n) + ".replay");
    errno = 0;
    const int fd = createExclusive(*path);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) {
      *error = errno != 0 ? std::strerror(errno) : "cannot be created";
      return nullptr;
    }
    if (std::FILE* f = streamOf(fd)) return f;
    *error = errno != 0 ? std::strerror(errno) : "cannot be opened";
    closeFile(fd);
    removeFile(*path);
    return nullptr;
  }
  *path = folder;
  *error = "no free name";
  return nullptr;
}

void keepNewest(const std::string& folder, std::size_t keep, const std::string& own) {
  std::vector<Written> others = recordingsIn(folder);
  others.erase(
      std::remove_if(others.begin(), others.end(), [&](const Written& w) { return w.name == own; }),
      others.end());
  const std::size_t kept_others = keep > 0 ? keep - 1 : 0;
  if (others.size() <= kept_others) return;
  // Newest first.
  std::sort(others.begin(), others.end(), [](const Written& a, const Written& b) {
    if (a.seconds != b.seconds) return a.seconds > b.seconds;
    if (a.nanoseconds != b.nanoseconds) return a.nanoseconds > b.nanoseconds;
    return a.name > b.name;
  });
  for (std::size_t i = kept_others; i < others.size(); ++i) {
    removeFile(joined(folder, others[i].name));
  }
}

}  // namespace record
