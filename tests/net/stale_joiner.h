// A joiner over loopback UDP that plays some frames and then dies, though
// its last datagrams may be sent again (as an attacker who saw them would).
// Plain types only: the process tests include the system's socket headers,
// which platform/win32.h may not meet.
#pragma once

#include <cstdint>
#include <memory>

class StaleJoiner {
 public:
  explicit StaleJoiner(std::uint16_t host_port);
  ~StaleJoiner();
  // Joins and runs `frames` frames (no controls) within `limit_ms`; false if not.
  bool play(std::uint32_t frames, std::uint32_t limit_ms);
  // Sends its last `count` datagrams again.
  void resendLast(int count);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
