// The wizard's operations on one environment, as the platform page runs
// them for a directory the user chose: detection (for MinGW it probes the
// toolchain's gcc and picks the payload folder, for Visual C++ it reads the
// version of cl.exe), then installing from the payload beside this program,
// or uninstalling.
//
//   payload_installer install|uninstall <directory> <kind>
//   payload_installer install-vc|uninstall-vc <directory> <version: 6, 2010, ...>
//
// Prints the chosen folder and directories and the operation's result text,
// in UTF-8. Exit code 0 when the operation succeeded.
#include <windows.h>

#include <cstdio>
#include <string>

#include "mingw/lib_variant.h"
#include "mingw/mingw_targets.h"
#include "platforms/install_ops.h"
#include "platforms/records.h"
#include "platforms/vc_targets.h"

namespace {

void say(const char* what, const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(size > 0 ? static_cast<size_t>(size) : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &bytes[0], size, nullptr, nullptr);
  std::printf("%s %s\n", what, bytes.c_str());
}

// The Visual C++ target of one version with the payload pairs the
// catalogue gives it, recognised in directory.
int visualCpp(bool install, const wchar_t* directory, int version) {
  CatalogueData data;
  VcTarget& target = data.vcTargets[0];
  target.version = version;
  target.headerSet = &data.headersPair;
  if (version == 6) {
    target.lib32Set = &data.vc6X86Pair;
  } else if (version < 2015) {
    target.lib32Set = &data.vc2008X86Pair;
    target.lib64Set = &data.vc2008X64Pair;
  } else {
    target.lib32Set = &data.vc2015X86Pair;
    target.lib64Set = &data.vc2015X64Pair;
  }
  PlatformEntry& entry = data.addEntry(data.undetectedEntries, L"", L"", L"", 0, false, false);
  if (detectVcInDirectory(directory, entry, target, false) != version) {
    say("refused", directory);
    return 1;
  }
  say("include", target.baseDir + target.includeSubdir);
  say("lib32", target.baseDir + target.lib32Subdir);
  say("lib64", target.lib64Subdir.empty() ? L"-" : target.baseDir + target.lib64Subdir);
  if (install) {
    const std::wstring result = installVc(target);
    say("result", result.empty() ? L"安装成功" : result);
    return result.empty() ? 0 : 1;
  }
  const std::wstring result = uninstallVc(target);
  say("result", result);
  return result == L"卸载成功" ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring verb = argc == 4 ? argv[1] : L"";
  if (verb == L"install-vc" || verb == L"uninstall-vc") return visualCpp(verb == L"install-vc", argv[2], _wtoi(argv[3]));
  if (verb != L"install" && verb != L"uninstall") {
    std::puts("usage: payload_installer install|uninstall <directory> <kind>");
    std::puts("       payload_installer install-vc|uninstall-vc <directory> <version>");
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
