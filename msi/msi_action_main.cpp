// GravoMsiAction.exe: the package's deferred custom action. It runs
// GravoSetupCli.exe from its own folder (the package's folder under Program
// Files) without a window and tells msiexec the outcome. Its exit code is
// all msiexec keeps of it: 2 for a refused command line or environment
// list, 1 when the program cannot be started, otherwise the program's own
// code, with "nothing detected" (3) and "log not written" (4) counted as
// done. The DLL search is
// restricted before this runs (dll_search.cpp).
#include <windows.h>

#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "msi/msi_action.h"

namespace {

// The folder of this program with its trailing backslash; empty when the
// path does not fit the buffer.
std::wstring ownFolder() {
  std::vector<wchar_t> path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return L"";
  const std::wstring full(path.data(), length);
  return full.substr(0, full.rfind(L'\\') + 1);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::vector<std::wstring> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const std::wstring arguments = cliArguments(args);
  if (arguments.empty()) return kExitBadArguments;
  const std::wstring folder = ownFolder();
  if (folder.empty()) return kExitFailed;
  const std::wstring cli = folder + L"GravoSetupCli.exe";
  std::wstring commandLine = L"\"" + cli + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(cli.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      folder.c_str(), &startup, &process))
    return kExitFailed;
  CloseHandle(process.hThread);
  DWORD code = kExitFailed;
  if (WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.hProcess, &code))
    code = kExitFailed;
  CloseHandle(process.hProcess);
  return static_cast<int>(packageExitCode(code));
}
