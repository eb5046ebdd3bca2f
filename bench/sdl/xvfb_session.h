// A private X display for measurements that need a real window: starts Xvfb on
// a free display number and points DISPLAY at it for the life of the object.
#pragma once

#include <sys/types.h>

class XvfbSession {
 public:
  // `screen` is Xvfb's WIDTHxHEIGHTxDEPTH.
  explicit XvfbSession(const char* screen = "1024x768x24");
  ~XvfbSession();
  XvfbSession(const XvfbSession&) = delete;
  XvfbSession& operator=(const XvfbSession&) = delete;

  // True when a display can be used: the private one, or else DISPLAY as found.
  bool ready() const { return ready_; }
  bool isPrivate() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
  bool ready_ = false;
};
