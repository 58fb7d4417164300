#include "mingw/mingw_targets.h"

#include "discovery/text_match.h"
#include "mingw/lib_variant.h"
#include "mingw/toolchain_probe.h"
#include "platforms/file_ops.h"
#include "platforms/library_files.h"
#include "platforms/payload.h"
#include "platforms/vc_targets.h"

int devcppVersionAt(int kind, const std::wstring& dir) {
  if (dir.empty() || (kind != kDevCppKind && kind != kOtherMingwKind)) return 0;
  const std::wstring executable = findEntryMatching(dir, L"^.*?devcpp.*?\\.exe$");
  return executable.empty() ? 0 : clVersionOf(executable);
}

int detectMingwTarget(CatalogueData& data, const std::wstring& dir, int kind, PlatformEntry* entry,
                      bool is64BitOs) {
  if (kind < 0 || kind >= kMingwTargetCount) return kMingwNotFound;
  if (dir.empty()) {
    const std::wstring installed = data.registry.findTrustedIdeDir(kind, is64BitOs);
    const int result = detectMingwAt(data, installed, kind, entry, devcppVersionAt(kind, installed));
    if (result == kMingwNotFound) {
      data.addEntry(data.undetectedEntries, data.mingwTargets[static_cast<std::size_t>(kind)].label, L"", L"",
                    kind, false, true);
    }
    return result;
  }

  const std::wstring driveRoot = rootOf(dir);
  std::wstring current = dir;
  for (;;) {
    const int result = detectMingwAt(data, current, kind, entry, devcppVersionAt(kind, current));
    if (result != kMingwNotFound) return result;
    const std::wstring next = parentOrRoot(current);
    // Every step must shorten the path, so the walk ends on any input.
    if (equalsIgnoringAsciiCase(next, driveRoot) || next.size() >= current.size()) return kMingwNotFound;
    current = next;
  }
}

std::wstring installMingw(const MingwTarget& target) { return installMingwFrom(target, setupDir()); }

std::wstring installMingwFrom(const MingwTarget& target, const std::wstring& payloadRoot) {
  // Without a base directory every destination would be relative to the
  // current directory.
  if (target.baseDir.empty()) return kMingwIncludeFailed;
  const std::wstring includeDir = target.baseDir + target.includeSubdir;
  std::wstring errors = installPayloadFile(payloadRoot + L"include\\gravo.h", includeDir + L"gravo.h");
  errors += installPayloadFile(payloadRoot + L"include\\graphics.h", includeDir + L"graphics.h");
  if (!errors.empty()) return kMingwIncludeFailed;

  const std::wstring variantDir = payloadRoot + target.libVariantDir;
  if (!target.lib32Subdir.empty()) {
    const std::wstring libDir = target.baseDir + target.lib32Subdir;
    errors += installPayloadFile(variantDir + L"\\x86\\libgravo.a", libDir + L"libgravo.a");
    errors += installPayloadFile(variantDir + L"\\x86\\libgravow.a", libDir + L"libgravow.a");
    if (!errors.empty()) return kMingwLib32Failed;
  }
  if (!target.lib64Subdir.empty()) {
    const std::wstring libDir = target.baseDir + target.lib64Subdir;
    errors += installPayloadFile(variantDir + L"\\x64\\libgravo.a", libDir + L"libgravo.a");
    errors += installPayloadFile(variantDir + L"\\x64\\libgravow.a", libDir + L"libgravow.a");
    if (!errors.empty()) return kMingwLib64Failed;
  }
  return errors;
}

std::wstring uninstallMingw(const MingwTarget& target) {
  // Nothing was ever installed without a base directory, and relative
  // paths would point into the current directory.
  if (target.baseDir.empty()) return kUninstallFailed;
  return uninstallPayloadFiles(libraryFiles(target));
}
