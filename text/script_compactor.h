// The script text compactor: turns the text of a small statement script into a
// compact statement stream, in place, and finds a statement in such a stream by
// its leading key.
//
// The script language has statements ended by ";" or "}", "#" statements that
// take one line each, double- and single-quoted strings, and comments from "//"
// to the end of the line and from "/*" to "*/". The compacted stream holds the
// statements one after another without blanks, so a statement can be found by
// a plain byte comparison right after a terminator (CR, ";" or "}"). A CR
// stands only at the end of each "#" statement and, when comments are kept, at
// the end of each "//" comment.
#pragma once

#include <cstdint>

// Options word of compactScriptText: comments are removed instead of kept.
inline constexpr std::int32_t SCRIPT_DROP_COMMENTS = 32;

// Compacts the text in buffer (size bytes, the text ending at its first NUL or
// at the end of the buffer) in place, in one pass, and returns the length of
// the compacted stream; the stream's NUL stands at that index.
//
// Problems with the text are reported with AskToContinue, one question each:
//   "Found */ without preceeding /*."
//   "Illegal escape char found in quoted string."
//   "Missing ; or other terminator on previous line before starting # statement."
//   "# charater not the first non blank on line."
//   "Buffer overflow. Missing terminator."
// Yes goes on with the compaction, No ends the process with exit code 1.
// The last one comes when the buffer held no NUL and every byte was kept: the
// buffer's last byte then becomes the NUL and the result is size - 1.
//
// Only the size bytes of the buffer are read or written. A missing buffer or a
// size below 1 gives 0 and touches nothing. The call keeps no state between
// calls, so it may run on several buffers at once.
std::int32_t compactScriptText(char* buffer, std::int32_t size, std::int32_t options);

// Finds the first place in the compacted stream where the key stands right
// after a terminator byte (CR, ";" or "}") and returns the offset just past the
// key there, or -1. The start of the stream is no candidate.
//
// Contract: key and stream hold key_length + 1 and stream_length + 1 bytes; the
// byte at each length is read to check that it is the NUL. Nothing else
// outside the lengths is read.
//
// Checks (ReportError): 4453 key or stream missing, 4456 a negative length;
// after either the result is -1. A length of 0 gives -1 without a report.
// 4454 the stream's byte at its length is not NUL, 4455 the key's byte at its
// length is not NUL; the search goes on after these two.
std::int32_t findStatement(const char* key, std::int32_t key_length, const char* stream,
                           std::int32_t stream_length);

// Reports a problem found in a script. Severity 0 shows the message with
// FatalMessage (the process ends with exit code 1); any other severity asks
// with AskToContinue (No ends the process with exit code 1, Yes returns). The
// line number is not shown: it counts some line ends twice and would mislead.
void reportScriptError(std::int32_t line, const char* message, std::int32_t severity);
