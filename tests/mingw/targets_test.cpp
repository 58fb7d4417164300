// Dev-C++ versions from real version resources, the walk up from a chosen
// directory, start-up discovery through the registry, install and uninstall.
#include "mingw/lib_variant.h"
#include "mingw/mingw_layouts.h"
#include "mingw/mingw_targets.h"
#include "platforms/catalogue.h"
#include "platforms/file_ops.h"

#include <gtest/gtest.h>

using namespace mingwtest;

namespace {

class MingwTargets : public ::testing::Test {
 protected:
  MingwTargets() { labelMingwTargets(data); }
  MingwTarget& target(int kind) { return data.mingwTargets[static_cast<std::size_t>(kind)]; }

  ScratchDir scratch;
  CatalogueData data;
};

// A registry value written for one test and removed with its key afterwards.
class RegistryFixture {
 public:
  RegistryFixture(HKEY root, const std::wstring& subKey, const wchar_t* name, const std::wstring& value,
                  REGSAM view = 0)
      : root_(root), subKey_(subKey), view_(view) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (key == nullptr) return;
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  void set(const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, subKey_.c_str(), 0, KEY_WRITE | view_, &key) != ERROR_SUCCESS) return;
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  ~RegistryFixture() { RegDeleteKeyExW(root_, subKey_.c_str(), view_, 0); }

 private:
  HKEY root_;
  std::wstring subKey_;
  REGSAM view_;
};

std::wstring uniqueName(const wchar_t* base) {
  return std::wstring(base) + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(GetTickCount64());
}

std::wstring withoutBackslash(const std::wstring& dir) { return dir.substr(0, dir.size() - 1); }

// The payload's graphics.h, known as Gravo's by its include of gravo.h.
const char kGravoHeader[] = "graphics.h\n#include \"gravo.h\"\n";

}  // namespace

TEST_F(MingwTargets, DevCppVersionFromTheExecutablesVersionResource) {
  const std::wstring dev511 = devCppLayout(scratch.path());
  EXPECT_EQ(devcppVersionAt(kDevCppKind, dev511), 511);
  EXPECT_EQ(devcppVersionAt(kOtherMingwKind, withoutBackslash(dev511)), 511);
  EXPECT_EQ(devcppVersionAt(kCodeBlocksKind, dev511), 0);
  EXPECT_EQ(devcppVersionAt(kClionKind, dev511), 0);
  EXPECT_EQ(devcppVersionAt(kDevCppKind, L""), 0);
  // Only the directory itself is searched.
  EXPECT_EQ(devcppVersionAt(kDevCppKind, scratch.path()), 0);

  ScratchDir old;
  const std::wstring dev49 = devCppLayout(old.path(), false);
  std::filesystem::rename(dev49 + L"devcpp.exe", dev49 + L"DevCpp.exe");
  EXPECT_EQ(devcppVersionAt(kDevCppKind, dev49), 409);
  // An executable without version information.
  ScratchDir unversioned;
  copyHelper(L"marker.exe", unversioned.path() + L"devcpp.exe");
  EXPECT_EQ(devcppVersionAt(kDevCppKind, unversioned.path()), 0);
}

TEST_F(MingwTargets, WalkUpFromBinReachesTheMingwRoot) {
  const std::wstring root =
      mingwW64Root(scratch.path() + L"tools\\", L"winlibs-13.2.0-x86_64-ucrt-mcf-seh.txt");
  PlatformEntry entry;
  entry.index = kOtherMingwKind;
  EXPECT_EQ(detectMingwTarget(data, root + L"bin", kOtherMingwKind, &entry, false), kMingwFound);
  EXPECT_EQ(target(kOtherMingwKind).baseDir, root + L"x86_64-w64-mingw32\\");
  EXPECT_EQ(target(kOtherMingwKind).libVariantDir, L"lib_mingw_ucrt");
  EXPECT_EQ(entry.includeLine, L"头文件路径 " + root + L"x86_64-w64-mingw32\\include\\");
  EXPECT_TRUE(data.detectedEntries.empty());
  EXPECT_TRUE(data.undetectedEntries.empty());
}

