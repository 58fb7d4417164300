// A developer's machine in the current Windows (or Wine prefix): several
// Visual C++ versions, Dev-C++ 5.11, CLion and Code::Blocks with their
// directory trees, stand-in compilers and registry entries, laid out under
// one root folder.
//
//   dev_machine prepare <root>   lays the machine out (root must be new,
//                                empty, or an earlier machine, which is
//                                replaced)
//   dev_machine remove <root>    takes it away again
//
// Exit code 0 on success, 1 when something could not be done, 2 for a
// refused request (bad arguments, a root holding other files, a registry
// value that belongs to something else). The stand-in programs and recorded
// gcc outputs are read from beside this executable.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "discovery/fixtures.h"
#include "mingw/mingw_layouts.h"
#include "platforms/vc_trees.h"

namespace {

const wchar_t kMarkerName[] = L"gravo-dev-machine.txt";
const wchar_t kUninstall[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
// The installers register in the view a 32-bit program sees, which is the
// view the wizard reads.
const REGSAM kView = KEY_WOW64_32KEY;

void say(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &bytes[0], size, nullptr, nullptr);
  std::fputs(bytes.c_str(), stdout);
  std::fputc('\n', stdout);
}

// One registry value of the machine. Removing it empties and deletes the
// keys above it up to, not including, keepKey.
struct MachineValue {
  HKEY root;
  std::wstring key;
  std::wstring name;
  std::wstring data;
  std::wstring keepKey;
};

std::vector<MachineValue> machineValues(const std::wstring& root) {
  const std::wstring devStudio =
      L"Software\\Microsoft\\DevStudio\\6.0\\Build System\\Components\\Platforms\\Win32 (x86)\\Directories";
  const std::wstring vc98 = root + L"Microsoft Visual Studio\\VC98\\";
  const std::wstring uninstall = kUninstall;
  const std::wstring vs2019 = uninstall + L"GravoDemo.VisualStudio.2019";
  const std::wstring devCpp = uninstall + L"GravoDemo.DevCpp";
  const std::wstring clion = uninstall + L"GravoDemo.CLion";
  const std::wstring uninstallKey = uninstall.substr(0, uninstall.size() - 1);
  return {
      {HKEY_CURRENT_USER, devStudio, L"Library Dirs", vc98 + L"LIB;" + vc98 + L"MFC\\LIB",
       L"Software\\Microsoft"},
      {HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\VisualStudio\\SxS\\VC7", L"10.0",
       root + L"Microsoft Visual Studio 10.0\\VC\\", L"Software\\Microsoft"},
      {HKEY_LOCAL_MACHINE, vs2019, L"DisplayName", L"Visual Studio Community 2019", uninstallKey},
      {HKEY_LOCAL_MACHINE, vs2019, L"InstallLocation", root + L"Microsoft Visual Studio\\2019\\Community",
       uninstallKey},
      {HKEY_LOCAL_MACHINE, devCpp, L"DisplayName", L"Dev-C++", uninstallKey},
      {HKEY_LOCAL_MACHINE, devCpp, L"UninstallString", root + L"Dev-Cpp\\uninstall.exe", uninstallKey},
      {HKEY_LOCAL_MACHINE, clion, L"DisplayName", L"CLion 2023.2", uninstallKey},
      {HKEY_LOCAL_MACHINE, clion, L"InstallLocation", root + L"CLion 2023.2", uninstallKey},
      {HKEY_CURRENT_USER, L"Software\\CodeBlocks", L"Path", root + L"CodeBlocks", L"Software"},
  };
}

// The value's text, or false when it is not there.
bool readValue(const MachineValue& value, std::wstring& text) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(value.root, value.key.c_str(), 0, KEY_QUERY_VALUE | kView, &key) != ERROR_SUCCESS)
    return false;
  std::vector<wchar_t> buffer(2048, L'\0');
  DWORD bytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
  DWORD type = 0;
  const LSTATUS status = RegQueryValueExW(key, value.name.c_str(), nullptr, &type,
                                          reinterpret_cast<BYTE*>(buffer.data()), &bytes);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return false;
  text.assign(buffer.data());
  return true;
}

