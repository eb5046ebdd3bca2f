#include "record/format.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace record {

namespace {

constexpr long MAX_FRAME = 0x7FFFFFFF;
constexpr char HEADER[] = "# starquell replay ";
constexpr char PROGRAM[] = "# program ";

bool number(const char* word, long low, long high, long* value) {
  if (word == nullptr || *word == '\0' || std::strlen(word) > 10) return false;
  for (const char* c = word; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return false;
  }
  const long v = std::strtol(word, nullptr, 10);
  if (v < low || v > high) return false;
  *value = v;
  return true;
}

bool upDown(const char* word, bool* down) {
  if (word == nullptr) return false;
  *down = std::strcmp(word, "down") == 0;
  return *down || std::strcmp(word, "up") == 0;
}

bool hex8(const char* word, std::uint32_t* value) {
  if (std::strlen(word) != 8) return false;
  std::uint32_t v = 0;
  for (const char* c = word; *c != '\0'; ++c) {
    int digit = 0;
    if (*c >= '0' && *c <= '9') {
      digit = *c - '0';
    } else if (*c >= 'a' && *c <= 'f') {
      digit = *c - 'a' + 10;
    } else if (*c >= 'A' && *c <= 'F') {
      digit = *c - 'A' + 10;
    } else {
      return false;
    }
    v = v << 4 | static_cast<std::uint32_t>(digit);
  }
  *value = v;
  return true;
}

// Parses one line's words into an event; the reason when it cannot.
// A recording holds the sizes a window can have; a script may also try the
// smaller ones a window squashed flat can have.
long smallestClient(const Script& script) { return script.recording ? MIN_CLIENT : 0; }

const char* parseWords(char* words[], int count, const Script& script, ScriptEvent* e) {
  long frame = 0;
  if (!number(words[0], 0, MAX_FRAME, &frame)) return "frame must be a number from 0";
  e->frame = static_cast<std::uint32_t>(frame);
  const char* what = count > 1 ? words[1] : "";
  long a = 0;
  long b = 0;
  if (std::strcmp(what, "key") == 0) {
    if (count != 4) return "expected: <frame> key <virtual-key code> down|up";
    if (!number(words[2], 1, 255, &a)) return "virtual-key code must be 1..255";
    if (!upDown(words[3], &e->down)) return "expected down or up";
    e->kind = EventKind::Key;
    e->code = static_cast<int>(a);
  } else if (std::strcmp(what, "mouse") == 0) {
    if (count != 4) return "expected: <frame> mouse left|right down|up";
    if (std::strcmp(words[2], "left") != 0 && std::strcmp(words[2], "right") != 0) {
      return "expected left or right";
    }
    if (!upDown(words[3], &e->down)) return "expected down or up";
    e->kind = EventKind::Mouse;
    e->code = std::strcmp(words[2], "right") == 0 ? 1 : 0;
  } else if (std::strcmp(what, "resize") == 0) {
    if (count != 4) return "expected: <frame> resize <client width> <client height>";
    const long low = smallestClient(script);
    if (!number(words[2], low, MAX_CLIENT, &a) || !number(words[3], low, MAX_CLIENT, &b)) {
      return script.recording ? "client width and height must be 16..4096"
                              : "client width and height must be 0..4096";
    }
    e->kind = EventKind::Resize;
    e->width = static_cast<int>(a);
    e->height = static_cast<int>(b);
  } else if (std::strcmp(what, "ticks") == 0) {
    if (count != 3 || !number(words[2], 0, record::MAX_TICKS, &a)) {
      return "expected: <frame> ticks <0..1000000>";
    }
    e->kind = EventKind::Ticks;
    e->ticks = static_cast<int>(a);
  } else if (std::strcmp(what, "crc") == 0) {
    if (count != 3 || !hex8(words[2], &e->crc)) return "expected: <frame> crc <8 hex digits>";
    e->kind = EventKind::Checkpoint;
  } else {
    return "expected key, mouse, resize, ticks or crc after the frame";
  }
  return nullptr;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Splits `line` at blanks into at most `most` words, in place; -1 when it
// holds more.
int splitWords(char* line, char* words[], int most) {
  int count = 0;
  for (char* c = line; *c != '\0';) {
    if (isBlank(*c)) {
      *c++ = '\0';
      continue;
    }
    if (count == most) return -1;
    words[count++] = c;
    while (*c != '\0' && !isBlank(*c)) ++c;
  }
  return count;
}

// "# program <version> logic <n>"
const char* parseProgramLine(char* line, Script* script) {
  char* words[3] = {};
  if (splitWords(line + std::strlen(PROGRAM), words, 3) != 3 || std::strlen(words[0]) > 63 ||
      std::strcmp(words[1], "logic") != 0) {
    return "expected: # program <version> logic <number>";
  }
  long n = 0;
  if (!number(words[2], 1, MAX_FRAME, &n)) return "the game-logic version must be a number from 1";
  script->program_version = words[0];
  script->logic_version = static_cast<int>(n);
  return nullptr;
}

const char* parseLine(char* line, int line_number, Script* script) {
  if (line_number == 1 && std::strncmp(line, HEADER, std::strlen(HEADER)) == 0) {
    long n = 0;
    char* words = line + std::strlen(HEADER);
    words[std::strcspn(words, " \t\r")] = '\0';
    if (!number(words, 1, MAX_FRAME, &n)) return "the format version must be a number from 1";
    script->recording = true;
    script->format_version = static_cast<int>(n);
    return nullptr;
  }
  if (script->recording && std::strncmp(line, PROGRAM, std::strlen(PROGRAM)) == 0) {
    return parseProgramLine(line, script);
  }
  if (char* hash = std::strchr(line, '#')) *hash = '\0';
  char* words[5] = {};
  const int count = splitWords(line, words, 5);
  if (count < 0) return "too many words";
  if (count == 0) return nullptr;
  if (std::strcmp(words[0], "client") == 0) {
    long w = 0;
    long h = 0;
    const long low = smallestClient(*script);
    if (count != 3 || !number(words[1], low, MAX_CLIENT, &w) ||
        !number(words[2], low, MAX_CLIENT, &h)) {
      return script->recording ? "expected: client <width 16..4096> <height 16..4096>"
                               : "expected: client <width 0..4096> <height 0..4096>";
    }
    if (script->has_client) return "a second client line";
    script->has_client = true;
    script->client_width = static_cast<int>(w);
    script->client_height = static_cast<int>(h);
    return nullptr;
  }
  ScriptEvent e;
  if (const char* why = parseWords(words, count, *script, &e)) return why;
  // The recorder writes a line at least every 60 frames: a recording whose
  // frames leap further was not made by it, and would run for ever.
  if (script->recording && e.frame > script->last_frame + MAX_FRAME_STEP) {
    return "the frame jumps more than 60 frames past the one before";
  }
  script->last_frame = std::max(script->last_frame, e.frame);
  script->events.push_back(e);
  return nullptr;
}

}  // namespace

ScriptReader::ScriptReader(Script* script) : script_(script) {}

bool ScriptReader::line(std::string* error) {
  ++lines_;
  line_[length_] = '\0';
  length_ = 0;
  if (const char* why = parseLine(line_, lines_, script_)) {
    *error = "line " + std::to_string(lines_) + ": " + why;
    return false;
  }
  return true;
}

bool ScriptReader::feed(std::string_view bytes, std::string* error) {
  while (!bytes.empty()) {
    const std::size_t end = std::min(bytes.find('\n'), bytes.size());
    // A line is refused as soon as it is longer than any line can be, so
    // that a file of one endless line costs no more than one that is short.
    // Only its first MAX_LINE + 1 bytes are looked at, however it arrives.
    const std::size_t looked_at = std::min(end, MAX_LINE + 1 - length_);
    if (std::memchr(bytes.data(), '\0', looked_at) != nullptr) {
      *error = "line " + std::to_string(lines_ + 1) + ": holds a NUL byte";
      return false;
    }
    if (length_ + end > MAX_LINE) {
      *error = "line " + std::to_string(lines_ + 1) + ": too long";
      return false;
    }
    std::memcpy(line_ + length_, bytes.data(), end);
    length_ += end;
    if (end == bytes.size()) break;
    if (!line(error)) return false;
    bytes.remove_prefix(end + 1);
  }
  return true;
}

bool ScriptReader::finish(std::string* error) {
  if (length_ == 0) return true;
  if (script_->recording) {
    // The writer was stopped inside this line: what came before stands.
    script_->cut = true;
    script_->cut_line = lines_ + 1;
    length_ = 0;
    return true;
  }
  return line(error);
}

bool parseScript(std::string_view text, Script* script, std::string* error) {
  if (text.size() > MAX_RECORDING_BYTES) {
    *error = "larger than any recording can be (at most 64 MiB)";
    return false;
  }
  ScriptReader reader(script);
  return reader.feed(text, error) && reader.finish(error);
}

namespace {

// What the file system says of a path before it is opened.
struct PathInfo {
  bool folder = false;
  bool regular = false;
  std::uint64_t size = 0;
};

bool pathInfo(const std::string& path, PathInfo* info) {
#ifdef _WIN32
  struct _stat64 st = {};
  if (_stat64(path.c_str(), &st) != 0) return false;
  info->folder = (st.st_mode & _S_IFMT) == _S_IFDIR;
  info->regular = (st.st_mode & _S_IFMT) == _S_IFREG;
#else
  struct stat st = {};
  if (stat(path.c_str(), &st) != 0) return false;
  info->folder = S_ISDIR(st.st_mode);
  info->regular = S_ISREG(st.st_mode);
#endif
  info->size = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  return true;
}

std::string systemReason() { return errno != 0 ? std::strerror(errno) : "unknown reason"; }

// Reads the open file through `reader` to its end or its first refusal.
// *bad_line is the line refused, if one was.
bool readAll(std::FILE* in, const std::string& name, ScriptReader* reader, bool recording_only,
             const Script& script, std::string* error, int* bad_line) {
  char chunk[1 << 14];
  std::uint64_t total = 0;
  errno = 0;
  for (std::size_t n = 0; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;) {
    total += n;
    if (total > MAX_RECORDING_BYTES) {
      *error = name + " is larger than any recording can be (at most 64 MiB)";
      return false;
    }
    if (!reader->feed(std::string_view(chunk, n), error)) {
      *bad_line = reader->lines() + 1;
      *error = name + ": " + *error;
      return false;
    }
    if (recording_only && reader->lines() > 0 && !script.recording) break;
  }
  if (std::ferror(in) != 0) {
    *error = "cannot read " + name + ": " + systemReason();
    return false;
  }
  if (total == 0 && recording_only) {
    *error = name + " is empty";
    return false;
  }
  if (!reader->finish(error)) {
    *bad_line = reader->lines();
    *error = name + ": " + *error;
    return false;
  }
  return true;
}

}  // namespace

bool readScript(const std::string& path, Script* script, std::string* error, bool recording_only) {
  if (path.empty()) {
    *error = "an empty file name";
    return false;
  }
  const bool standard_input = path == "-";
  const std::string name = standard_input ? "standard input" : path;
  std::FILE* in = stdin;
  if (standard_input) {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
#endif
  } else {
    PathInfo info;
    errno = 0;
    if (!pathInfo(path, &info)) {
      *error = "cannot open " + path + ": " + systemReason();
      return false;
    }
    if (info.folder) {
      *error = path + " is a folder";
      return false;
    }
    if (info.regular && info.size > MAX_RECORDING_BYTES) {
      *error = path + " is larger than any recording can be (" + std::to_string(info.size) +
               " bytes; at most 64 MiB)";
      return false;
    }
    errno = 0;
    in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) {
      *error = "cannot open " + path + ": " + systemReason();
      return false;
    }
  }
  ScriptReader reader(script);
  int bad_line = 0;
  const bool read = readAll(in, name, &reader, recording_only, *script, error, &bad_line);
  if (in != stdin) std::fclose(in);
  // A file that does not start as a recording or script (a picture, a text,
  // random bytes) is named for what it is, not by its first line.
  if (!script->recording && (recording_only ? read || bad_line > 0 : bad_line == 1)) {
    *error = name + (recording_only ? " is not a recording" : " is not a recording or a script");
    return false;
  }
  return read;
}

std::string cutNote(const std::string& path, const Script& script) {
  if (!script.cut) return "";
  return (path == "-" ? std::string("standard input") : path) + ": line " +
         std::to_string(script.cut_line) +
         ": the recording is cut inside this line; it plays up to the line before";
}

std::string refusal(const Script& script) {
  if (!script.recording) return "";
  if (script.format_version > FORMAT_VERSION) {
    return "recording format " + std::to_string(script.format_version) +
           " is newer than this program's " + std::to_string(FORMAT_VERSION);
  }
  if (script.logic_version == 0) return "the recording names no game-logic version";
  if (script.logic_version != LOGIC_VERSION) {
    return "recorded with game logic " + std::to_string(script.logic_version) +
           "; this program plays game logic " + std::to_string(LOGIC_VERSION);
  }
  return "";
}

}  // namespace record