TEST_F(MingwTargets, WalkStopsAtTheFirstToolchainEvenWhenRefused) {
  // The MinGW64 of a Dev-C++ 5.11 chosen for the Dev-C++ entry: no
  // devcpp.exe there, so its gcc 4.9.2 is judged on its own.
  const std::wstring devCpp = devCppLayout(scratch.path());
  PlatformEntry entry;
  entry.index = kDevCppKind;
  EXPECT_EQ(
      detectMingwTarget(data, devCpp + L"MinGW64\\x86_64-w64-mingw32\\lib32", kDevCppKind, &entry, false),
      kMingwRefused);
  EXPECT_EQ(entry.statusText, L"不支持的 x86_64_posix_seh_msvcrt");

  // The Dev-C++ directory itself.
  PlatformEntry again;
  EXPECT_EQ(detectMingwTarget(data, withoutBackslash(devCpp), kDevCppKind, &again, false), kMingwFound);
  EXPECT_EQ(target(kDevCppKind).libVariantDir, L"lib_mingw_492");

  ScratchDir old;
  const std::wstring dev49 = devCppLayout(old.path(), false);
  PlatformEntry oldEntry;
  EXPECT_EQ(detectMingwTarget(data, dev49, kDevCppKind, &oldEntry, false), kMingwRefused);
  EXPECT_EQ(oldEntry.statusText, L"（DevCPP 不再支持低于 5.11 的版本）");
}

TEST_F(MingwTargets, DriveRootIsProbedOnlyWhenChosen) {
  // The drive root must be the parent of both directories, so these two
  // live at the top of the test prefix's C: drive rather than in %TEMP%.
  struct TopLevelDir {
    explicit TopLevelDir(const wchar_t* base) : path(L"C:\\" + uniqueName(base) + L"\\") { makeDirs(path); }
    ~TopLevelDir() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
    const std::wstring path;
  };
  const TopLevelDir toolchain(L"mingw-gravo-test");
  installFakeGcc(toolchain.path, L"mingw-builds-8.1.0-x86_64-posix-seh.txt");
  makeDirsUnder(toolchain.path, {L"x86_64-w64-mingw32\\include", L"x86_64-w64-mingw32\\lib"});
  const TopLevelDir projects(L"gravo-test-projects");
  makeDirs(projects.path + L"demo");

  // The walk stops below C:\, where the toolchain would be found.
  PlatformEntry entry;
  EXPECT_EQ(detectMingwTarget(data, projects.path + L"demo", kOtherMingwKind, &entry, false), kMingwNotFound);
  EXPECT_EQ(target(kOtherMingwKind).baseDir, L"");
  // Chosen itself, the root is probed.
  EXPECT_EQ(detectMingwTarget(data, L"c:\\", kOtherMingwKind, &entry, false), kMingwFound);
  EXPECT_EQ(target(kOtherMingwKind).baseDir, L"c" + toolchain.path.substr(1) + L"x86_64-w64-mingw32\\");
}

TEST_F(MingwTargets, StartUpDiscoveryAddsOneEntryPerKind) {
  // Code::Blocks is registered in the user's hive; Dev-C++ and CLion are not installed.
  const std::wstring codeBlocks = codeBlocksLayout(scratch.path());
  RegistryFixture registered(HKEY_CURRENT_USER, L"Software\\CodeBlocks", L"Path",
                             withoutBackslash(codeBlocks));

  EXPECT_EQ(detectMingwTarget(data, L"", kDevCppKind, nullptr, false), kMingwNotFound);
  EXPECT_EQ(detectMingwTarget(data, L"", kClionKind, nullptr, false), kMingwNotFound);
  EXPECT_EQ(detectMingwTarget(data, L"", kCodeBlocksKind, nullptr, false), kMingwFound);

  ASSERT_EQ(data.detectedEntries.size(), 1u);
  const PlatformEntry& found = *data.detectedEntries[0];
  EXPECT_EQ(found.index, kCodeBlocksKind);
  EXPECT_EQ(found.label, L"  CodeBlocks");
  EXPECT_TRUE(found.detected);
  EXPECT_TRUE(found.isMingw);
  EXPECT_EQ(target(kCodeBlocksKind).baseDir, codeBlocks + L"MinGW\\x86_64-w64-mingw32\\");

  ASSERT_EQ(data.undetectedEntries.size(), 2u);
  for (const PlatformEntry* missing : data.undetectedEntries) {
    EXPECT_FALSE(missing->detected);
    EXPECT_TRUE(missing->isMingw);
    EXPECT_EQ(missing->statusText, L"（未检测到）");
    EXPECT_EQ(missing->includeLine, L"");
  }
  EXPECT_EQ(data.undetectedEntries[0]->label, L"  DevCpp");
  EXPECT_EQ(data.undetectedEntries[1]->label, L"  CLion");
}

