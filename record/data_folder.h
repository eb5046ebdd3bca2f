// Where recorded games are kept: the replays folder of the user's data
// folder, one file per game named by its start time, the newest 50 kept.
#pragma once

#include <cstddef>
#include <cstdio>
#include <ctime>
#include <string>

namespace record {

inline constexpr std::size_t KEPT_RECORDINGS = 50;

// $XDG_DATA_HOME/starquell/replays, ~/.local/share/starquell/replays when
// unset; on Windows %APPDATA%\Starquell\replays. Empty when none can be named.
std::string replaysFolder();

// "2026-12-07_14-03-59.replay" for the local time `t`.
std::string recordingName(std::time_t t);

// Makes the folder and a new file in it named by `t` (a second game in the
// same second gets "_2" and so on). Null with the reason in *error.
std::FILE* createRecording(const std::string& folder, std::time_t t, std::string* path,
                           std::string* error);

// Removes the oldest recordings (by name; only names of recordings) beyond `keep`.
void keepNewest(const std::string& folder, std::size_t keep);

}  // namespace record
