#include "cli/cli_failure.h"

#include <windows.h>

#include <csignal>
#include <cstddef>
#include <exception>

namespace {

LONG WINAPI crashed(EXCEPTION_POINTERS* exception) {
  const DWORD code = exception && exception->ExceptionRecord ? exception->ExceptionRecord->ExceptionCode : 0;
  endUnexpectedly(code == EXCEPTION_STACK_OVERFLOW ? "stack overflow" : "a step crashed");
}

void aborted(int) { endUnexpectedly("abort"); }

}  // namespace

void endUnexpectedly(const char* what) {
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  char line[160] = "GravoSetupCli: unexpected failure (";
  std::size_t length = 0;
  while (line[length] != '\0') ++length;
  for (const char* c = what; *c != '\0' && length < sizeof(line) - 24; ++c) line[length++] = *c;
  for (const char* c = "); exit code 1\r\n"; *c != '\0'; ++c) line[length++] = *c;
  DWORD written = 0;
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
    WriteFile(handle, line, static_cast<DWORD>(length), &written, nullptr);
  TerminateProcess(GetCurrentProcess(), 1);
  ExitProcess(1);
}

void endUnexpectedFailuresWithExitCode1() {
  // Room to report a stack overflow in.
  ULONG guarantee = 64 * 1024;
  SetThreadStackGuarantee(&guarantee);
  SetUnhandledExceptionFilter(crashed);
  std::signal(SIGABRT, aborted);
  std::set_terminate([] { endUnexpectedly("an exception nothing caught"); });
}
