// GravoSetupCli.exe: the wizard's detection and operations for unattended
// installs (Group Policy, Intune, PDQ Deploy, SCCM). The DLL search is
// restricted before this runs (dll_search.cpp).
#include <windows.h>

#include <csignal>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/cli_run.h"

namespace {

// A console gets the text as UTF-16, which shows it whatever its code page;
// a pipe or a file, as deployment tools capture it, gets UTF-8 with CRLF.
void writeLine(DWORD which, const std::wstring& line) {
  const HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  std::wstring text;
  for (const wchar_t c : line) {
    if (c == L'\n') text += L'\r';
    text += c;
  }
  text += L"\r\n";
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(handle, &mode)) {
    WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const std::string bytes = toUtf8(text);
  WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// The last words of a run that meets something unexpected: one line on the
// error output and exit code 1, never the 3 of abort() that reads as
// "nothing detected". Written with the fewest calls and no allocation, as
// the stack or the heap may be what failed.
[[noreturn]] void endUnexpectedly(const char* what) {
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  char line[160] = "GravoSetupCli: unexpected failure (";
  std::size_t length = 0;
  while (line[length] != '\0') ++length;
  for (const char* c = what; *c != '\0' && length < sizeof(line) - 24; ++c) line[length++] = *c;
  for (const char* c = "); exit code 1\r\n"; *c != '\0'; ++c) line[length++] = *c;
  DWORD written = 0;
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
    WriteFile(handle, line, static_cast<DWORD>(length), &written, nullptr);
  TerminateProcess(GetCurrentProcess(), kExitFailed);
  ExitProcess(kExitFailed);
}

LONG WINAPI crashed(EXCEPTION_POINTERS* exception) {
  const DWORD code = exception && exception->ExceptionRecord ? exception->ExceptionRecord->ExceptionCode : 0;
  endUnexpectedly(code == EXCEPTION_STACK_OVERFLOW ? "stack overflow" : "a step crashed");
}

void aborted(int) { endUnexpectedly("abort"); }

int run(int argc, wchar_t** argv) {
  const CliConsole console{[](const std::wstring& line) { writeLine(STD_OUTPUT_HANDLE, line); },
                           [](const std::wstring& line) { writeLine(STD_ERROR_HANDLE, line); }};
  const std::vector<std::wstring> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const CliParse parse = parseArguments(args);
  if (!parse.error.empty()) {
    console.err(printable(parse.error));
    console.err(L"");
    console.err(usageText());
    return kExitBadArguments;
  }
  // Nothing below resolves a relative path, so the current directory,
  // wherever a deployment tool leaves it, plays no part.
  CatalogueData data;
  return runCli(parse.request, data, console);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Room to report a stack overflow in.
  ULONG guarantee = 64 * 1024;
  SetThreadStackGuarantee(&guarantee);
  SetUnhandledExceptionFilter(crashed);
  std::signal(SIGABRT, aborted);
  std::set_terminate([] { endUnexpectedly("an exception nothing caught"); });
  try {
    return run(argc, argv);
  } catch (const std::exception&) {
    endUnexpectedly("an exception");
  } catch (...) {
    endUnexpectedly("an exception");
  }
}