bool writeValue(const MachineValue& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(value.root, value.key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | kView, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  const LSTATUS status =
      RegSetValueExW(key, value.name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.data.c_str()),
                     static_cast<DWORD>((value.data.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

bool keyIsEmpty(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | kView, &key) != ERROR_SUCCESS) return false;
  DWORD subkeys = 1;
  DWORD values = 1;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                   nullptr, nullptr);
  RegCloseKey(key);
  return subkeys == 0 && values == 0;
}

// Deletes the value when it still holds what prepare wrote, then every key
// above it that is left empty, up to keepKey.
bool removeValue(const MachineValue& value) {
  std::wstring current;
  if (!readValue(value, current) || current != value.data) return true;
  HKEY key = nullptr;
  if (RegOpenKeyExW(value.root, value.key.c_str(), 0, KEY_SET_VALUE | kView, &key) != ERROR_SUCCESS)
    return false;
  const bool deleted = RegDeleteValueW(key, value.name.c_str()) == ERROR_SUCCESS;
  RegCloseKey(key);
  for (std::wstring path = value.key; path.size() > value.keepKey.size() && keyIsEmpty(value.root, path);
       path.resize(path.rfind(L'\\'))) {
    RegDeleteKeyExW(value.root, path.c_str(), kView, 0);
  }
  return deleted;
}

// "<drive>:\...\" from the argument; "" for anything that is not an
// absolute path below a drive root.
std::wstring normalisedRoot(const wchar_t* argument) {
  if (std::wstring(argument).find_first_of(L"\"<>|*?") != std::wstring::npos) return L"";
  std::vector<wchar_t> full(MAX_PATH, L'\0');
  const DWORD length = GetFullPathNameW(argument, MAX_PATH, full.data(), nullptr);
  if (length == 0 || length >= MAX_PATH) return L"";
  std::wstring root(full.data(), length);
  if (root.back() != L'\\') root += L'\\';
  const bool drivePath = root.size() > 3 && root[1] == L':' && root[2] == L'\\';
  return drivePath ? root : L"";
}

bool isDirectoryPath(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isEmptyDirectory(const std::wstring& dir) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((dir + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return true;
  bool empty = true;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") empty = false;
  } while (empty && FindNextFileW(search, &found));
  FindClose(search);
  return empty;
}

bool hasMarker(const std::wstring& root) {
  return GetFileAttributesW((root + kMarkerName).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool fixtureFailed() { return ::testing::UnitTest::GetInstance()->ad_hoc_test_result().Failed(); }

int remove(const std::wstring& root) {
  bool ok = true;
  for (const MachineValue& value : machineValues(root)) ok = removeValue(value) && ok;
  if (isDirectoryPath(root)) {
    if (!hasMarker(root)) {
      say(L"dev_machine: " + root + L" holds no machine laid out by this program; its files stay");
      return 2;
    }
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    ok = !isDirectoryPath(root) && ok;
  }
  if (!ok) say(L"dev_machine: could not remove everything of " + root);
  return ok ? 0 : 1;
}

int prepare(const std::wstring& root) {
  if (isDirectoryPath(root) && !isEmptyDirectory(root)) {
    if (!hasMarker(root)) {
      say(L"dev_machine: " + root + L" is not empty; choose a new folder");
      return 2;
    }
    const int removed = remove(root);
    if (removed != 0) return removed;
  }
  const std::vector<MachineValue> values = machineValues(root);
  for (const MachineValue& value : values) {
    std::wstring current;
    if (readValue(value, current) && current != value.data) {
      say(L"dev_machine: the registry value " + value.key + L"\\" + value.name +
          L" already belongs to another installation; nothing was changed");
      return 2;
    }
  }

  mingwtest::makeDirs(root);
  mingwtest::writeFile(root + kMarkerName,
                       "A developer machine laid out by dev_machine.exe; "
                       "'dev_machine remove <this folder>' takes it away.\r\n");
  const ScratchDir disk(root);
  layVc6(disk, L"Microsoft Visual Studio", L"12_0");
  layVcFolder(disk, L"Microsoft Visual Studio 10.0", L"16_0");
  layToolsetVc(disk, L"Microsoft Visual Studio\\2019\\Community", L"14.29.30133", L"19_29");
  // Installed but not registered: found only through the folder chooser.
  layToolsetVc(disk, L"Microsoft Visual Studio\\2022\\Professional", L"14.30.30705", L"19_30");
  const std::wstring devCpp = mingwtest::devCppLayout(root);
  mingwtest::writeFile(devCpp + L"uninstall.exe", "MZ");
  mingwtest::clionLayout(root);
  mingwtest::codeBlocksLayout(root);
  mingwtest::mingwW64Root(root + L"tools\\", L"mingw-builds-8.1.0-x86_64-posix-seh.txt");

  bool ok = !fixtureFailed();
  for (const MachineValue& value : values) ok = ok && writeValue(value);
  if (!ok) {
    say(L"dev_machine: the machine could not be laid out completely; removing what was made");
    remove(root);
    return 1;
  }
  say(L"dev_machine: laid out in " + root + L":");
  say(L"  Visual C++ 6.0    Microsoft Visual Studio\\VC98 (registered for DevStudio)");
  say(L"  Visual C++ 2010   Microsoft Visual Studio 10.0\\VC (side-by-side registration)");
  say(L"  Visual C++ 2019   Microsoft Visual Studio\\2019\\Community (uninstall entry)");
  say(L"  Visual C++ 2022   Microsoft Visual Studio\\2022\\Professional (not registered)");
  say(L"  Dev-C++ 5.11      Dev-Cpp, CLion  CLion 2023.2, Code::Blocks  CodeBlocks");
  say(L"  MinGW-w64 8.1.0   tools\\mingw64 (not registered)");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc == 3 ? argv[1] : L"";
  const std::wstring root = argc == 3 ? normalisedRoot(argv[2]) : L"";
  if ((command != L"prepare" && command != L"remove") || root.empty()) {
    say(L"usage: dev_machine prepare|remove <root folder>, e.g. dev_machine prepare C:\\gravo-demo");
    return 2;
  }
  return command == L"prepare" ? prepare(root) : remove(root);
}
