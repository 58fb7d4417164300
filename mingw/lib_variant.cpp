#include "mingw/lib_variant.h"

#include "discovery/path_tests.h"
#include "discovery/text_match.h"
#include "mingw/toolchain_probe.h"

namespace {

constexpr int kFirstSupportedDevCpp = 511;
constexpr int kFirstUcrtGcc = 900;
constexpr int kFirstMsvcrtGcc = 810;

struct LibraryDirs {
  const wchar_t* lib32;
  const wchar_t* lib64;
};

LibraryDirs libraryDirsFor(const std::wstring& triple) {
  if (triple == L"x86_64-w64-mingw32") return {L"lib32\\", L"lib\\"};
  if (triple == L"i686-w64-mingw32") return {L"lib\\", L"lib64\\"};
  return {L"lib\\", L""};
}

std::wstring libLineFor(const ToolchainProbe& probe, const MingwTarget& target) {
  if (probe.triple == L"mingw32") return L"库文件路径 " + probe.targetDir + target.lib32Subdir;
  std::wstring line = L"库文件路径";
  if (!target.lib32Subdir.empty()) line += L" " + probe.targetDir + target.lib32Subdir;
  if (!target.lib64Subdir.empty()) line += L" " + probe.targetDir + target.lib64Subdir;
  return line;
}

}  // namespace

int detectMingwAt(CatalogueData& data, std::wstring dir, int kind, PlatformEntry*& entry, int devcppVersion) {
  if (dir.empty() || kind < 0 || kind >= kMingwTargetCount) return kMingwNotFound;
  if (dir.back() != L'\\') dir += L'\\';
  ToolchainProbe probe;
  if (!locateMingw(dir, probe)) return kMingwNotFound;

  MingwTarget& target = data.mingwTargets[static_cast<std::size_t>(kind)];
  // Every detection describes the toolchain it found: a header directory
  // missing from an earlier toolchain says nothing about this one.
  target.includeSubdir = L"include\\";
  const LibraryDirs dirs = libraryDirsFor(probe.triple);
  target.lib64Subdir = dirs.lib64;
  // Code::Blocks takes no 32-bit library from a 64-bit or i686 toolchain;
  // a 32-bit directory left from an earlier mingw32 layout would name this
  // toolchain's 64-bit (or a missing) directory.
  const bool mingw32Layout = probe.triple == L"mingw32";
  target.lib32Subdir = (kind == kCodeBlocksKind && !mingw32Layout) ? L"" : dirs.lib32;
  validateMingwTarget(probe.targetDir, target);

  const std::wstring includeLine = L"头文件路径 " + probe.targetDir + target.includeSubdir;
  const std::wstring libLine = libLineFor(probe, target);
  if (entry != nullptr) {
    entry->includeLine = includeLine;
    entry->libLine = libLine;
  } else {
    entry = &data.addEntry(data.detectedEntries, target.label, includeLine, libLine, kind, true, true);
  }
  target.baseDir = probe.targetDir;

  probeToolchain(probe);
  return selectLibVariant(*entry, target, probe.bits, probe.exceptionModel, probe.crt, probe.threadModel,
                          devcppVersion, probe.gccVersion);
}

void validateMingwTarget(const std::wstring& dir, MingwTarget& target) {
  if (!pathExists(dir + target.includeSubdir)) target.includeSubdir.clear();
  if (!pathExists(dir + target.lib64Subdir)) target.lib64Subdir.clear();
  if (!pathExists(dir + target.lib32Subdir)) target.lib32Subdir.clear();
}

int selectLibVariant(PlatformEntry& entry, MingwTarget& target, int bits, const std::wstring& exceptionModel,
                     const std::wstring& crt, const std::wstring& threadModel, int devcppVersion,
                     int gccVersion) {
  if (devcppVersion != 0 && devcppVersion < kFirstSupportedDevCpp) {
    entry.statusText = kDevCppTooOld;
    entry.detected = false;
    return kMingwRefused;
  }
  // Dev-C++ 5.11 and later build against the library made for its own
  // bundled gcc 4.9.2, whatever toolchain sits in its directory.
  if (devcppVersion >= kFirstSupportedDevCpp) {
    target.libVariantDir = L"lib_mingw_492";
    return kMingwFound;
  }
  if (equalsIgnoringAsciiCase(crt, L"_ucrt") && gccVersion >= kFirstUcrtGcc) {
    target.libVariantDir = L"lib_mingw_ucrt";
    return kMingwFound;
  }
  if (equalsIgnoringAsciiCase(crt, L"_msvcrt") && gccVersion >= kFirstMsvcrtGcc) {
    target.libVariantDir = L"lib_mingw_msvcrt";
    return kMingwFound;
  }
  entry.statusText =
      std::wstring(L"不支持的 ") + (bits == 64 ? L"x86_64" : L"i686") + threadModel + exceptionModel + crt;
  entry.detected = false;
  return kMingwRefused;
}
