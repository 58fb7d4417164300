#include "platforms/link_guard.h"

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <vector>

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Where path leads, links followed; without a trailing backslash.
std::wstring finalPathAt(const std::wstring& path) {
  const HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return L"";
  std::wstring final = finalPathOf(handle);
  CloseHandle(handle);
  if (!final.empty() && final.back() == L'\\') final.pop_back();
  return final;
}

// Windows' own links (the compatibility junctions such as "Documents and
// Settings") belong to SYSTEM or TrustedInstaller; a user cannot give a
// link of theirs either owner.
bool ownedByWindows(const std::wstring& link) {
  const HANDLE handle = CreateFileW(link.c_str(), READ_CONTROL, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD read = GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                                     nullptr, nullptr, &descriptor);
  CloseHandle(handle);
  if (read != ERROR_SUCCESS) return false;
  bool windows = owner != nullptr && IsWellKnownSid(owner, WinLocalSystemSid);
  PSID trustedInstaller = nullptr;
  if (owner != nullptr && !windows &&
      ConvertStringSidToSidW(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
                             &trustedInstaller)) {
    windows = EqualSid(owner, trustedInstaller) != FALSE;
    LocalFree(trustedInstaller);
  }
  LocalFree(descriptor);
  return windows;
}

// A reparse point that redirects the name to somewhere else: a junction, a
// symbolic link, any other name surrogate. Wine shows the Unix symbolic
// links of its drives as reparse points without a tag.
bool redirects(const WIN32_FIND_DATAW& found) {
  return (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
         (found.dwReserved0 == 0 || IsReparseTagNameSurrogate(found.dwReserved0));
}

bool sameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

HANDLE refused(HANDLE handle, bool created) {
  if (created) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof(disposition));
  }
  CloseHandle(handle);
  SetLastError(ERROR_ACCESS_DENIED);
  return INVALID_HANDLE_VALUE;
}

}  // namespace

std::wstring finalPathOf(HANDLE handle) {
  // The whole longest path Windows allows; past it nothing is written.
  constexpr DWORD kLongestPath = 32768;
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length > 0 && length < buffer.size()) return std::wstring(buffer.data(), length);
    // Windows answers a short buffer with the size needed, Wine with
    // ERROR_MORE_DATA.
    const bool tooShort = length > 0 || GetLastError() == ERROR_MORE_DATA;
    if (!tooShort || buffer.size() >= kLongestPath) return L"";
    buffer.resize(std::max<std::size_t>(length + 1, buffer.size() * 2));
  }
}

bool runsAsServiceAccount() {
  static const bool service = [] {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return true;
    DWORD bytes = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &bytes);
    std::vector<BYTE> user(bytes);
    const bool read =
        bytes >= sizeof(TOKEN_USER) && GetTokenInformation(token, TokenUser, user.data(), bytes, &bytes);
    CloseHandle(token);
    // Unknown counts as the account with the most rights.
    if (!read) return true;
    PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    return IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinLocalServiceSid) ||
           IsWellKnownSid(sid, WinNetworkServiceSid);
  }();
  return service;
}

bool holdsRaisedRights() {
  static const bool raised = [] {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return true;
    TOKEN_ELEVATION elevation{};
    DWORD bytes = 0;
    const bool elevated =
        !GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &bytes) ||
        elevation.TokenIsElevated != 0;
    CloseHandle(token);
    return elevated || runsAsServiceAccount();
  }();
  return raised;
}

std::wstring finalPathThroughOwnLinks(const std::wstring& path) {
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return L"";
  std::vector<wchar_t> buffer(needed);
  const DWORD length = GetFullPathNameW(path.c_str(), needed, buffer.data(), nullptr);
  if (length == 0 || length >= needed) return L"";
  const std::wstring full(buffer.data(), length);

  // The root is a drive or a share; "\\?\" and "\\.\" paths name devices
  // no install goes to.
  size_t rootEnd = std::wstring::npos;
  if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') {
    rootEnd = 3;
  } else if (full.compare(0, 2, L"\\\\") == 0 && full.size() > 2 && full[2] != L'?' && full[2] != L'.') {
    const size_t share = full.find(L'\\', 2);
    const size_t end = share == std::wstring::npos ? share : full.find(L'\\', share + 1);
    if (end != std::wstring::npos) rootEnd = end + 1;
  }
  if (rootEnd == std::wstring::npos) return L"";
  std::wstring resolved = finalPathAt(full.substr(0, rootEnd));
  if (resolved.empty()) return L"";

  bool missing = false;
  size_t start = rootEnd;
  while (start < full.size()) {
    size_t end = full.find(L'\\', start);
    if (end == std::wstring::npos) end = full.size();
    const std::wstring name = full.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    if (name.find_first_of(L"*?") != std::wstring::npos) return L"";
    const std::wstring candidate = resolved + L"\\" + name;
    if (missing) {
      resolved = candidate;
      continue;
    }
    WIN32_FIND_DATAW found;
    const HANDLE search =
        FindFirstFileExW(candidate.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return L"";
      missing = true;
      resolved = candidate;
      continue;
    }
    FindClose(search);
    if (redirects(found)) {
      if (!ownedByWindows(candidate)) return L"";
      resolved = finalPathAt(candidate);
      if (resolved.empty()) return L"";
    } else {
      resolved += L"\\" + std::wstring(found.cFileName);
    }
  }
  return resolved;
}

HANDLE openForChange(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, bool& created) {
  created = false;
  const bool mayCreate =
      disposition == CREATE_NEW || disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
  if (!holdsRaisedRights()) {
    const HANDLE handle =
        CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    created = handle != INVALID_HANDLE_VALUE && mayCreate && GetLastError() != ERROR_ALREADY_EXISTS;
    return handle;
  }
  const std::wstring expected = finalPathThroughOwnLinks(path);
  if (expected.empty()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  // DELETE, to take back a file created where a swapped-in link led.
  const DWORD checkAccess = FILE_READ_ATTRIBUTES | (mayCreate ? DELETE : 0);
  const HANDLE handle = CreateFileW(path.c_str(), access | checkAccess, share, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return handle;
  created = mayCreate && GetLastError() != ERROR_ALREADY_EXISTS;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
      !sameText(finalPathOf(handle), expected))
    return refused(handle, created);
  return handle;
}
