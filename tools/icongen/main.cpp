// Writes the program's icon into the folder given, making it when missing:
// starquell-N.png for each size and starquell.ico. Run by the build.
// Usage: icongen FOLDER
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "shell/reports.h"
#include "tools/icongen/icon.h"

// The rasterizer's checks report here: a figure the generator draws wrong is
// a fault of the build, not something to go on past.
void ReportError(std::int32_t number) {
  std::fprintf(stderr, "icongen: the shape rasterizer reported error %d\n", number);
  std::exit(1);
}

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  std::error_code error;
  std::filesystem::create_directories(argv[1], error);
  if (error) {
    std::fprintf(stderr, "icongen: cannot make %s: %s\n", argv[1], error.message().c_str());
    return 1;
  }
  const std::string folder = argv[1];
  const icongen::Picture drawn = icongen::drawIcon();
  std::vector<icongen::Picture> pictures;
  for (const int size : icongen::ICON_SIZES) {
    pictures.push_back(size == drawn.size ? drawn : icongen::scaled(drawn, size));
    const std::string name = folder + "/starquell-" + std::to_string(size) + ".png";
    if (!icongen::writeFile(name, icongen::png(pictures.back()))) return 1;
  }
  return icongen::writeFile(folder + "/starquell.ico", icongen::ico(pictures)) ? 0 : 1;
}
