// GravoSetupCli.exe: the wizard's detection and operations for unattended
// installs (Group Policy, Intune, PDQ Deploy, SCCM). The DLL search is
// restricted before this runs (dll_search.cpp).
#include <windows.h>

#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/cli_failure.h"
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
  endUnexpectedFailuresWithExitCode1();
  try {
    return run(argc, argv);
  } catch (...) {
    endUnexpectedly("an exception");
  }
}
