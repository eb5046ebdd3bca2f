// The message-box reports that every internal check ends in. A report shows a
// number (unique to the check that failed) or a text; the user either goes on
// past the check or ends the process at once.
#pragma once

#include <cstdint>

// Shows "Error N  Contine?" with the error context. Yes returns; No ends the
// process with the error number as its exit code.
void ReportError(std::int32_t number);
// As ReportError, with a status number shown too; returns the answer on Yes.
int ReportErrorWithStatus(std::int32_t number, std::int32_t status);
// Shows the text with Yes and No; No ends the process with exit code 1.
int AskToContinue(const char* text);
// Shows the text with OK, then ends the process with exit code 1.
[[noreturn]] void FatalMessage(const char* text);
// Shows the text with OK under the caption "Warning".
int ShowWarning(const char* text);
// Shows "text  Error num=N  Contine?" with OK; a text too long for the report
// is cut so that the number and the context still show.
int ReportWarning(const char* text, std::int32_t number);
// Shows the text with OK under the given caption.
int ShowMessage(const char* caption, const char* text);

// What must happen before the process ends at a report or a fatal sound
// error, which skip the window's own end (a recording writes out what it
// holds). One hook; null clears it. runExitHook calls it once and clears it.
using ExitHook = void (*)();
void setExitHook(ExitHook hook);
void runExitHook();

// Sets the error context that numbered reports show and returns the previous
// one. Once the context is -1 it stays -1.
std::int32_t setErrorContext(std::int32_t value);
