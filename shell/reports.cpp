#include "shell/reports.h"

#include <cstdio>
#include <cstring>

#include "platform/win32.h"
#include "shell/shell_globals.h"

namespace {
constexpr std::size_t ERROR_MESSAGE_SIZE = 110;
constexpr std::size_t WARNING_MESSAGE_SIZE = 200;
constexpr UINT ERROR_STYLE = MB_YESNO | MB_ICONHAND | MB_TASKMODAL;
constexpr UINT FATAL_STYLE = MB_OK | MB_ICONHAND | MB_TASKMODAL;
constexpr UINT NOTE_STYLE = MB_OK | MB_TASKMODAL;

ExitHook g_exit_hook = nullptr;

[[noreturn]] void endProcess(UINT code) {
  runExitHook();
  ExitProcess(code);
}
}  // namespace

void setExitHook(ExitHook hook) { g_exit_hook = hook; }

void runExitHook() {
  const ExitHook hook = g_exit_hook;
  g_exit_hook = nullptr;
  if (hook != nullptr) hook();
}

void ReportError(std::int32_t number) {
  char error_message[ERROR_MESSAGE_SIZE];
  std::snprintf(error_message, sizeof error_message, "Error %d  Contine?    (err_context=%d)",
                number, g_shell.err_context);
  if (MessageBoxA(nullptr, error_message, "ERROR", ERROR_STYLE) == IDNO) {
    endProcess(static_cast<UINT>(number));
  }
}

int ReportErrorWithStatus(std::int32_t number, std::int32_t status) {
  char error_message[ERROR_MESSAGE_SIZE];
  std::snprintf(error_message, sizeof error_message,
                "Error %d   stat %d   Contine?    (err_context=%d)", number, status,
                g_shell.err_context);
  const int answer = MessageBoxA(nullptr, error_message, "ERROR", ERROR_STYLE);
  if (answer == IDNO) endProcess(static_cast<UINT>(number));
  return answer;
}

int AskToContinue(const char* text) {
  const int answer = MessageBoxA(nullptr, text, "ERROR", ERROR_STYLE);
  if (answer == IDNO) endProcess(1);
  return answer;
}

void FatalMessage(const char* text) {
  MessageBoxA(nullptr, text, "ERROR", FATAL_STYLE);
  endProcess(1);
}

int ShowWarning(const char* text) { return MessageBoxA(nullptr, text, "Warning", NOTE_STYLE); }

int ReportWarning(const char* text, std::int32_t number) {
  // The number and context matter more than the end of a long text: format the
  // tail first, then give the text whatever room is left.
  char tail[WARNING_MESSAGE_SIZE];
  const int tail_length =
      std::snprintf(tail, sizeof tail, "  Error num=%d  Contine?    (err_context=%d)", number,
                    g_shell.err_context);
  char error_message[WARNING_MESSAGE_SIZE];
  const std::size_t room = sizeof error_message - 1 - static_cast<std::size_t>(tail_length);
  std::size_t n = 0;
  if (text != nullptr) {
    while (n < room && text[n] != 0) ++n;
    std::memcpy(error_message, text, n);
  }
  std::memcpy(error_message + n, tail, static_cast<std::size_t>(tail_length) + 1);
  return MessageBoxA(nullptr, error_message, "Warning", NOTE_STYLE);
}

int ShowMessage(const char* caption, const char* text) {
  return MessageBoxA(nullptr, text, caption, NOTE_STYLE);
}

std::int32_t setErrorContext(std::int32_t value) {
  const std::int32_t previous = g_shell.err_context;
  if (previous != -1) g_shell.err_context = value;
  return previous;
}