TEST_F(MingwTargets, StartUpDiscoveryThroughTheUninstallList) {
  // Registered as the 32-bit installers register, in the view the wizard reads.
  const std::wstring uninstall = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  const std::wstring devCpp = devCppLayout(scratch.path());
  RegistryFixture dev(HKEY_LOCAL_MACHINE, uninstall + uniqueName(L"Dev-C++"), L"DisplayName", L"Dev-C++",
                      KEY_WOW64_32KEY);
  dev.set(L"UninstallString", devCpp + L"uninstall.exe");
  const std::wstring clionBin = clionLayout(scratch.path());
  RegistryFixture clion(HKEY_LOCAL_MACHINE, uninstall + uniqueName(L"CLion"), L"DisplayName", L"CLion 2023.2",
                        KEY_WOW64_32KEY);
  clion.set(L"InstallLocation", clionBin.substr(0, clionBin.size() - 5));

  EXPECT_EQ(detectMingwTarget(data, L"", kDevCppKind, nullptr, false), kMingwFound);
  EXPECT_EQ(detectMingwTarget(data, L"", kClionKind, nullptr, false), kMingwFound);
  ASSERT_EQ(data.detectedEntries.size(), 2u);
  EXPECT_EQ(target(kDevCppKind).libVariantDir, L"lib_mingw_492");
  EXPECT_EQ(target(kClionKind).baseDir, clionBin + L"mingw\\x86_64-w64-mingw32\\");
  EXPECT_EQ(target(kClionKind).libVariantDir, L"lib_mingw_msvcrt");
}

class MingwInstall : public MingwTargets {
 protected:
  MingwInstall() : payload(scratch.path() + L"setup\\") {
    writeFile(payload + L"include\\gravo.h", "gravo.h");
    writeFile(payload + L"include\\graphics.h", kGravoHeader);
    for (const wchar_t* variant : {L"lib_mingw_492", L"lib_mingw_msvcrt"}) {
      for (const wchar_t* arch : {L"x86", L"x64"}) {
        for (const wchar_t* lib : {L"libgravo.a", L"libgravow.a"}) {
          const std::wstring path = payload + variant + L"\\" + arch + L"\\" + lib;
          writeFile(path, std::string(arch, arch + 3));
        }
      }
    }
  }

  const std::wstring payload;
};

TEST_F(MingwInstall, DevCppInstallAndUninstallTwice) {
  const std::wstring devCpp = devCppLayout(scratch.path());
  ASSERT_EQ(detectMingwTarget(data, L"", kDevCppKind, nullptr, false), kMingwNotFound);
  PlatformEntry* entry = data.undetectedEntries.at(0);
  ASSERT_EQ(detectMingwTarget(data, devCpp, kDevCppKind, entry, false), kMingwFound);
  const std::wstring triple = devCpp + L"MinGW64\\x86_64-w64-mingw32\\";

  EXPECT_EQ(installMingwFrom(target(kDevCppKind), payload), L"");
  EXPECT_EQ(readFile(triple + L"include\\gravo.h"), "gravo.h");
  EXPECT_EQ(readFile(triple + L"include\\graphics.h"), kGravoHeader);
  EXPECT_EQ(readFile(triple + L"lib32\\libgravo.a"), "x86");
  EXPECT_EQ(readFile(triple + L"lib32\\libgravow.a"), "x86");
  EXPECT_EQ(readFile(triple + L"lib\\libgravo.a"), "x64");
  EXPECT_EQ(readFile(triple + L"lib\\libgravow.a"), "x64");
  // Installing again overwrites.
  EXPECT_EQ(installMingwFrom(target(kDevCppKind), payload), L"");

  EXPECT_EQ(uninstallMingw(target(kDevCppKind)), L"卸载成功");
  for (const wchar_t* file : {L"include\\gravo.h", L"include\\graphics.h", L"lib32\\libgravo.a",
                              L"lib32\\libgravow.a", L"lib\\libgravo.a", L"lib\\libgravow.a"}) {
    EXPECT_FALSE(pathExists(triple + file));
  }
  EXPECT_EQ(uninstallMingw(target(kDevCppKind)), L"卸载失败");
}

TEST_F(MingwInstall, EachStepReportsItsOwnFailure) {
  const std::wstring root = mingwW64Root(scratch.path(), L"mingw-builds-8.1.0-x86_64-posix-seh.txt");
  makeDirs(root + L"x86_64-w64-mingw32\\lib32");
  PlatformEntry* entry = nullptr;
  ASSERT_EQ(detectMingwAt(data, root, kOtherMingwKind, entry, 0), kMingwFound);
  MingwTarget& t = target(kOtherMingwKind);
  const std::wstring triple = root + L"x86_64-w64-mingw32\\";

  std::filesystem::remove(payload + L"lib_mingw_msvcrt\\x64\\libgravow.a");
  EXPECT_EQ(installMingwFrom(t, payload), L"安装失败_lib64");
  // Both files of a step are tried, and earlier steps stay installed.
  EXPECT_EQ(readFile(triple + L"lib\\libgravo.a"), "x64");
  EXPECT_EQ(readFile(triple + L"lib32\\libgravow.a"), "x86");

  std::filesystem::remove(payload + L"lib_mingw_msvcrt\\x86\\libgravo.a");
  EXPECT_EQ(installMingwFrom(t, payload), L"安装失败_lib32");

  std::filesystem::remove_all(triple + L"include");
  EXPECT_EQ(installMingwFrom(t, payload), L"安装失败_inlcude");
}

