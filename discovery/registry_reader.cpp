#include "discovery/registry_reader.h"

#include <sddl.h>

#include <array>

#include "discovery/path_tests.h"
#include "discovery/text_match.h"

namespace {

// The shipped wizard is a 32-bit program: the 64-bit build must be
// redirected to the same registry view.
constexpr REGSAM kReadAccess = KEY_READ | KEY_WOW64_32KEY;

constexpr wchar_t kUninstall64[] = L"Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr wchar_t kUninstall32[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr wchar_t kSxsVc7_64[] = L"Software\\WOW6432Node\\Microsoft\\VisualStudio\\SxS\\VC7";
constexpr wchar_t kSxsVc7_32[] = L"Software\\Microsoft\\VisualStudio\\SxS\\VC7";
constexpr wchar_t kDevStudioDirectories[] =
    L"Software\\Microsoft\\DevStudio\\6.0\\Build System\\Components\\Platforms\\Win32 (x86)\\Directories";
// What Visual C++ 6.0's own setup writes for the machine.
constexpr wchar_t kVc6Setup64[] =
    L"Software\\WOW6432Node\\Microsoft\\VisualStudio\\6.0\\Setup\\Microsoft Visual C++";
constexpr wchar_t kVc6Setup32[] = L"Software\\Microsoft\\VisualStudio\\6.0\\Setup\\Microsoft Visual C++";
constexpr wchar_t kEnvironmentKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

// The query is offered 2048 bytes; one more unit, never written, keeps even a
// value that fills them all terminated.
constexpr DWORD kValueUnits = 1024;
constexpr DWORD kSubkeyNameUnits = 255;

class OpenKey {
 public:
  OpenKey(HKEY root, const wchar_t* subKey) {
    if (RegOpenKeyExW(root, subKey, 0, kReadAccess, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~OpenKey() {
    if (key_) RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// Reads valueName of an open key as text, whatever its registry type.
bool queryText(HKEY key, const wchar_t* valueName, std::wstring& text) {
  std::array<wchar_t, kValueUnits + 1> buffer{};
  DWORD bytes = kValueUnits * sizeof(wchar_t);
  if (RegQueryValueExW(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &bytes) !=
      ERROR_SUCCESS)
    return false;
  // Only what this query wrote counts; a value stored without its NUL ends
  // at its size.
  const size_t units = bytes / sizeof(wchar_t);
  size_t length = 0;
  while (length < units && buffer[length] != L'\0') ++length;
  text.assign(buffer.data(), length);
  return true;
}

bool startsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool endsWith(const std::wstring& text, const std::wstring& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Only the loaded user hives ("S-..."), not their "_Classes" companions.
bool isUserHiveName(const std::wstring& name) {
  if (name.size() < 2 || !startsWith(name, L"S-")) return false;
  return !(name.size() > 8 && endsWith(name, L"_Classes"));
}

// "C:\..." or "\\server\...": a path that names the same place whatever the
// current directory.
bool isAbsolute(const std::wstring& path) {
  const bool drive = path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
  const bool unc =
      path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/');
  return drive || unc;
}

// The directory that R names when it exists, with its trailing backslash. A
// relative location names no installation: it would be looked up below
// whatever the elevated wizard's current directory is.
std::wstring existingDirectory(std::wstring r) {
  if (!r.empty() && (!isAbsolute(r) || !isDirectory(r))) r.clear();
  if (!r.empty() && r.back() != L'\\') r += L'\\';
  return r;
}

// Directory part of an uninstall command, up to and including its last
// backslash; the quotes that usually surround the program are dropped.
std::wstring directoryOfCommand(std::wstring command) {
  if (!command.empty() && command.front() == L'"') command.erase(0, 1);
  const size_t slash = command.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : command.substr(0, slash + 1);
}

// "C:\VS6\VC98\LIB;C:\VS6\VC98\MFC\LIB" names C:\VS6\VC98\; without an MFC
// library directory the value stands as read.
std::wstring vc98FromLibraryDirs(const std::wstring& dirs) {
  static const std::wregex mfcLib = makePattern(L"[^;]+\\\\(?=vc98\\\\mfc\\\\lib$|vc98\\\\mfc\\\\lib;)");
  std::wsmatch match;
  if (std::regex_search(dirs, match, mfcLib)) return match.str() + L"VC98\\";
  return dirs;
}

const wchar_t* sxsValueName(int version) {
  switch (version) {
    case 2008:
      return L"9.0";
    case 2010:
      return L"10.0";
    case 2012:
      return L"11.0";
    case 2013:
      return L"12.0";
    case 2015:
      return L"14.0";
    default:
      return nullptr;
  }
}

const wchar_t* displayNamePattern(int version) {
  switch (version) {
    case 2017:
      return L"^Visual Studio (Community|Professional|Enterprise) 2017(\\([^\\)]+\\))?$";
    case 2019:
      return L"^Visual Studio (Community|Professional|Enterprise) 2019( \\([^\\)]+\\))?$";
    case 2022:
      return L"^Visual Studio (Community|Professional|Enterprise) 2022( \\([^\\)]+\\))?$";
    case 2026:
      return L"^Visual Studio (Community|Professional|Enterprise) 2026( \\([^\\)]+\\))?$";
    default:
      return nullptr;
  }
}

}  // namespace

std::wstring processUserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return L"";
  std::wstring sid;
  DWORD bytes = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &bytes);
  std::vector<BYTE> user(bytes);
  wchar_t* text = nullptr;
  if (bytes >= sizeof(TOKEN_USER) && GetTokenInformation(token, TokenUser, user.data(), bytes, &bytes) &&
      ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text)) {
    sid = text;
    LocalFree(text);
  }
  CloseHandle(token);
  return sid;
}

std::wstring RegistryReader::readString(HKEY root, const wchar_t* subKey, const wchar_t* valueName) const {
  if (!valueName) return L"";
  std::wstring text;
  if (root != HKEY_CURRENT_USER) {
    OpenKey key(root, subKey);
    if (!key.get() || !queryText(key.get(), valueName, text)) return L"";
    return text;
  }
  for (const std::wstring& name : listSubkeys(HKEY_USERS, nullptr)) {
    if (!isUserHiveName(name)) continue;
    const std::wstring path = subKey ? name + L"\\" + subKey : name;
    OpenKey key(HKEY_USERS, path.c_str());
    if (!key.get()) continue;
    if (!queryText(key.get(), valueName, text)) return L"";
  }
  return text;
}

std::vector<std::wstring> RegistryReader::listSubkeys(HKEY root, const wchar_t* subKey) const {
  std::vector<std::wstring> names;
  OpenKey key(root, subKey);
  if (!key.get()) return names;
  DWORD count = 0;
  if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return names;
  for (DWORD i = 0; i < count; ++i) {
    std::array<wchar_t, kSubkeyNameUnits> name{};
    DWORD length = kSubkeyNameUnits;
    if (RegEnumKeyExW(key.get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) ==
        ERROR_SUCCESS)
      names.emplace_back(name.data(), length);
  }
  return names;
}

std::wstring RegistryReader::findUninstallKey(const std::wstring& pattern, bool is64BitOs) const {
  const std::wregex displayName = makePattern(pattern);
  const std::wstring uninstall = is64BitOs ? kUninstall64 : kUninstall32;
  for (const std::wstring& name : listSubkeys(HKEY_LOCAL_MACHINE, uninstall.c_str())) {
    const std::wstring key = uninstall + L"\\" + name;
    const std::wstring shown = readString(HKEY_LOCAL_MACHINE, key.c_str(), L"DisplayName");
    if (!shown.empty() && patternFinds(displayName, shown)) return key;
  }
  return L"";
}

std::wstring RegistryReader::findIdeDir(int kind, bool is64BitOs) const {
  std::wstring raw;
  if (kind == 0) {
    const std::wstring key = findUninstallKey(L"^.*?dev-c.*?$", is64BitOs);
    if (!key.empty())
      raw = directoryOfCommand(readString(HKEY_LOCAL_MACHINE, key.c_str(), L"UninstallString"));
  } else if (kind == 1) {
    for (const std::wstring& name : listSubkeys(HKEY_USERS, nullptr)) {
      const std::wstring key = name + L"\\SoftWare\\CodeBlocks";
      raw = readString(HKEY_USERS, key.c_str(), L"Path");
      if (!raw.empty()) break;
    }
  } else if (kind == 2) {
    const std::wstring key = findUninstallKey(L"^.*?clion.*?$", is64BitOs);
    if (!key.empty()) {
      const std::wstring location = readString(HKEY_LOCAL_MACHINE, key.c_str(), L"InstallLocation");
      // An empty location would name "\bin" on the current drive; one
      // ending with a backslash takes no second one.
      if (!location.empty()) raw = location + (location.back() == L'\\' ? L"bin" : L"\\bin");
    }
  }
  return existingDirectory(raw);
}

std::wstring RegistryReader::findTrustedIdeDir(int kind, bool is64BitOs) const {
  const std::wstring dir = findIdeDir(kind, is64BitOs);
  if (kind != 1 || dir.empty()) return dir;
  const std::wstring sid = processUserSid();
  if (sid.empty()) return L"";
  for (const std::wstring& hive : {sid, sid + L"_Classes"}) {
    const std::wstring key = hive + L"\\SoftWare\\CodeBlocks";
    if (existingDirectory(readString(HKEY_USERS, key.c_str(), L"Path")) == dir) return dir;
  }
  return L"";
}

std::wstring RegistryReader::findVcDir(int version, bool is64BitOs) const {
  std::wstring raw;
  if (version == 6) {
    // Only this process's own user's settings, or the machine's: installs
    // and uninstalls write into this folder with our rights, and another
    // user's hive could name any folder.
    const std::wstring sid = processUserSid();
    if (!sid.empty()) {
      const std::wstring key = sid + L"\\" + kDevStudioDirectories;
      raw = readString(HKEY_USERS, key.c_str(), L"Library Dirs");
    }
    if (!raw.empty()) raw = existingDirectory(vc98FromLibraryDirs(raw));
    if (raw.empty())
      raw = readString(HKEY_LOCAL_MACHINE, is64BitOs ? kVc6Setup64 : kVc6Setup32, L"ProductDir");
  } else if (const wchar_t* sxsName = sxsValueName(version)) {
    raw = readString(HKEY_LOCAL_MACHINE, is64BitOs ? kSxsVc7_64 : kSxsVc7_32, sxsName);
  } else if (const wchar_t* pattern = displayNamePattern(version)) {
    const std::wstring key = findUninstallKey(pattern, is64BitOs);
    if (!key.empty()) raw = readString(HKEY_LOCAL_MACHINE, key.c_str(), L"InstallLocation");
    if (!raw.empty()) raw += raw.back() == L'\\' ? L"VC\\Auxiliary\\VS\\" : L"\\VC\\Auxiliary\\VS\\";
  }
  return existingDirectory(raw);
}

std::wstring RegistryReader::vcLib32Subdir(int version) const {
  switch (version) {
    case 6:
      return L"Lib\\";
    case 2008:
    case 2010:
    case 2012:
    case 2013:
    case 2015:
      return L"lib\\";
    case 2017:
    case 2019:
    case 2022:
    case 2026:
      return L"lib\\x86\\";
    default:
      return L"";
  }
}

std::wstring RegistryReader::vcLib64Subdir(int version) const {
  switch (version) {
    case 2008:
    case 2010:
    case 2012:
    case 2013:
    case 2015:
      return L"lib\\amd64\\";
    case 2017:
    case 2019:
    case 2022:
    case 2026:
      return L"lib\\x64\\";
    default:
      return L"";
  }
}

bool RegistryReader::is64BitOs() const {
  return readString(HKEY_LOCAL_MACHINE, kEnvironmentKey, L"PROCESSOR_ARCHITECTURE") == L"AMD64";
}
