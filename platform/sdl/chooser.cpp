#include "platform/sdl/chooser.h"

namespace platform::sdl {

std::vector<std::string> chooserArguments(Chooser chooser, const char* title, const char* filter,
                                          const char* initial_dir) {
  FilterPair pairs[MAX_FILTER_PAIRS];
  const int n = parseFilter(filter, pairs, MAX_FILTER_PAIRS);
  const std::string dir = initial_dir != nullptr && initial_dir[0] != 0 ? initial_dir : ".";
  std::vector<std::string> args;
  if (chooser == Chooser::Zenity) {
    args = {"zenity", "--file-selection", std::string("--title=") + title};
    if (initial_dir != nullptr && initial_dir[0] != 0) args.push_back("--filename=" + dir + "/");
    for (int i = 0; i < n; ++i) {
      args.push_back(std::string("--file-filter=") + pairs[i].description + " | " +
                     pairs[i].patterns);
    }
    return args;
  }
  std::string filters;
  for (int i = 0; i < n; ++i) {
    if (i > 0) filters += "\n";
    filters += std::string(pairs[i].patterns) + "|" + pairs[i].description;
  }
  args = {"kdialog", "--title", title, "--getopenfilename", dir};
  if (!filters.empty()) args.push_back(filters);
  return args;
}

}  // namespace platform::sdl
