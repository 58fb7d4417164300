// GravoMsiAction.exe: the package's deferred custom actions and their undo
// actions. It runs GravoSetupCli.exe from its own folder (the package's
// folder under Program Files) without a window and tells msiexec the
// outcome. Its exit code is all msiexec keeps of it: 2 for a refused
// command line or environment list, 1 when the program cannot be started,
// otherwise the program's own code, with "nothing detected" (3) and "log
// not written" (4) counted as done. The DLL search is restricted before
// this runs (dll_search.cpp).
#include <windows.h>

#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/cli_journal.h"
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

// True when another product of the package's upgrade code is installed: at
// an upgrade, the new version, whose library now stands where this one's
// was. Windows Installer tells this with UPGRADINGPRODUCTCODE, which not
// every implementation passes to the removal it starts.
bool anotherVersionInstalled(const std::wstring& upgradeCode, const std::wstring& productCode) {
  using EnumRelated = UINT(WINAPI*)(LPCWSTR, DWORD, DWORD, LPWSTR);
  const HMODULE msi = LoadLibraryExW(L"msi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!msi) return false;
  const auto enumRelated =
      reinterpret_cast<EnumRelated>(reinterpret_cast<void*>(GetProcAddress(msi, "MsiEnumRelatedProductsW")));
  bool another = false;
  wchar_t product[39] = {};
  for (DWORD i = 0;
       enumRelated && !another && enumRelated(upgradeCode.c_str(), 0, i, product) == ERROR_SUCCESS; ++i)
    another = CompareStringOrdinal(product, -1, productCode.c_str(), -1, TRUE) != CSTR_EQUAL;
  FreeLibrary(msi);
  return another;
}

// Runs GravoSetupCli.exe from folder with arguments to its end; its exit
// code, or 1 when it cannot be started or waited for.
DWORD runCli(const std::wstring& folder, const std::wstring& arguments) {
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
  return code;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::vector<std::wstring> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const ActionRequest request = actionRequest(args);
  // At an upgrade the journal is the new version's, which its undo action
  // may still need.
  if (!request.upgradeCode.empty() && anotherVersionInstalled(request.upgradeCode, request.productCode))
    return kExitDone;
  // Otherwise, whatever this run does, the undo action that follows a
  // failure must not replay an older run's journal. The check runs before
  // the install's undo action is scheduled, which closes the gap between
  // the two.
  if (!args.empty() && (args[0] == L"check" || args[0] == L"install" || args[0] == L"uninstall"))
    discardJournal(journalFolder());
  const std::wstring& arguments = request.cliArguments;
  if (arguments.empty()) return kExitBadArguments;
  if (request.checkOnly) return kExitDone;
  const std::wstring folder = ownFolder();
  if (folder.empty()) return kExitFailed;
  const unsigned long code = packageExitCode(runCli(folder, arguments));
  // A failed install or uninstall puts back at once what it changed: the
  // package fails then with every environment as it was, also where the
  // installer runs no rollback actions. The undo action that Windows
  // Installer runs after it finds nothing left to do.
  if (code != 0 && arguments != L"rollback") runCli(folder, L"rollback");
  return static_cast<int>(code);
}
