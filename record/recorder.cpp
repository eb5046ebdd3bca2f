#include "record/recorder.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "game/random.h"
#include "record/format.h"

namespace record {

void Recorder::start(std::FILE* file, const char* path, const char* program_version,
                     const char* started_utc) {
  close();
  file_ = file;
  std::snprintf(path_, sizeof path_, "%s", path);
  // Whole lines reach the file in one write each flush, never a part of one.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  used_ = 0;
  passes_ = 0;
  since_flush_ = 0;
  client_written_ = false;
  checkpoint_written_ = false;
  line("# starquell replay %d\n", FORMAT_VERSION);
  line("# program %s logic %d\n", program_version, LOGIC_VERSION);
  line("# started %s\n", started_utc);
}

void Recorder::line(const char* format, ...) {
  if (file_ == nullptr) return;
  char text[128];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof text) return;
  if (used_ + static_cast<std::size_t>(n) > BUFFER_SIZE) flush();
  if (file_ == nullptr) return;
  std::memcpy(buffer_ + used_, text, static_cast<std::size_t>(n));
  used_ += static_cast<std::size_t>(n);
}

void Recorder::fail(const char* what) {
  std::fprintf(stderr, "starquell: %s %s: %s; the game goes on unrecorded\n", what, path_,
               std::strerror(errno));
  std::fclose(file_);
  file_ = nullptr;
  used_ = 0;
}

void Recorder::flush() {
  since_flush_ = 0;
  if (file_ == nullptr || used_ == 0) return;
  errno = 0;
  if (std::fwrite(buffer_, 1, used_, file_) != used_ || std::fflush(file_) != 0) {
    fail("cannot write the recording");
    return;
  }
  used_ = 0;
}

void Recorder::countPass() {
  if (++since_flush_ >= FLUSH_PASSES) flush();
}

void Recorder::client(int width, int height) {
  client_written_ = true;
  line("client %d %d\n", width, height);
}

void Recorder::key(std::uint32_t frame, unsigned vk, bool down) {
  line("%u key %u %s\n", frame, vk, down ? "down" : "up");
}

void Recorder::mouse(std::uint32_t frame, int button, bool down) {
  line("%u mouse %s %s\n", frame, button == 1 ? "right" : "left", down ? "down" : "up");
}

void Recorder::resize(std::uint32_t frame, int width, int height) {
  line("%u resize %d %d\n", frame, width, height);
}

void Recorder::pass() {
  static_assert(MAX_TICKS > RANDOM_TICK_PERIOD);
  ++passes_;
  if (passes_ > MAX_TICKS) passes_ -= RANDOM_TICK_PERIOD;
  countPass();
}

void Recorder::painted(std::uint32_t frame, std::uint32_t (*crc)()) {
  if (passes_ != usualTicks(frame)) line("%u ticks %d\n", frame, passes_);
  passes_ = 0;
  if (frame % CHECKPOINT_INTERVAL == 0) {
    line("%u crc %08x\n", frame, crc());
    checkpoint_written_ = true;
    last_checkpoint_ = frame;
  }
  countPass();
}

void Recorder::finish(std::uint32_t frames_painted, std::uint32_t (*crc)()) {
  if (file_ == nullptr) return;
  if (frames_painted > 0 && crc != nullptr) {
    const std::uint32_t last = frames_painted - 1;
    if (!checkpoint_written_ || last_checkpoint_ != last) line("%u crc %08x\n", last, crc());
  }
  flush();
}

void Recorder::close() {
  if (file_ == nullptr) return;
  flush();
  if (file_ != nullptr && std::fclose(file_) != 0) {
    std::fprintf(stderr, "starquell: cannot write the recording %s: %s\n", path_,
                 std::strerror(errno));
  }
  file_ = nullptr;
}

void Recorder::discard() {
  if (file_ == nullptr) return;
  std::fclose(file_);
  file_ = nullptr;
  used_ = 0;
  std::remove(path_);
}

}  // namespace record
