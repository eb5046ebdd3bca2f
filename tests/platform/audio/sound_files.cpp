#include "tests/platform/audio/sound_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "tools/soundgen/synth.h"

SoundFolder::SoundFolder() {
  namespace fs = std::filesystem;
  std::error_code error;
  previous_ = fs::current_path(error).string();
  // A name nobody holds: made, not just found free.
  std::random_device random;
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    const fs::path name =
        fs::temp_directory_path(error) / ("starquell-sound-" + std::to_string(random()));
    if (fs::create_directory(name, error)) path_ = name.string();
  }
  EXPECT_FALSE(path_.empty()) << "no temporary folder";
  EXPECT_TRUE(soundgen::writeEffects(path_));
  fs::current_path(path_, error);
  EXPECT_FALSE(error) << error.message();
}

SoundFolder::~SoundFolder() {
  std::error_code error;
  std::filesystem::current_path(previous_, error);
  EXPECT_FALSE(error) << error.message();
  if (!path_.empty()) std::filesystem::remove_all(path_, error);
}

namespace {

// A WAV file built field by field, so that one case can get one thing wrong.
struct Wav {
  std::uint16_t format = 1;
  std::uint16_t channels = 1;
  std::uint32_t rate = 22050;
  std::uint16_t bits = 16;
  int block_align = -1;  // -1: channels * bits / 8
  std::uint32_t fmt_size = 16;
  std::uint32_t data_bytes = 8;
  std::int64_t data_size_field = -1;  // -1: data_bytes
  bool fmt = true;
  bool data = true;
  bool odd_chunk = false;  // a 3-byte chunk, padded to 4, before "data"
  std::size_t cut = 0;     // bytes dropped from the end
};

void put(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void tag(std::vector<std::uint8_t>& out, const char* t) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(t[i]));
}

std::vector<std::uint8_t> build(const Wav& w) {
  const std::uint32_t align =
      w.block_align >= 0 ? static_cast<std::uint32_t>(w.block_align) : w.channels * w.bits / 8u;
  std::vector<std::uint8_t> body;
  if (w.fmt) {
    tag(body, "fmt ");
    put(body, w.fmt_size, 4);
    put(body, w.format, 2);
    put(body, w.channels, 2);
    put(body, w.rate, 4);
    put(body, w.rate * align, 4);
    put(body, align, 2);
    put(body, w.bits, 2);
    body.resize(body.size() + w.fmt_size - 16);
  }
  if (w.odd_chunk) {
    tag(body, "LIST");
    put(body, 3, 4);
    body.insert(body.end(), {'a', 'b', 'c', 0});
  }
  if (w.data) {
    tag(body, "data");
    put(body, w.data_size_field >= 0 ? static_cast<std::uint32_t>(w.data_size_field) : w.data_bytes,
        4);
    for (std::uint32_t i = 0; i < w.data_bytes; ++i)
      body.push_back(static_cast<std::uint8_t>(i * 37));
  }
  std::vector<std::uint8_t> out;
  tag(out, "RIFF");
  put(out, static_cast<std::uint32_t>(4 + body.size()), 4);
  tag(out, "WAVE");
  out.insert(out.end(), body.begin(), body.end());
  out.resize(out.size() - w.cut);
  return out;
}

std::vector<std::uint8_t> text(const char* s) { return {s, s + std::char_traits<char>::length(s)}; }

}  // namespace

std::vector<FileCase> fileCases() {
  using S = FileShape;
  return {
      {"16-bit mono", S::Bytes, build(Wav{}), AUDIO_OK},
      {"8-bit stereo after an odd-sized chunk", S::Bytes,
       build(Wav{.channels = 2, .bits = 8, .odd_chunk = true}), AUDIO_OK},
      {"missing", S::Missing, {}, AUDIO_ERR_FILE_NOT_FOUND},
      {"a folder of the name, passed over", S::Folder, {}, AUDIO_ERR_FILE_NOT_FOUND},
      {"empty", S::Bytes, {}, AUDIO_ERR_FILE_MALFORMED},
      {"text", S::Bytes, text("not a sound at all"), AUDIO_ERR_FILE_MALFORMED},
      {"cut short", S::Bytes, build(Wav{.cut = 3}), AUDIO_ERR_FILE_MALFORMED},
      {"data longer than the file", S::Bytes, build(Wav{.data_size_field = 0x7FFFFFF0}),
       AUDIO_ERR_FILE_MALFORMED},
      {"no format chunk", S::Bytes, build(Wav{.fmt = false}), AUDIO_ERR_FILE_MALFORMED},
      {"no data chunk", S::Bytes, build(Wav{.data = false}), AUDIO_ERR_FILE_MALFORMED},
      {"format chunk too short", S::Bytes, build(Wav{.fmt_size = 14}), AUDIO_ERR_FILE_MALFORMED},
      {"block size wrong", S::Bytes, build(Wav{.block_align = 4}), AUDIO_ERR_FILE_MALFORMED},
      {"half a sample frame", S::Bytes, build(Wav{.data_bytes = 7}), AUDIO_ERR_FILE_MALFORMED},
      {"no channels", S::Bytes, build(Wav{.channels = 0}), AUDIO_ERR_FILE_MALFORMED},
      {"floating point", S::Bytes, build(Wav{.format = 3, .bits = 32}), AUDIO_ERR_FILE_UNSUPPORTED},
      {"24 bits", S::Bytes, build(Wav{.bits = 24}), AUDIO_ERR_FILE_UNSUPPORTED},
      {"six channels", S::Bytes, build(Wav{.channels = 6}), AUDIO_ERR_FILE_UNSUPPORTED},
  };
}

void makeFile(const FileCase& c, const char* name) {
  std::error_code error;
  std::filesystem::remove_all(name, error);
  if (c.shape == FileShape::Folder) {
    ASSERT_TRUE(std::filesystem::create_directory(name));
  } else if (c.shape == FileShape::Bytes) {
    std::FILE* f = std::fopen(name, "wb");
    ASSERT_NE(f, nullptr);
    if (!c.bytes.empty()) {
      ASSERT_EQ(std::fwrite(c.bytes.data(), 1, c.bytes.size(), f), c.bytes.size());
    }
    ASSERT_EQ(std::fclose(f), 0);
  }
}

void expectFileResults(AudioSystem* system) {
  for (const FileCase& c : fileCases()) {
    SCOPED_TRACE(c.what);
    makeFile(c, "case.wav");
    AudioSound* sound = nullptr;
    EXPECT_EQ(audioCreateSound(system, "case.wav", AUDIO_MODE_DEFAULT, nullptr, &sound),
              c.expected);
    EXPECT_EQ(sound != nullptr, c.expected == AUDIO_OK);
  }
}
