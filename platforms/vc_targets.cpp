#include "platforms/vc_targets.h"

#include <windows.h>
#include <winver.h>

#include <exception>
#include <vector>

#include "discovery/path_tests.h"
#include "discovery/text_match.h"

namespace {

constexpr wchar_t kIncludeLinePrefix[] = L"头文件路径 ";
constexpr wchar_t kLibLinePrefix[] = L"库文件路径 ";

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring withTrailingBackslash(std::wstring dir) {
  if (dir.empty() || dir.back() != L'\\') dir += L'\\';
  return dir;
}

// A sub-directory of an empty base would be looked up in the current
// directory, which for an elevated program may be the system folder.
bool existsUnder(const std::wstring& base, const std::wstring& subdir) {
  return !base.empty() && pathExists(base + subdir);
}

// version.dll is not one of the system's known DLLs: a copy planted beside
// the executable would be loaded by a static import, so it is loaded from
// the system directory, once, when a version is first needed. By full path:
// a plain name, search flags or not, is answered with any version.dll that
// some other part of the process has already loaded, wherever from.
struct VersionApi {
  decltype(&GetFileVersionInfoSizeW) infoSize = nullptr;
  decltype(&GetFileVersionInfoW) info = nullptr;
  decltype(&VerQueryValueW) query = nullptr;
};

template <typename Function>
Function procedure(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

HMODULE loadSystemLibrary(const wchar_t* name) {
  wchar_t directory[MAX_PATH];
  const UINT length = GetSystemDirectoryW(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::wstring path = std::wstring(directory, length) + L"\\" + name;
  const HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
  // Without the search flags (Windows 7 before its loader update).
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

const VersionApi* versionApi() {
  static const VersionApi api = [] {
    VersionApi loaded;
    const HMODULE module = loadSystemLibrary(L"version.dll");
    if (module) {
      loaded.infoSize = procedure<decltype(loaded.infoSize)>(module, "GetFileVersionInfoSizeW");
      loaded.info = procedure<decltype(loaded.info)>(module, "GetFileVersionInfoW");
      loaded.query = procedure<decltype(loaded.query)>(module, "VerQueryValueW");
    }
    return loaded;
  }();
  return api.infoSize && api.info && api.query ? &api : nullptr;
}

// Recognition in one directory, without walking up.
int detectVcAt(const std::wstring& dir, PlatformEntry& entry, VcTarget& target) {
  const std::wstring d = withTrailingBackslash(dir);
  const std::wstring vc = findChildDirectory(d, L"VC");
  if (!vc.empty()) {
    const int v = clVersionOf(vc + L"bin\\cl.exe");
    if (v == 0) return detectVsToolset(vc, entry, target);
    if (v != target.version) return -1;
    target.lib32Subdir = L"lib\\";
    target.lib64Subdir = L"lib\\amd64\\";
    target.baseDir = vc;
    target.includeSubdir = L"include\\";
    entry.includeLine = kIncludeLinePrefix + vc + L"include\\";
    entry.libLine = kLibLinePrefix + vc + L"lib\\" + L" " + vc + L"lib\\amd64\\";
    validateVcTarget(target);
    return v;
  }
  const std::wstring legacy = findChildDirectory(d, L"VC98");
  const int v = legacy.empty() ? 0 : clVersionOf(legacy + L"bin\\cl.exe");
  if (v != 0) {
    if (v != target.version) return -1;
    target.lib32Subdir = L"lib\\";
    target.lib64Subdir.clear();
    target.baseDir = legacy;
    target.includeSubdir = L"include\\";
    entry.includeLine = kIncludeLinePrefix + legacy + L"include\\";
    entry.libLine = kLibLinePrefix + legacy + L"lib\\";
    validateVcTarget(target);
    return v;
  }
  for (const wchar_t* edition : {L"community\\vc\\", L"professional\\vc\\", L"enterprise\\vc\\"}) {
    const int r = detectVsToolset(d + edition, entry, target);
    if (r != 0) return r;
  }
  return 0;
}

}  // namespace

int detectVcInDirectory(const std::wstring& dir, PlatformEntry& entry, VcTarget& target, bool walkUp) {
  if (dir.empty()) return 0;
  // Every ancestor, nearest first, up to but not including the root; a
  // chosen root itself is searched once.
  std::wstring current = dir;
  for (;;) {
    const int r = detectVcAt(current, entry, target);
    if (r != 0 || !walkUp) return r;
    const std::wstring parent = parentOrRoot(current);
    if (equalsIgnoringAsciiCase(parent, rootOf(current))) return 0;
    current = parent;
  }
}

int detectVsToolset(const std::wstring& vcDir, PlatformEntry& entry, VcTarget& target) {
  static const std::wregex toolsetFolder = makePattern(kToolsetFolderPattern);
  const std::wstring toolset = findToolsetDirectory(vcDir + L"Tools\\MSVC\\", toolsetFolder);
  if (toolset.empty()) return 0;
  const int v = clVersionOf(toolset + L"bin\\Hostx86\\x86\\cl.exe");
  if (v == 0) return 0;
  if (v != target.version) return -1;
  target.lib32Subdir = L"lib\\x86\\";
  target.lib64Subdir = L"lib\\x64\\";
  target.baseDir = vcDir + L"Auxiliary\\VS\\";
  target.includeSubdir = L"include\\";
  entry.includeLine = kIncludeLinePrefix + target.baseDir + L"include\\";
  entry.libLine = kLibLinePrefix + target.baseDir + L"lib\\x86\\" + L" " + target.baseDir + L"lib\\x64\\";
  validateVcTarget(target);
  return v;
}

int clVersionOf(const std::wstring& path) {
  const VersionApi* api = versionApi();
  if (!api) return 0;
  try {
    DWORD ignored = 0;
    const DWORD size = api->infoSize(path.c_str(), &ignored);
    if (size == 0) return 0;
    std::vector<BYTE> data(size);
    if (!api->info(path.c_str(), 0, size, data.data())) return 0;
    void* block = nullptr;
    UINT length = 0;
    if (!api->query(data.data(), L"\\", &block, &length) || !block || length < sizeof(VS_FIXEDFILEINFO))
      return 0;
    // The fixed information must lie inside what was read and carry its
    // signature; anything else is a damaged resource, read as none.
    const BYTE* begin = static_cast<const BYTE*>(block);
    if (begin < data.data() || begin + sizeof(VS_FIXEDFILEINFO) > data.data() + data.size()) return 0;
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(block);
    if (fixed->dwSignature != VS_FFI_SIGNATURE) return 0;
    const int major = HIWORD(fixed->dwFileVersionMS);
    const int minor = LOWORD(fixed->dwFileVersionMS);
    return fileVersionToProduct(major * 100 + minor);
  } catch (const std::exception&) {
    return 0;
  }
}

int fileVersionToProduct(int v) {
  const int q = v / 100;
  const int r = v % 100;
  switch (q) {
    case 0:
      return 0;
    case 12:
      return 6;
    case 15:
      return 2008;
    case 16:
      return 2010;
    case 17:
      return 2012;
    case 18:
      return 2013;
    case 19:
      if (r < 10) return 2015;
      if (r < 20) return 2017;
      if (r < 30) return 2019;
      if (r < 50) return 2022;
      return 2026;
    default:
      return v;
  }
}

void validateVcTarget(VcTarget& target) {
  if (!existsUnder(target.baseDir, target.includeSubdir)) {
    target.baseDir.clear();
    target.includeSubdir.clear();
  }
  if (!existsUnder(target.baseDir, target.lib32Subdir)) {
    target.baseDir.clear();
    target.includeSubdir.clear();
    target.lib32Subdir.clear();
  }
  if (!existsUnder(target.baseDir, target.lib64Subdir)) target.lib64Subdir.clear();
}

namespace {

// Name, as listed, of the first child directory of dir (".", ".." and files
// skipped) that accept takes; "" when none does or dir cannot be listed.
template <typename Accept>
std::wstring firstChildDirectory(const std::wstring& dir, Accept accept) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((dir + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return L"";
  std::wstring result;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L".." || !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (accept(name)) {
      result = name;
      break;
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return result;
}

}  // namespace

std::wstring findChildDirectory(const std::wstring& dir, const std::wstring& name) {
  const std::wstring found = firstChildDirectory(
      dir, [&](const std::wstring& listed) { return equalsIgnoringAsciiCase(listed, name); });
  return found.empty() ? L"" : dir + name + L"\\";
}

std::wstring findToolsetDirectory(const std::wstring& dir, const std::wregex& pattern) {
  const std::wstring found =
      firstChildDirectory(dir, [&](const std::wstring& listed) { return patternFinds(pattern, listed); });
  return found.empty() ? L"" : dir + found + L"\\";
}

std::wstring rootOf(const std::wstring& p) {
  if (p.size() >= 2 && p[1] == L':') {
    return p.substr(0, p.size() >= 3 && isSeparator(p[2]) ? 3 : 2);
  }
  if (p.size() >= 2 && isSeparator(p[0]) && isSeparator(p[1])) {
    // "\\server\share\": the server and the share together are the root.
    size_t end = p.find_first_of(L"\\/", 2);
    if (end != std::wstring::npos) end = p.find_first_of(L"\\/", end + 1);
    return end == std::wstring::npos ? p : p.substr(0, end + 1);
  }
  if (!p.empty() && isSeparator(p[0])) return p.substr(0, 1);
  return L"";
}

std::wstring parentOrRoot(const std::wstring& p) {
  const std::wstring root = rootOf(p);
  if (p.empty() || p == root) return p;
  size_t end = p.size();
  while (end > root.size() && isSeparator(p[end - 1])) --end;
  while (end > root.size() && !isSeparator(p[end - 1])) --end;
  while (end > root.size() && isSeparator(p[end - 1])) --end;
  const std::wstring parent = p.substr(0, end);
  return parent.empty() ? root : parent;
}
