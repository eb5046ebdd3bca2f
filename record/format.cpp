#include "record/format.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace record {

namespace {

constexpr long MAX_FRAME = 0x7FFFFFFF;
constexpr long MAX_SIZE = 65535;
constexpr long MAX_TICKS = 1000000;
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
const char* parseWords(char* words[], int count, ScriptEvent* e) {
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
    if (!number(words[2], 0, MAX_SIZE, &a) || !number(words[3], 0, MAX_SIZE, &b)) {
      return "client width and height must be 0..65535";
    }
    e->kind = EventKind::Resize;
    e->width = static_cast<int>(a);
    e->height = static_cast<int>(b);
  } else if (std::strcmp(what, "ticks") == 0) {
    if (count != 3 || !number(words[2], 0, MAX_TICKS, &a)) {
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

// "# program <version> logic <n>"
const char* parseProgramLine(const char* line, Script* script) {
  char version[64] = {};
  char logic[16] = {};
  char word[16] = {};
  char extra[2] = {};
  if (std::sscanf(line + std::strlen(PROGRAM), "%63s %15s %15s %1s", version, word, logic, extra) !=
          3 ||
      std::strcmp(word, "logic") != 0) {
    return "expected: # program <version> logic <number>";
  }
  long n = 0;
  if (!number(logic, 1, MAX_FRAME, &n)) return "the game-logic version must be a number from 1";
  script->program_version = version;
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
  int count = 0;
  for (char* c = line; *c != '\0';) {
    if (*c == ' ' || *c == '\t' || *c == '\r') {
      *c++ = '\0';
      continue;
    }
    if (count == 5) return "too many words";
    words[count++] = c;
    while (*c != '\0' && *c != ' ' && *c != '\t' && *c != '\r') ++c;
  }
  if (count == 0) return nullptr;
  if (std::strcmp(words[0], "client") == 0) {
    long w = 0;
    long h = 0;
    if (count != 3 || !number(words[1], 0, MAX_SIZE, &w) || !number(words[2], 0, MAX_SIZE, &h)) {
      return "expected: client <width 0..65535> <height 0..65535>";
    }
    if (script->has_client) return "a second client line";
    script->has_client = true;
    script->client_width = static_cast<int>(w);
    script->client_height = static_cast<int>(h);
    return nullptr;
  }
  ScriptEvent e;
  if (const char* why = parseWords(words, count, &e)) return why;
  script->last_frame = std::max(script->last_frame, e.frame);
  script->events.push_back(e);
  return nullptr;
}

}  // namespace

bool parseScript(std::string_view text, Script* script, std::string* error) {
  char line[MAX_LINE + 1];
  int line_number = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    ++line_number;
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::size_t length = end - at;
    auto fail = [&](const char* why) {
      *error = "line " + std::to_string(line_number) + ": " + why;
      return false;
    };
    if (length > MAX_LINE) return fail("too long");
    if (std::memchr(text.data() + at, '\0', length) != nullptr) return fail("holds a NUL byte");
    std::memcpy(line, text.data() + at, length);
    line[length] = '\0';
    if (end == text.size() && script->recording) {
      return fail("truncated: the recording ends inside this line");
    }
    if (const char* why = parseLine(line, line_number, script)) return fail(why);
    at = end + 1;
  }
  return true;
}

bool readScript(const std::string& path, Script* script, std::string* error, bool) {
  std::FILE* in = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
  if (in == nullptr) {
    *error = "cannot open " + path;
    return false;
  }
  std::string text;
  char chunk[1 << 14];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0) text.append(chunk, n);
  if (in != stdin) std::fclose(in);
  if (!parseScript(text, script, error)) {
    *error = path + ": " + *error;
    return false;
  }
  return true;
}

std::string cutNote(const std::string&, const Script&) { return ""; }

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
