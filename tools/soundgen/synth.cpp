#include "tools/soundgen/synth.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace soundgen {
namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double PEAK = 0.8 * 32767.0;
constexpr double FADE_IN_SECONDS = 0.002;
constexpr double FADE_OUT_SECONDS = 0.012;

int frames(double seconds) { return static_cast<int>(seconds * SAMPLE_RATE); }

// Repeatable white noise in -1..1, so that every build makes the same files.
class Noise {
 public:
  double next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<double>(state_) / 2147483647.5 - 1.0;
  }

 private:
  std::uint32_t state_ = 0x2545F491u;
};

// Scales to the common peak, fades both ends, rounds to 16 bits.
std::vector<std::int16_t> finish(const std::vector<double>& signal) {
  double peak = 0;
  for (const double v : signal) peak = std::fmax(peak, std::fabs(v));
  const double scale = peak > 0 ? PEAK / peak : 0;
  const int n = static_cast<int>(signal.size());
  const int fade_in = frames(FADE_IN_SECONDS);
  const int fade_out = frames(FADE_OUT_SECONDS);
  std::vector<std::int16_t> out(signal.size());
  for (int i = 0; i < n; ++i) {
    double gain = scale;
    if (i < fade_in) gain *= static_cast<double>(i) / fade_in;
    if (n - 1 - i < fade_out) gain *= static_cast<double>(n - 1 - i) / fade_out;
    out[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::lround(signal[i] * gain));
  }
  return out;
}

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, v & 0xFFFFu);
  put16(out, v >> 16);
}

void putTag(std::vector<std::uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

}  // namespace

// A falling square-ish tone with a breath of noise, decaying fast: "pew".
std::vector<std::int16_t> shot() {
  const int n = frames(0.16);
  std::vector<double> s(static_cast<std::size_t>(n));
  Noise noise;
  double phase = 0;
  for (int i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / SAMPLE_RATE;
    const double frequency = 1800.0 * std::pow(250.0 / 1800.0, t / 0.16);
    phase += 2 * PI * frequency / SAMPLE_RATE;
    const double tone = std::tanh(4 * std::sin(phase));
    s[static_cast<std::size_t>(i)] = (tone + 0.3 * noise.next()) * std::exp(-t / 0.05);
  }
  return finish(s);
}

// A low falling sine under a short dull burst of noise.
std::vector<std::int16_t> thud() {
  const int n = frames(0.30);
  std::vector<double> s(static_cast<std::size_t>(n));
  Noise noise;
  double phase = 0;
  double low = 0;
  for (int i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / SAMPLE_RATE;
    const double frequency = 140.0 * std::pow(45.0 / 140.0, t / 0.30);
    phase += 2 * PI * frequency / SAMPLE_RATE;
    low += 0.08 * (noise.next() - low);  // one-pole low-pass: a dull burst
    s[static_cast<std::size_t>(i)] =
        std::sin(phase) * std::exp(-t / 0.09) + 3.0 * low * std::exp(-t / 0.015);
  }
  return finish(s);
}

// Two quick hollow knocks: short ringing partials with a click.
std::vector<std::int16_t> knock() {
  const int n = frames(0.22);
  std::vector<double> s(static_cast<std::size_t>(n));
  Noise noise;
  for (const double start : {0.0, 0.085}) {
    for (int i = frames(start); i < n; ++i) {
      const double t = static_cast<double>(i) / SAMPLE_RATE - start;
      const double ring = std::sin(2 * PI * 310 * t) + 0.6 * std::sin(2 * PI * 730 * t) +
                          0.3 * std::sin(2 * PI * 1370 * t);
      s[static_cast<std::size_t>(i)] +=
          ring * std::exp(-t / 0.025) + 0.5 * noise.next() * std::exp(-t / 0.002);
    }
  }
  return finish(s);
}

std::vector<std::uint8_t> wavBytes(const std::vector<std::int16_t>& samples, int rate) {
  const auto data_size = static_cast<std::uint32_t>(samples.size() * 2);
  std::vector<std::uint8_t> out;
  out.reserve(44 + data_size);
  putTag(out, "RIFF");
  put32(out, 36 + data_size);
  putTag(out, "WAVE");
  putTag(out, "fmt ");
  put32(out, 16);
  put16(out, 1);  // PCM
  put16(out, 1);  // mono
  put32(out, static_cast<std::uint32_t>(rate));
  put32(out, static_cast<std::uint32_t>(rate) * 2);
  put16(out, 2);
  put16(out, 16);
  putTag(out, "data");
  put32(out, data_size);
  for (const std::int16_t v : samples) put16(out, static_cast<std::uint16_t>(v));
  return out;
}

bool writeEffects(const std::string& folder) {
  for (const Effect& effect : EFFECTS) {
    const std::string path = folder + "/" + effect.file;
    const std::vector<std::uint8_t> bytes = wavBytes(effect.make(), SAMPLE_RATE);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    bool written = f != nullptr;
    if (written) {
      written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
      written = std::fclose(f) == 0 && written;
    }
    if (!written) {
      std::fprintf(stderr, "soundgen: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
      return false;
    }
  }
  return true;
}

}  // namespace soundgen
