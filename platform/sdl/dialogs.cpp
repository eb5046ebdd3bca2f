// The file-open dialog of the SDL backend: the desktop's chooser as a child
// process, its answer read from its standard output and its exit status.
#include "platform/sdl/chooser.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace platform::sdl {

namespace {

bool onPath(const char* program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  std::string dirs = path;
  std::size_t start = 0;
  while (start <= dirs.size()) {
    const std::size_t end = dirs.find(':', start);
    const std::string dir = dirs.substr(start, end == std::string::npos ? end : end - start);
    const std::string full = (dir.empty() ? std::string(".") : dir) + "/" + program;
    if (access(full.c_str(), X_OK) == 0) return true;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return false;
}

// Runs the chooser and reads what it prints; false when it could not run.
bool runChooser(const std::vector<std::string>& args, std::string* output, int* status) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
  posix_spawn_file_actions_addclose(&actions, pipe_fds[1]);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", 0, 0);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_fds[1]);
  if (spawned != 0) {
    close(pipe_fds[0]);
    return false;
  }
  char buf[4096];
  for (;;) {
    const ssize_t got = read(pipe_fds[0], buf, sizeof buf);
    if (got > 0) {
      output->append(buf, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      break;
    }
  }
  close(pipe_fds[0]);
  int raw = 0;
  while (waitpid(pid, &raw, 0) < 0) {
    if (errno != EINTR) return false;
  }
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return true;
}

}  // namespace

}  // namespace platform::sdl

namespace platform::backend {

void chooseOpenFile(HWND /*owner*/, const char* title, const char* filter, const char* initial_dir,
                    FileChoice* out) {
  *out = FileChoice{};
  out->result = FileChoice::Result::Failed;
  // No chooser on this desktop: the dialog cannot be made.
  out->error = CDERR_DIALOGFAILURE;
  sdl::Chooser chooser = sdl::Chooser::Zenity;
  if (sdl::onPath("zenity")) {
    chooser = sdl::Chooser::Zenity;
  } else if (sdl::onPath("kdialog")) {
    chooser = sdl::Chooser::Kdialog;
  } else {
    return;
  }
  std::string output;
  int status = 0;
  if (!sdl::runChooser(sdl::chooserArguments(chooser, title, filter, initial_dir), &output,
                       &status)) {
    return;
  }
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  if (status == 1 || (status == 0 && output.empty())) {
    out->result = FileChoice::Result::Cancelled;
    out->error = 0;
    return;
  }
  if (status != 0) return;
  if (output.size() >= sizeof out->path) {
    out->error = FNERR_BUFFERTOOSMALL;
    return;
  }
  std::memcpy(out->path, output.c_str(), output.size() + 1);
  out->result = FileChoice::Result::Chosen;
  out->error = 0;
}

}  // namespace platform::backend