TEST_F(MingwInstall, UninstallGoesOnPastFilesAlreadyGone) {
  const std::wstring root = i686Root(scratch.path());
  makeDirs(root + L"i686-w64-mingw32\\lib64");
  PlatformEntry* entry = nullptr;
  ASSERT_EQ(detectMingwAt(data, root, kOtherMingwKind, entry, 0), kMingwFound);
  const MingwTarget& t = target(kOtherMingwKind);
  ASSERT_EQ(installMingwFrom(t, payload), L"");
  const std::wstring triple = root + L"i686-w64-mingw32\\";
  EXPECT_EQ(readFile(triple + L"lib\\libgravo.a"), "x86");
  EXPECT_EQ(readFile(triple + L"lib64\\libgravo.a"), "x64");

  // Deleted by hand: the rest is removed all the same.
  std::filesystem::remove(triple + L"include\\gravo.h");
  std::filesystem::remove(triple + L"lib\\libgravo.a");
  EXPECT_EQ(uninstallMingw(t), L"卸载成功");
  for (const wchar_t* file :
       {L"include\\graphics.h", L"lib\\libgravow.a", L"lib64\\libgravo.a", L"lib64\\libgravow.a"})
    EXPECT_FALSE(pathExists(triple + file)) << file;
}

TEST_F(MingwInstall, EmptiedIncludeSubdirInstallsIntoTheBaseDirectory) {
  const std::wstring root = mingwW64Root(scratch.path(), L"mingw-builds-8.1.0-x86_64-posix-seh.txt");
  std::filesystem::remove_all(root + L"x86_64-w64-mingw32\\include");
  PlatformEntry* entry = nullptr;
  ASSERT_EQ(detectMingwAt(data, root, kOtherMingwKind, entry, 0), kMingwFound);
  const std::wstring triple = root + L"x86_64-w64-mingw32\\";
  EXPECT_EQ(installMingwFrom(target(kOtherMingwKind), payload), L"");
  EXPECT_EQ(readFile(triple + L"gravo.h"), "gravo.h");
  EXPECT_EQ(readFile(triple + L"graphics.h"), kGravoHeader);
  EXPECT_EQ(uninstallMingw(target(kOtherMingwKind)), L"卸载成功");
  EXPECT_FALSE(pathExists(triple + L"gravo.h"));
}

TEST_F(MingwInstall, TargetWithoutDirectoriesTouchesNothing) {
  MingwTarget empty;
  empty.includeSubdir = L"";
  EXPECT_EQ(uninstallMingw(empty), L"卸载失败");
  EXPECT_EQ(installMingwFrom(empty, payload), L"安装失败_inlcude");
  // Library directories without a base would be relative to the current directory.
  MingwTarget relative;
  relative.lib64Subdir = L"lib\\";
  relative.libVariantDir = L"lib_mingw_msvcrt";
  EXPECT_EQ(installMingwFrom(relative, payload), L"安装失败_inlcude");
  EXPECT_EQ(uninstallMingw(relative), L"卸载失败");
}

TEST_F(MingwTargets, CatalogueProbesDevCppThenClionThenCodeBlocks) {
  const std::wstring codeBlocks = codeBlocksLayout(scratch.path());
  RegistryFixture registered(HKEY_CURRENT_USER, L"Software\\CodeBlocks", L"Path",
                             withoutBackslash(codeBlocks));
  CatalogueData catalogue;
  buildCatalogue(catalogue);

  std::vector<std::wstring> mingwRows;
  for (const PlatformEntry* entry : catalogue.shownEntries) {
    if (entry->isMingw) mingwRows.push_back(entry->label + (entry->detected ? L" +" : L" -"));
  }
  const std::vector<std::wstring> expected = {L"  CodeBlocks +", L"  DevCpp -", L"  CLion -",
                                              L"  其它 MinGW -"};
  EXPECT_EQ(mingwRows, expected);
  EXPECT_EQ(catalogue.mingwTargets[kCodeBlocksKind].libVariantDir, L"lib_mingw_msvcrt");
}
