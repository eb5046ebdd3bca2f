#include "text/script_compactor.h"

#include "shell/reports.h"

namespace {

constexpr signed char CR = 13;
constexpr signed char LF = 10;
constexpr signed char TAB = 9;
constexpr signed char SPACE = 32;

constexpr const char* MSG_STRAY_COMMENT_END = "Found */ without preceeding /*.";
constexpr const char* MSG_BAD_QUOTED_BYTE = "Illegal escape char found in quoted string.";
constexpr const char* MSG_MISSING_TERMINATOR =
    "Missing ; or other terminator on previous line before starting # statement.";
constexpr const char* MSG_HASH_NOT_FIRST = "# charater not the first non blank on line.";
constexpr const char* MSG_OVERFLOW = "Buffer overflow. Missing terminator.";

// Bytes are compared as signed values, so 128..255 sort below every control
// byte and count as neither printable nor blank.
signed char byteAt(const char* buffer, std::int32_t index) {
  return static_cast<signed char>(buffer[index]);
}

bool isTerminator(signed char byte) { return byte == CR || byte == ';' || byte == '}'; }

// An open comment or quoted string; "closing" keeps it open for the byte that
// closes it, which still belongs to it.
struct Span {
  bool open = false;
  bool closing = false;

  void markClosing() {
    open = true;
    closing = true;
  }
  void endStep() {
    if (closing) open = closing = false;
  }
};

}  // namespace

void reportScriptError(std::int32_t /*line*/, const char* message, std::int32_t severity) {
  const char* text = message != nullptr ? message : "";
  if (severity == 0) FatalMessage(text);
  AskToContinue(text);
}

std::int32_t compactScriptText(char* buffer, std::int32_t size, std::int32_t options) {
  if (buffer == nullptr || size < 1) return 0;
  const bool keep_comments = (options & SCRIPT_DROP_COMMENTS) == 0;

  std::int32_t read = 0;
  std::int32_t write = 0;
  std::int32_t line = 0;
  std::int32_t non_blanks = 0;
  bool line_comment = false;
  bool hash_statement = false;
  Span block_comment;
  Span double_quote;
  Span single_quote;
  // The byte window: kept in the call, so compactions never share it.
  signed char previous = 0;

  auto put = [&](signed char byte) { buffer[write++] = static_cast<char>(byte); };
  auto report = [&](const char* message) { reportScriptError(line, message, 1); };

  while (read < size && buffer[read] != 0) {
    signed char current = byteAt(buffer, read);
    const signed char next = read + 1 < size ? byteAt(buffer, read + 1) : 0;

    if (current != SPACE && current != TAB) ++non_blanks;

    if (current == CR || current == LF) {
      const bool pair = (current == CR && next == LF) || (current == LF && next == CR);
      ++line;
      non_blanks = 0;
      bool ends_here = false;
      if (line_comment) {
        line_comment = false;
        // A kept "//" comment ends with its CR; a "#" statement it closes the
        // line of stays open.
        ends_here = keep_comments;
      }
      if (!ends_here && hash_statement) {
        hash_statement = false;
        ends_here = true;
      }
      if (ends_here) {
        put(CR);
        current = CR;
        if (pair) ++read;
      }
      // Otherwise nothing is written; the second byte of a pair comes next as
      // a line end of its own.
    } else {
      if (current == '/' && next == '/') line_comment = true;
      if (current == '/' && next == '*') {
        block_comment.open = true;
      } else if (current == '/' && previous == '*') {
        if (!block_comment.open) report(MSG_STRAY_COMMENT_END);
        block_comment.markClosing();
      }

      if (line_comment || block_comment.open) {
        if (keep_comments) put(current);
      } else {
        if (current == '"' && !single_quote.open) {
          if (double_quote.open) {
            double_quote.markClosing();
          } else {
            double_quote.open = true;
          }
        }
        if (current == '\'' && !double_quote.open) {
          if (single_quote.open) {
            single_quote.markClosing();
          } else {
            single_quote.open = true;
          }
        }

        if (double_quote.open || single_quote.open) {
          if ((current < SPACE && current != TAB) || current == 127) report(MSG_BAD_QUOTED_BYTE);
          put(current);
        } else {
          if (current == '#') {
            if (non_blanks == 1) {
              hash_statement = true;
              if (write > 0 && !isTerminator(byteAt(buffer, write - 1))) {
                report(MSG_MISSING_TERMINATOR);
              }
            } else {
              report(MSG_HASH_NOT_FIRST);
            }
          }
          if (current >= 33 && current <= 125) {
            put(current);
          } else if (hash_statement && (current == SPACE || current == TAB)) {
            // Inside a "#" statement each run of blanks becomes one space.
            current = SPACE;
            if (previous != SPACE) put(SPACE);
          }
        }
      }
    }

    block_comment.endStep();
    double_quote.endStep();
    single_quote.endStep();
    previous = current;
    ++read;
  }

  if (write < size) {
    buffer[write] = 0;
    return write;
  }
  report(MSG_OVERFLOW);
  buffer[size - 1] = 0;
  return size - 1;
}

std::int32_t findStatement(const char* key, std::int32_t key_length, const char* stream,
                           std::int32_t stream_length) {
  bool usable = true;
  if (key == nullptr || stream == nullptr) {
    ReportError(4453);
    usable = false;
  }
  if (key_length < 0 || stream_length < 0) {
    ReportError(4456);
    usable = false;
  }
  if (!usable || key_length == 0 || stream_length == 0) return -1;

  if (stream[stream_length] != 0) ReportError(4454);
  if (key[key_length] != 0) ReportError(4455);

  // A candidate follows a terminator and leaves room for the whole key.
  for (std::int32_t at = 1; at <= stream_length - key_length; ++at) {
    if (!isTerminator(static_cast<signed char>(stream[at - 1]))) continue;
    std::int32_t matched = 0;
    while (matched < key_length && stream[at + matched] == key[matched]) ++matched;
    if (matched == key_length) return at + key_length;
  }
  return -1;
}
