#include "bench/sdl/xvfb_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

XvfbSession::XvfbSession(const char* screen) {
  int fds[2];
  if (pipe(fds) == 0) {
    const pid_t child = fork();
    if (child == 0) {
      close(fds[0]);
      // Xvfb's chatter would mix into the measurements' output.
      const int quiet = open("/dev/null", O_WRONLY);
      if (quiet >= 0) {
        dup2(quiet, 1);
        dup2(quiet, 2);
      }
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    if (child > 0) {
      // Xvfb writes the display number once it accepts connections.
      std::string number;
      pollfd p{fds[0], POLLIN, 0};
      char c = 0;
      while (poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
      if (!number.empty()) {
        pid_ = child;
        setenv("DISPLAY", (":" + number).c_str(), 1);
      } else {
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
      }
    }
    close(fds[0]);
  }
  ready_ = pid_ > 0 || std::getenv("DISPLAY") != nullptr;
  if (pid_ <= 0 && ready_) std::fprintf(stderr, "Xvfb could not be started; using DISPLAY\n");
}

XvfbSession::~XvfbSession() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}
