// The wizard's MinGW operations on one toolchain, as the platform page runs
// them for a directory the user chose: detection (which probes the
// toolchain's gcc and picks the payload folder), then installing from the
// payload beside this program, or uninstalling.
//
//   payload_installer install|uninstall <directory> <kind>
//
// Prints the chosen folder and directories and the operation's result text,
// in UTF-8. Exit code 0 when the operation succeeded.
#include <windows.h>

#include <cstdio>
#include <string>

#include "mingw/lib_variant.h"
#include "mingw/mingw_targets.h"
#include "platforms/records.h"

namespace {

void say(const char* what, const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(size > 0 ? static_cast<size_t>(size) : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &bytes[0], size, nullptr, nullptr);
  std::printf("%s %s\n", what, bytes.c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring verb = argc == 4 ? argv[1] : L"";
  if (verb != L"install" && verb != L"uninstall") {
    std::puts("usage: payload_installer install|uninstall <directory> <kind>");
    return 2;
  }
  const int kind = _wtoi(argv[3]);
  if (kind < 0 || kind >= kMingwTargetCount) return 2;

  CatalogueData data;
  for (int i = 0; i < kMingwTargetCount; ++i) data.mingwTargets[static_cast<size_t>(i)].kind = i;
  PlatformEntry& entry = data.addEntry(data.undetectedEntries, L"", L"", L"", kind, false, true);
  const int found = detectMingwTarget(data, argv[2], kind, &entry, false);
  const MingwTarget& target = data.mingwTargets[static_cast<size_t>(kind)];
  if (found != kMingwFound) {
    say("refused", entry.statusText);
    return 1;
  }
  say("variant", target.libVariantDir);
  say("include", target.baseDir + target.includeSubdir);
  say("lib32", target.lib32Subdir.empty() ? L"-" : target.baseDir + target.lib32Subdir);
  say("lib64", target.lib64Subdir.empty() ? L"-" : target.baseDir + target.lib64Subdir);
  if (verb == L"install") {
    const std::wstring result = installMingw(target);
    say("result", result.empty() ? L"安装成功" : result);
    return result.empty() ? 0 : 1;
  }
  const std::wstring result = uninstallMingw(target);
  say("result", result);
  return result == L"卸载成功" ? 0 : 1;
}
