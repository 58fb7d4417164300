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
#include "platforms/catalogue.h"
#include "platforms/entry_ops.h"
#include "platforms/file_ops.h"
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

// The operation's result as the platform page shows it; 0 when it succeeded.
int finish(bool install, const MingwTarget* mingw, const VcTarget* vc) {
  const std::wstring result = install ? installMessage(mingw ? installMingw(*mingw) : installVc(*vc))
                                      : (mingw ? uninstallMingw(*mingw) : uninstallVc(*vc));
  say("result", result);
  return result == (install ? kInstalledMessage : kUninstalled) ? 0 : 1;
}

std::wstring orDash(const std::wstring& baseDir, const std::wstring& subdir) {
  return subdir.empty() ? L"-" : baseDir + subdir;
}

// The catalogue's Visual C++ target of one version, recognised in directory.
int visualCpp(bool install, const wchar_t* directory, int version) {
  CatalogueData data;
  createTargets(data);
  VcTarget* target = nullptr;
  for (VcTarget& candidate : data.vcTargets)
    if (candidate.version == version) target = &candidate;
  if (!target) return 2;
  PlatformEntry& entry = data.addEntry(data.undetectedEntries, L"", L"", L"", 0, false, false);
  if (detectVcInDirectory(directory, entry, *target, false) != version) {
    say("refused", directory);
    return 1;
  }
  say("include", target->baseDir + target->includeSubdir);
  say("lib32", target->baseDir + target->lib32Subdir);
  say("lib64", orDash(target->baseDir, target->lib64Subdir));
  return finish(install, nullptr, target);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring verb = argc == 4 ? argv[1] : L"";
  if (verb == L"install-vc" || verb == L"uninstall-vc")
    return visualCpp(verb == L"install-vc", argv[2], _wtoi(argv[3]));
  if (verb != L"install" && verb != L"uninstall") {
    std::puts("usage: payload_installer install|uninstall <directory> <kind>");
    std::puts("       payload_installer install-vc|uninstall-vc <directory> <version>");
    return 2;
  }
  const int kind = _wtoi(argv[3]);
  if (kind < 0 || kind >= kMingwTargetCount) return 2;

  CatalogueData data;
  createTargets(data);
  PlatformEntry& entry = data.addEntry(data.undetectedEntries, L"", L"", L"", kind, false, true);
  const int found = detectMingwTarget(data, argv[2], kind, &entry, false);
  const MingwTarget& target = data.mingwTargets[static_cast<size_t>(kind)];
  if (found != kMingwFound) {
    say("refused", entry.statusText);
    return 1;
  }
  say("variant", target.libVariantDir);
  say("include", target.baseDir + target.includeSubdir);
  say("lib32", orDash(target.baseDir, target.lib32Subdir));
  say("lib64", orDash(target.baseDir, target.lib64Subdir));
  return finish(verb == L"install", &target, nullptr);
}
