#include "platforms/entry_ops.h"

#include "mingw/mingw_targets.h"
#include "platforms/file_ops.h"
#include "platforms/install_ops.h"
#include "platforms/library_files.h"
#include "platforms/vc_targets.h"

namespace {

bool validTarget(const PlatformEntry& entry) {
  const int count = entry.isMingw ? kMingwTargetCount : kVcTargetCount;
  return entry.index >= 0 && entry.index < count;
}

template <typename Target>
std::vector<std::wstring> targetDirectories(const Target& target) {
  std::vector<std::wstring> dirs;
  if (target.baseDir.empty()) return dirs;
  dirs.push_back(target.baseDir + target.includeSubdir);
  for (const std::wstring* subdir : {&target.lib32Subdir, &target.lib64Subdir}) {
    if (!subdir->empty()) dirs.push_back(target.baseDir + *subdir);
  }
  return dirs;
}

}  // namespace

std::wstring installEntry(const CatalogueData& data, const PlatformEntry& entry) {
  if (entry.index == kDocsEntryIndex) return installDocs();
  if (!validTarget(entry)) return kInstallFailed;
  const auto i = static_cast<std::size_t>(entry.index);
  return entry.isMingw ? installMingw(data.mingwTargets[i]) : installVc(data.vcTargets[i]);
}

std::wstring uninstallEntry(const CatalogueData& data, const PlatformEntry& entry) {
  if (entry.index == kDocsEntryIndex) return uninstallDocs();
  if (!validTarget(entry)) return kUninstallFailed;
  const auto i = static_cast<std::size_t>(entry.index);
  return entry.isMingw ? uninstallMingw(data.mingwTargets[i]) : uninstallVc(data.vcTargets[i]);
}

std::wstring detectInChosenDirectory(CatalogueData& data, PlatformEntry& entry, const std::wstring& dir) {
  // The documentation entry has no directory to choose.
  int result = 0;
  if (entry.index != kDocsEntryIndex && validTarget(entry) && !dir.empty()) {
    const auto i = static_cast<std::size_t>(entry.index);
    result = entry.isMingw ? detectMingwTarget(data, dir, entry.index, &entry, false)
                           : detectVcInDirectory(dir, entry, data.vcTargets[i], true);
  }
  if (result == 0) return entry.isMingw ? kCompilerNotFoundMessage : kVcNotFoundMessage;
  if (result == -1) return entry.isMingw ? entry.statusText : kVcWrongVersionMessage;
  entry.detected = true;
  return L"";
}

std::wstring installMessage(const std::wstring& result) {
  return result.empty() ? std::wstring(kInstalledMessage) : result;
}

std::vector<std::wstring> entryDirectories(const CatalogueData& data, const PlatformEntry& entry) {
  if (!entry.detected) return {};
  if (entry.index == kDocsEntryIndex) {
    const std::wstring desktop = desktopFolder();
    return desktop.empty() ? std::vector<std::wstring>{} : std::vector<std::wstring>{desktop + L"\\"};
  }
  if (!validTarget(entry)) return {};
  const auto i = static_cast<std::size_t>(entry.index);
  return entry.isMingw ? targetDirectories(data.mingwTargets[i]) : targetDirectories(data.vcTargets[i]);
}

bool entryHoldsLibrary(const CatalogueData& data, const PlatformEntry& entry) {
  if (!entry.detected || entry.index == kDocsEntryIndex || !validTarget(entry)) return false;
  const auto i = static_cast<std::size_t>(entry.index);
  return holdsLibrary(entry.isMingw ? libraryFiles(data.mingwTargets[i]) : libraryFiles(data.vcTargets[i]));
}
