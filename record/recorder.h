// Writes a recording as the game runs: the header, then every input the game
// consumed at the frame whose paint saw it, the frame passes where they are not
// the usual one, and a checkpoint every 60 frames and for the last frame.
// Whole lines go through a fixed buffer that is written out at least every 30
// frame passes (half a second at 60 frames per second) and at the end, so a
// killed process leaves whole lines, at most a second short. A failed write
// stops the recording with one line on standard error; the game goes on.
// Nothing is written that the readers refuse: the idle passes before a paint
// are folded below record::MAX_TICKS. Nothing here allocates or throws once
// started.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace record {

class Recorder {
 public:
  // Takes over an open file (closed by close()); writes the header lines.
  void start(std::FILE* file, const char* path, const char* program_version,
             const char* started_utc);
  bool active() const { return file_ != nullptr; }
  bool hasClient() const { return client_written_; }
  const char* path() const { return path_; }
  void client(int width, int height);
  void key(std::uint32_t frame, unsigned vk, bool down);
  void mouse(std::uint32_t frame, int button, bool down);
  void resize(std::uint32_t frame, int width, int height);
  // An idle pass that asked for a frame (and ticked the random channels).
  // Past MAX_TICKS passes the count goes back by whole periods of the
  // channels' frame counter, which leaves the replayed state the same.
  void pass();
  // Frame `frame` was painted; `crc` gives the pixel memory's CRC-32 when a
  // checkpoint is due.
  void painted(std::uint32_t frame, std::uint32_t (*crc)());
  // The game ends: the last painted frame's checkpoint (none when `crc` is
  // null: the pixel memory no longer holds that frame), and everything out.
  void finish(std::uint32_t frames_painted, std::uint32_t (*crc)());
  void flush();
  void close();
  // Closes and removes the file: a game that never showed a frame.
  void discard();

 private:
  void line(const char* format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 2, 3)))
#endif
      ;
  void fail(const char* what);
  void countPass();

  static constexpr std::size_t BUFFER_SIZE = 8192;
  static constexpr int FLUSH_PASSES = 30;
  char buffer_[BUFFER_SIZE] = {};
  std::size_t used_ = 0;
  std::FILE* file_ = nullptr;
  char path_[512] = {};
  int passes_ = 0;
  int since_flush_ = 0;
  bool client_written_ = false;
  bool checkpoint_written_ = false;
  std::uint32_t last_checkpoint_ = 0;
};

}  // namespace record
