#include "record/data_folder.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace record {

namespace {

// "YYYY-MM-DD_HH-MM-SS" then ".replay" or "_N.replay".
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

}  // namespace

std::string replaysFolder() {
#ifdef _WIN32
  const char* appdata = std::getenv("APPDATA");
  if (appdata == nullptr || *appdata == '\0') return "";
  return (fs::path(appdata) / "Starquell" / "replays").string();
#else
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && *data == '/') return (fs::path(data) / "starquell" / "replays").string();
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') return "";
  return (fs::path(home) / ".local" / "share" / "starquell" / "replays").string();
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
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    *path = folder;
    *error = ec.message();
    return nullptr;
  }
  const std::string name = recordingName(t);
  const std::string stem = name.substr(0, name.size() - 7);
  for (int n = 1; n < 1000; ++n) {
    const fs::path candidate =
        fs::path(folder) / (n == 1 ? name : stem + "_" + std::to_string(n) + ".replay");
    if (fs::exists(candidate, ec)) continue;
    *path = candidate.string();
    errno = 0;
    if (std::FILE* f = std::fopen(path->c_str(), "wb")) return f;
    *error = errno != 0 ? std::strerror(errno) : "cannot be created";
    return nullptr;
  }
  *path = folder;
  *error = "no free name";
  return nullptr;
}

void keepNewest(const std::string& folder, std::size_t keep) {
  std::error_code ec;
  std::vector<std::string> names;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (isRecordingName(name) && it->is_regular_file(ec)) names.push_back(name);
  }
  if (names.size() <= keep) return;
  std::sort(names.begin(), names.end());
  for (std::size_t i = 0; i + keep < names.size(); ++i) fs::remove(fs::path(folder) / names[i], ec);
}

}  // namespace record
