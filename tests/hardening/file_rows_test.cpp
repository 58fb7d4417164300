// Awkward file systems: paths at and beyond 260 characters, non-ASCII
// folders and user names, read-only and locked destinations, directories
// where files belong, and walks up from deep below. Every install is checked
// against a snapshot of the whole scratch tree: nothing but the intended
// files may change.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "discovery/fixtures.h"
#include "hardening/hardening_support.h"
#include "mingw/lib_variant.h"
#include "mingw/mingw_layouts.h"
#include "mingw/mingw_targets.h"
#include "platforms/catalogue.h"
#include "platforms/file_ops.h"
#include "platforms/install_ops.h"
#include "platforms/vc_targets.h"
#include "platforms/vc_trees.h"

using hardening::joined;
using hardening::TreeSnapshot;

namespace {

// A Visual C++ 2015 target at base (ending with a backslash) with its three
// directories, and the payload beside a wizard in setup.
struct VcScene {
  VcScene(const ScratchDir& disk, const std::wstring& base, const std::wstring& setup)
      : target(makeVcTarget(data, 2015)), payload(layPayload(disk, setup)) {
    for (const wchar_t* sub : {L"include", L"lib", L"lib\\amd64"})
      disk.makeDirs(base.substr(disk.path().size()) + sub);
    target.baseDir = base;
    target.includeSubdir = L"include\\";
    target.lib32Subdir = L"lib\\";
    target.lib64Subdir = L"lib\\amd64\\";
  }
  // The six files an install of this target writes, relative to root.
  std::vector<std::wstring> installed(const std::wstring& root) const {
    const std::wstring base = target.baseDir.substr(root.size());
    std::vector<std::wstring> files;
    for (const wchar_t* file : {L"include\\gravo.h", L"include\\graphics.h", L"lib\\Gravoa.lib",
                                L"lib\\Gravow.lib", L"lib\\amd64\\Gravoa.lib", L"lib\\amd64\\Gravow.lib"})
      files.push_back(base + file);
    std::sort(files.begin(), files.end());
    return files;
  }
  CatalogueData data;
  VcTarget target;
  std::wstring payload;
};

std::wstring deepPath(const std::wstring& base, size_t atLeast) {
  std::wstring path = base;
  for (int i = 0; path.size() < atLeast; ++i) path += L"level " + std::to_wstring(i) + L"\\";
  return path;
}

void makeAll(const std::wstring& path) { mingwtest::makeDirs(path); }

// A file held open by another program that lets others read it but neither
// write nor delete it, as a running linker holds its libraries.
class LockedFile {
 public:
  explicit LockedFile(const std::wstring& path)
      : handle_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~LockedFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;
  bool held() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

}  // namespace

TEST(HostileFiles, PathsAtAndBeyond260Characters) {
  ScratchDir disk;
  for (const size_t length : {250u, 259u, 260u, 261u, 400u}) {
    // The base is padded so that its include directory's gravo.h has
    // the length in question.
    std::wstring base = disk.path() + L"len" + std::to_wstring(length) + L"\\";
    const size_t fileLength = base.size() + std::wstring(L"include\\gravo.h").size();
    if (fileLength < length) base += std::wstring(length - fileLength - 1, L'p') + L"\\";
    VcScene scene(disk, base, L"setup" + std::to_wstring(length));
    ASSERT_EQ(length, (scene.target.baseDir + L"include\\gravo.h").size());

    const TreeSnapshot before(disk.path());
    const std::wstring result = installVcFrom(scene.target, scene.payload);
    const std::vector<std::wstring> changed = TreeSnapshot::changes(before, TreeSnapshot(disk.path()));
    // Windows refuses paths this long to programs that do not opt in; Wine
    // takes them but cannot tell the final path of one past about 270
    // characters, which an elevated copy checks. Either way the files
    // before the failing one are the only ones touched, and uninstall
    // takes them away.
    if (result.empty()) {
      EXPECT_EQ(scene.installed(disk.path()), changed) << joined(changed);
    } else {
      EXPECT_EQ(kInstallFailed, result);
      const std::vector<std::wstring> all = scene.installed(disk.path());
      EXPECT_TRUE(std::includes(all.begin(), all.end(), changed.begin(), changed.end())) << joined(changed);
    }
    EXPECT_EQ(changed.empty() ? kUninstallFailed : kUninstalled, uninstallVc(scene.target));
    EXPECT_TRUE(TreeSnapshot::changes(before, TreeSnapshot(disk.path())).empty());
  }
}

TEST(HostileFiles, WalksUpFromFarBelowEndAtTheToolchainOrShortOfTheRoot) {
  CatalogueData data;
  mingwtest::labelMingwTargets(data);
  PlatformEntry& other =
      data.addEntry(data.shownEntries, L"  其它 MinGW", L"", L"", kOtherMingwKind, false, true);
  {
    // Nothing anywhere above: every ancestor is looked at once, and the
    // walk ends short of the drive root.
    ScratchDir disk;
    const std::wstring empty = deepPath(disk.path() + L"empty\\", 600);
    makeAll(empty);
    EXPECT_EQ(kMingwNotFound, detectMingwTarget(data, empty, kOtherMingwKind, &other, false));
    CatalogueData vcData;
    VcTarget target = makeVcTarget(vcData, 2019);
    PlatformEntry vcEntry;
    EXPECT_EQ(0, detectVcInDirectory(empty, vcEntry, target, true));
    EXPECT_EQ(L"", target.baseDir);
  }

  mingwtest::ScratchDir scratch;
  const std::wstring root =
      mingwtest::mingwW64Root(scratch.path() + L"tools\\", L"mingw-builds-8.1.0-x86_64-posix-seh.txt");
  const std::wstring deep = deepPath(root + L"bin\\", 600);
  makeAll(deep);
  EXPECT_EQ(kMingwFound,
            detectMingwTarget(data, deep.substr(0, deep.size() - 1), kOtherMingwKind, &other, false));
  EXPECT_EQ(root + L"x86_64-w64-mingw32\\", data.mingwTargets[kOtherMingwKind].baseDir);

  ScratchDir disk;
  CatalogueData vcData;
  VcTarget target = makeVcTarget(vcData, 2019);
  PlatformEntry vcEntry;
  layToolsetVc(disk, L"VS\\2019\\Community", L"14.29.30133", L"19_29");
  const std::wstring below = deepPath(disk.path() + L"VS\\2019\\Community\\VC\\Tools\\", 600);
  makeAll(below);
  EXPECT_EQ(2019, detectVcInDirectory(below, vcEntry, target, true));
  EXPECT_EQ(disk.path() + L"VS\\2019\\Community\\VC\\Auxiliary\\VS\\", target.baseDir);
}

TEST(HostileFiles, NonAsciiFoldersAndUserNames) {
  mingwtest::ScratchDir scratch;
  CatalogueData data;
  mingwtest::labelMingwTargets(data);
  // A user's own tools folder, with a gcc in it that cmd.exe must find.
  const std::wstring root =
      mingwtest::mingwW64Root(scratch.path() + L"张三的工具 ünï (x86)\\",
                              L"mingw-builds-10.3.0-x86_64-posix-seh-ucrt.txt", L"编译器");
  PlatformEntry* entry = nullptr;
  ASSERT_EQ(kMingwFound, detectMingwAt(data, root, kOtherMingwKind, entry, 0));
  EXPECT_EQ(L"lib_mingw_ucrt", data.mingwTargets[kOtherMingwKind].libVariantDir);
  EXPECT_EQ(L"头文件路径 " + root + L"x86_64-w64-mingw32\\include\\", entry->includeLine);

  const std::wstring setup = scratch.path() + L"下载\\";
  for (const wchar_t* file : {L"include\\gravo.h", L"include\\graphics.h", L"lib_mingw_ucrt\\x64\\libgravo.a",
                              L"lib_mingw_ucrt\\x64\\libgravow.a"})
    mingwtest::writeFile(setup + file, gravoHeaderText(hardening::narrow(file)));
  const TreeSnapshot before(scratch.path());
  EXPECT_EQ(L"", installMingwFrom(data.mingwTargets[kOtherMingwKind], setup));
  const std::vector<std::wstring> expected = {
      L"张三的工具 ünï (x86)\\编译器\\x86_64-w64-mingw32\\include\\graphics.h",
      L"张三的工具 ünï (x86)\\编译器\\x86_64-w64-mingw32\\include\\gravo.h",
      L"张三的工具 ünï (x86)\\编译器\\x86_64-w64-mingw32\\lib\\libgravo.a",
      L"张三的工具 ünï (x86)\\编译器\\x86_64-w64-mingw32\\lib\\libgravow.a"};
  const std::vector<std::wstring> changed = TreeSnapshot::changes(before, TreeSnapshot(scratch.path()));
  EXPECT_EQ(expected, changed) << joined(changed);
  EXPECT_EQ(kUninstalled, uninstallMingw(data.mingwTargets[kOtherMingwKind]));
  EXPECT_TRUE(TreeSnapshot::changes(before, TreeSnapshot(scratch.path())).empty());

  ScratchDir disk;
  CatalogueData vcData;
  VcTarget target = makeVcTarget(vcData, 2019);
  PlatformEntry vcEntry;
  layToolsetVc(disk, L"开发\\VS 2019\\Community", L"14.29.30133", L"19_29");
  EXPECT_EQ(2019, detectVcInDirectory(disk.path() + L"开发\\VS 2019", vcEntry, target, true));
  EXPECT_EQ(L"头文件路径 " + disk.path() + L"开发\\VS 2019\\community\\vc\\Auxiliary\\VS\\include\\",
            vcEntry.includeLine);
}

TEST(HostileFiles, DesktopUnderAChineseUserName) {
  RegistryFixture registry;
  wchar_t windows[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 2u);
  const std::wstring profile = std::wstring(windows, 3) + L"Users\\张三\\";
  const std::wstring desktop = profile + L"Desktop";
  ASSERT_TRUE(CreateDirectoryW(profile.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(CreateDirectoryW(desktop.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  const std::wstring shell = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
  const std::wstring previousDesktop = desktopFolder();
  const TreeSnapshot previousBefore(previousDesktop + L"\\");
  registry.setString(HKEY_CURRENT_USER, shell + L"User Shell Folders", L"Desktop", desktop);
  registry.setString(HKEY_CURRENT_USER, shell + L"Shell Folders", L"Desktop", desktop);

  EXPECT_EQ(desktop, desktopFolder());
  EXPECT_EQ(desktop + L"\\Gravo_Help.lnk", helpShortcutPath());
  EXPECT_EQ(L"", installDocs());
  EXPECT_TRUE(hardening::exists(desktop + L"\\Gravo_Help.lnk"));
  CatalogueData data;
  buildCatalogue(data);
  EXPECT_EQ(L"桌面路径 " + desktop, data.shownEntries.at(0)->libLine);
  EXPECT_EQ(kUninstalled, uninstallDocs());
  EXPECT_FALSE(hardening::exists(desktop + L"\\Gravo_Help.lnk"));
  EXPECT_TRUE(TreeSnapshot::changes(previousBefore, TreeSnapshot(previousDesktop + L"\\")).empty());

  RemoveDirectoryW(desktop.c_str());
  RemoveDirectoryW(profile.c_str());
}

TEST(HostileFiles, ReadOnlyAndLockedDestinations) {
  ScratchDir disk;
  VcScene scene(disk, disk.path() + L"VS14\\VC\\", L"setup");
  const std::wstring header = scene.target.baseDir + L"include\\gravo.h";
  disk.writeFile(L"VS14\\VC\\include\\gravo.h", "the user's own gravo.h");
  ASSERT_TRUE(SetFileAttributesW(header.c_str(), FILE_ATTRIBUTE_READONLY));

  const TreeSnapshot before(disk.path());
  EXPECT_EQ(kInstallFailed, installVcFrom(scene.target, scene.payload));
  // The first file failed, so the install stopped there.
  EXPECT_TRUE(TreeSnapshot::changes(before, TreeSnapshot(disk.path())).empty());
  EXPECT_EQ(kUninstallFailed, uninstallVc(scene.target));
  EXPECT_EQ("the user's own gravo.h", disk.readFile(L"VS14\\VC\\include\\gravo.h"));
  ASSERT_TRUE(SetFileAttributesW(header.c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(kInstallFailed, installVcFrom(scene.target, scene.payload));
  EXPECT_EQ("the user's own gravo.h", disk.readFile(L"VS14\\VC\\include\\gravo.h"));
  ASSERT_TRUE(SetFileAttributesW(header.c_str(), FILE_ATTRIBUTE_NORMAL));

  {
    const LockedFile held(header);
    ASSERT_TRUE(held.held());
    EXPECT_EQ(kInstallFailed, installVcFrom(scene.target, scene.payload));
    EXPECT_EQ(kUninstallFailed, uninstallVc(scene.target));
    EXPECT_EQ("the user's own gravo.h", disk.readFile(L"VS14\\VC\\include\\gravo.h"));
  }
  EXPECT_EQ(L"", installVcFrom(scene.target, scene.payload));
  {
    // Locked in the middle: the files before it are gone, it and the
    // ones after it stay.
    const LockedFile held(scene.target.baseDir + L"lib\\Gravoa.lib");
    ASSERT_TRUE(held.held());
    EXPECT_EQ(kUninstallFailed, uninstallVc(scene.target));
    EXPECT_EQ("<missing>", disk.readFile(L"VS14\\VC\\include\\gravo.h"));
    EXPECT_EQ("lib_vc2015\\x86\\Gravoa.lib", disk.readFile(L"VS14\\VC\\lib\\Gravoa.lib"));
    EXPECT_EQ("lib_vc2015\\x64\\Gravow.lib", disk.readFile(L"VS14\\VC\\lib\\amd64\\Gravow.lib"));
  }

  // The desktop shortcut held open by another program.
  const std::wstring shortcut = helpShortcutPath();
  ASSERT_FALSE(shortcut.empty());
  ASSERT_EQ(L"", installDocs());
  {
    const LockedFile held(shortcut);
    ASSERT_TRUE(held.held());
    EXPECT_EQ(kDocsInstallFailed, installDocs());
    EXPECT_EQ(kUninstallFailed, uninstallDocs());
  }
  EXPECT_EQ(kUninstalled, uninstallDocs());
}

TEST(HostileFiles, DirectoriesWhereFilesBelong) {
  ScratchDir disk;
  VcScene scene(disk, disk.path() + L"VS14\\VC\\", L"setup");
  disk.makeDirs(L"VS14\\VC\\include\\graphics.h\\inside");
  const TreeSnapshot before(disk.path());
  EXPECT_EQ(kInstallFailed, installVcFrom(scene.target, scene.payload));
  // gravo.h went in before graphics.h failed; the directory is left whole.
  const std::vector<std::wstring> changed = TreeSnapshot::changes(before, TreeSnapshot(disk.path()));
  EXPECT_EQ(std::vector<std::wstring>{L"VS14\\VC\\include\\gravo.h"}, changed) << joined(changed);
  // That directory is no Gravo header: uninstall leaves it and removes the
  // rest.
  EXPECT_EQ(kUninstalled, uninstallVc(scene.target));
  EXPECT_FALSE(disk.exists(L"VS14\\VC\\include\\gravo.h"));
  EXPECT_TRUE(disk.exists(L"VS14\\VC\\include\\graphics.h\\inside"));

  // A payload file that is a directory.
  ScratchDir other;
  VcScene second(other, other.path() + L"VS14\\VC\\", L"setup");
  ASSERT_TRUE(DeleteFileW((second.payload + L"lib_vc2015\\x86\\Gravow.lib").c_str()));
  other.makeDirs(L"setup\\lib_vc2015\\x86\\Gravow.lib");
  EXPECT_EQ(kInstallFailed, installVcFrom(second.target, second.payload));
  EXPECT_FALSE(other.exists(L"VS14\\VC\\lib\\Gravow.lib"));

  // The toolset version file and the toolset's copies as directories: the
  // purge finds nothing to read or delete, and the install goes on.
  ScratchDir vs;
  CatalogueData data;
  VcTarget target = makeVcTarget(data, 2019);
  const std::wstring vc = layToolsetVc(vs, L"VS\\2019\\Community", L"14.29.30133", L"19_29");
  target.baseDir = vc + L"Auxiliary\\VS\\";
  target.includeSubdir = L"include\\";
  target.lib32Subdir = L"lib\\x86\\";
  target.lib64Subdir = L"lib\\x64\\";
  vs.makeDirs(L"VS\\2019\\Community\\VC\\Tools\\MSVC\\14.29.30133\\include\\gravo.h");
  const std::wstring payload = layPayload(vs, L"setup");
  EXPECT_EQ(L"", installVcFrom(target, payload));
  EXPECT_TRUE(vs.exists(L"VS\\2019\\Community\\VC\\Tools\\MSVC\\14.29.30133\\include\\gravo.h\\"));
  const std::wstring versionFile = vc + L"Auxiliary\\Build\\Microsoft.VCToolsVersion.default.txt";
  ASSERT_TRUE(DeleteFileW(versionFile.c_str()));
  ASSERT_TRUE(CreateDirectoryW(versionFile.c_str(), nullptr));
  EXPECT_EQ(L"", installVcFrom(target, payload));
  EXPECT_EQ(kUninstalled, uninstallVc(target));

  // The desktop shortcut's name taken by a directory.
  const std::wstring shortcut = helpShortcutPath();
  ASSERT_FALSE(shortcut.empty());
  ASSERT_TRUE(CreateDirectoryW(shortcut.c_str(), nullptr));
  EXPECT_EQ(kDocsInstallFailed, installDocs());
  EXPECT_EQ(kUninstallFailed, uninstallDocs());
  EXPECT_TRUE(RemoveDirectoryW(shortcut.c_str()));
}
