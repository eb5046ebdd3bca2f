// Where a relatively named sound file is found: the current folder first,
// then beside the executable, the share folder of an installed tree beside
// the executable's folder, and the configured folder, passing over a folder
// of the file's name; when none holds it, a line names every folder looked in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/audio/lookup.h"
#include "platform/core/core.h"
#include "tests/platform/audio/sound_files.h"
#include "tests/support/fresh_state.h"

namespace {

namespace fs = std::filesystem;
namespace pa = platform::audio;

std::string slashes(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

TEST(SoundSearch, FoldersFollowTheExecutableAndTheConfiguredFolder) {
  const struct {
    const char* executable;
    const char* configured;
    std::vector<std::string> folders;
  } cases[] = {
      {"/opt/sq/bin/starquell",
       "/usr/share/starquell/sounds",
       {"/opt/sq/bin", "/opt/sq/share/starquell/sounds", "/usr/share/starquell/sounds"}},
      // An installed tree where it was configured to be: its share folder once.
      {"/usr/bin/starquell",
       "/usr/share/starquell/sounds",
       {"/usr/bin", "/usr/share/starquell/sounds"}},
      {"/starquell", nullptr, {"/"}},
      {"starquell", "", {}},
      {nullptr, "/data", {"/data"}},
#ifdef _WIN32
      {"C:\\starquell.exe", nullptr, {"C:/"}},
#endif
  };
  for (const auto& c : cases) {
    pa::SearchFolders found;
    pa::searchFolders(c.executable, c.configured, &found);
    std::vector<std::string> got;
    for (int i = 0; i < found.count; ++i) got.push_back(slashes(found.path[i]));
    EXPECT_EQ(got, c.folders) << (c.executable ? c.executable : "(no executable)");
  }
}

class SoundLookup : public FreshState {};

TEST_F(SoundLookup, TheFirstFolderHoldingTheFileDecides) {
  enum Place { Current, Beside, Share, Configured, PLACES };
  const char* const names[PLACES] = {"current", "beside", "share", "configured"};
  const SoundFolder root;  // the current folder
  const fs::path base = root.path();
  const fs::path folders[PLACES] = {base, base / "prefix" / "bin",
                                    base / "prefix" / "share" / "starquell" / "sounds",
                                    base / "configured"};
  for (const auto& folder : folders) fs::create_directories(folder);
  platform::setModuleFileName((folders[Beside] / "starquell").string().c_str());
  const std::string configured = folders[Configured].string();

  const struct {
    std::vector<Place> files;    // where x.wav is a file
    std::vector<Place> folders;  // where x.wav is a folder: passed over
    AudioResult result;
    const char* from;  // whose bytes are read
  } cases[] = {
      {{Current, Beside, Share, Configured}, {}, AUDIO_OK, "current"},
      {{Beside, Share, Configured}, {}, AUDIO_OK, "beside"},
      {{Share, Configured}, {}, AUDIO_OK, "share"},
      {{Configured}, {}, AUDIO_OK, "configured"},
      {{}, {}, AUDIO_ERR_FILE_NOT_FOUND, nullptr},
      {{Beside}, {Current}, AUDIO_OK, "beside"},
      {{Configured}, {Current, Beside, Share}, AUDIO_OK, "configured"},
      {{}, {Current, Beside, Share, Configured}, AUDIO_ERR_FILE_NOT_FOUND, nullptr},
  };
  for (const auto& c : cases) {
    for (const auto& folder : folders) fs::remove(folder / "x.wav");
    for (const Place p : c.folders) fs::create_directory(folders[p] / "x.wav");
    for (const Place p : c.files) {
      std::FILE* f = std::fopen((folders[p] / "x.wav").string().c_str(), "wb");
      ASSERT_NE(f, nullptr);
      std::fputs(names[p], f);
      std::fclose(f);
    }
    pa::FileBytes file;
    testing::internal::CaptureStderr();
    EXPECT_EQ(pa::readSoundFile("x.wav", configured.c_str(), &file), c.result);
    const std::string said = testing::internal::GetCapturedStderr();
    if (c.from != nullptr) {
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.data.get()), file.size), c.from);
      EXPECT_EQ(said, "");
    } else {
      std::string line = "x.wav: not found in the current folder";
      for (int p = Beside; p < PLACES; ++p) line += ", " + folders[p].string();
      EXPECT_EQ(slashes(said), slashes(line + "\n"));
    }
  }

  // A name with a root is read as given only: no search, no line.
  fs::create_directory(base / "folder.wav");
  const struct {
    fs::path name;
    AudioResult result;
  } rooted[] = {
      {base / "none.wav", AUDIO_ERR_FILE_NOT_FOUND},
      {base / "folder.wav", AUDIO_ERR_FILE_UNREADABLE},
  };
  for (const auto& c : rooted) {
    pa::FileBytes file;
    testing::internal::CaptureStderr();
    EXPECT_EQ(pa::readSoundFile(c.name.string().c_str(), configured.c_str(), &file), c.result);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << c.name;
  }
}

}  // namespace
