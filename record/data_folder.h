// Where recorded games are kept: the replays folder of the user's data
// folder, one file per game named by its start time, the newest 50 kept.
#pragma once

#include <cstddef>
#include <cstdio>
#include <ctime>
#include <string>

namespace record {

inline constexpr std::size_t KEPT_RECORDINGS = 50;

// $XDG_DATA_HOME/starquell/replays, $HOME/.local/share/starquell/replays when
// unset; on Windows %APPDATA%\Starquell\replays. A relative XDG_DATA_HOME or
// HOME counts as unset. Empty when none can be named.
std::string replaysFolder();

// "2026-12-07_14-03-59.replay" for the local time `t`.
std::string recordingName(std::time_t t);

// The names the recorder makes: "YYYY-MM-DD_HH-MM-SS" then ".replay" or
// "_N.replay". Only these are ever removed.
bool isRecordingName(const std::string& name);

// Makes the folder (it and every parent made here 0700, the user's alone) and
// a new file in it named by `t`, created exclusively (0600) so that no two
// games share one: a name taken, even by a game that started this very
// moment, moves on to "_2" and so on. Null with the reason in *error and what
// it names in *path.
std::FILE* createRecording(const std::string& folder, std::time_t t, std::string* path,
                           std::string* error);

// Keeps the file named `own` (the game's own, just made) and the keep - 1
// most recently written other recordings in `folder` (equal times: the
// later name is the newer), removing the rest. By the time written rather
// than by name, since names come from a clock that may be set back or from
// someone else's files.
void keepNewest(const std::string& folder, std::size_t keep, const std::string& own);

}  // namespace record
