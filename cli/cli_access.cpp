#include "cli/cli_access.h"

#include <windows.h>

DirAccess probeWriteAccess(const std::wstring& dir) {
  std::wstring base = dir;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  base += L"~gravo-write-probe-" + std::to_wstring(GetCurrentProcessId()) + L"-";
  // CREATE_NEW never opens what someone else placed under the name; a name
  // already taken is tried again with the next number.
  for (int attempt = 0; attempt < 8; ++attempt) {
    const std::wstring path = base + std::to_wstring(attempt) + L".tmp";
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return DirAccess::Writable;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED) return DirAccess::Denied;
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return DirAccess::Unwritable;
  }
  return DirAccess::Unwritable;
}

bool processIsElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  const bool known =
      GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size) != FALSE;
  CloseHandle(token);
  return known && elevation.TokenIsElevated != 0;
}

std::wstring dirNeedingAdministrator(const std::vector<std::wstring>& dirs, bool elevated,
                                     const std::function<DirAccess(const std::wstring&)>& probe) {
  if (elevated) return L"";
  for (const std::wstring& dir : dirs)
    if (probe(dir) == DirAccess::Denied) return dir;
  return L"";
}
