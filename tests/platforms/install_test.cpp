#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "discovery/fixtures.h"
#include "platforms/file_ops.h"
#include "platforms/install_ops.h"
#include "vc_trees.h"

namespace {

using Files = std::vector<std::wstring>;

const Files kHeaders = {L"graphics.h", L"gravo.h"};
const Files kLibraries = {L"Gravoa.lib", L"Gravow.lib"};

// A target pointing at an installation in disk, as detection leaves it.
VcTarget installedAt(const CatalogueData& data, int version, const std::wstring& baseDir,
                     const std::wstring& lib32Subdir, const std::wstring& lib64Subdir) {
  VcTarget target = makeVcTarget(data, version);
  target.baseDir = baseDir;
  target.includeSubdir = L"include\\";
  target.lib32Subdir = lib32Subdir;
  target.lib64Subdir = lib64Subdir;
  return target;
}

// Restores the current directory when a test that changes it ends.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::wstring& dir) {
    GetCurrentDirectoryW(MAX_PATH, saved_);
    EXPECT_TRUE(SetCurrentDirectoryW(dir.c_str()));
  }
  ~CurrentDirectory() { SetCurrentDirectoryW(saved_); }

 private:
  wchar_t saved_[MAX_PATH] = {};
};

}  // namespace

TEST(InstallVc, CopiesTheVersionsPayloadAndOverwritesOnASecondInstall) {
  ScratchDir disk;
  CatalogueData data;
  const std::wstring payload = layPayload(disk, L"setup");
  const std::wstring vc = layVcFolder(disk, L"VS14", L"19_0");
  const VcTarget target = installedAt(data, 2015, vc, L"lib\\", L"lib\\amd64\\");

  EXPECT_EQ(L"", installVcFrom(target, payload));
  EXPECT_EQ(kHeaders, disk.filesIn(L"VS14\\VC\\include\\"));
  EXPECT_EQ("include\\gravo.h", disk.readFile(L"VS14\\VC\\include\\gravo.h"));
  EXPECT_EQ(kLibraries, disk.filesIn(L"VS14\\VC\\lib\\"));
  EXPECT_EQ("lib_vc2015\\x86\\Gravow.lib", disk.readFile(L"VS14\\VC\\lib\\Gravow.lib"));
  EXPECT_EQ(kLibraries, disk.filesIn(L"VS14\\VC\\lib\\amd64\\"));
  EXPECT_EQ("lib_vc2015\\x64\\Gravoa.lib", disk.readFile(L"VS14\\VC\\lib\\amd64\\Gravoa.lib"));

  // An older Gravo graphics.h is replaced like any file of its own: no
  // copy is kept.
  disk.writeFile(L"VS14\\VC\\lib\\amd64\\Gravoa.lib", "stale");
  disk.writeFile(L"VS14\\VC\\include\\graphics.h", gravoHeaderText("older Gravo"));
  EXPECT_EQ(L"", installVcFrom(target, payload));
  EXPECT_EQ("lib_vc2015\\x64\\Gravoa.lib", disk.readFile(L"VS14\\VC\\lib\\amd64\\Gravoa.lib"));
  EXPECT_EQ(gravoHeaderText("include\\graphics.h"), disk.readFile(L"VS14\\VC\\include\\graphics.h"));
  EXPECT_EQ(kHeaders, disk.filesIn(L"VS14\\VC\\include\\"));

  EXPECT_EQ(L"卸载成功", uninstallVc(target));
  EXPECT_EQ(Files{}, disk.filesIn(L"VS14\\VC\\include\\"));
  EXPECT_EQ(Files{}, disk.filesIn(L"VS14\\VC\\lib\\"));
  EXPECT_EQ(Files{}, disk.filesIn(L"VS14\\VC\\lib\\amd64\\"));
  // Nothing left to delete: the first header fails.
  EXPECT_EQ(L"卸载失败", uninstallVc(target));
}

TEST(InstallVc, TouchesOnlyTheDirectoriesTheTargetHas) {
  ScratchDir disk;
  CatalogueData data;
  const std::wstring payload = layPayload(disk, L"setup");

  // Without an x64 library directory: four files in, four out.
  const std::wstring vc10 = layVcFolder(disk, L"VS10", L"16_0", false);
  const VcTarget vs2010 = installedAt(data, 2010, vc10, L"lib\\", L"");
  EXPECT_EQ(L"", installVcFrom(vs2010, payload));
  EXPECT_EQ(kHeaders, disk.filesIn(L"VS10\\VC\\include\\"));
  EXPECT_EQ("lib_vc2008\\x86\\Gravoa.lib", disk.readFile(L"VS10\\VC\\lib\\Gravoa.lib"));
  EXPECT_EQ(L"卸载成功", uninstallVc(vs2010));
  EXPECT_EQ(Files{}, disk.filesIn(L"VS10\\VC\\lib\\"));

  // 6.0 has no x64 libraries, whatever its fields say.
  const std::wstring vc98 = layVc6(disk, L"VS6", L"12_0");
  disk.makeDirs(L"VS6\\VC98\\x64");
  const VcTarget vc6 = installedAt(data, 6, vc98, L"Lib\\", L"x64\\");
  EXPECT_EQ(L"", installVcFrom(vc6, payload));
  EXPECT_EQ(kHeaders, disk.filesIn(L"VS6\\VC98\\include\\"));
  EXPECT_EQ("lib_vc6\\Gravow.lib", disk.readFile(L"VS6\\VC98\\Lib\\Gravow.lib"));
  EXPECT_EQ(Files{}, disk.filesIn(L"VS6\\VC98\\x64\\"));
  EXPECT_EQ(L"卸载成功", uninstallVc(vc6));
}

TEST(InstallVc, StopsAtAMissingPayloadFile) {
  ScratchDir disk;
  CatalogueData data;
  const std::wstring payload = layPayload(disk, L"setup");
  ASSERT_TRUE(DeleteFileW((payload + L"lib_vc2015\\x86\\Gravoa.lib").c_str()));
  const std::wstring vc = layVcFolder(disk, L"VS14", L"19_0");
  const VcTarget target = installedAt(data, 2015, vc, L"lib\\", L"lib\\amd64\\");
  EXPECT_EQ(L"安装失败", installVcFrom(target, payload));
  EXPECT_EQ(kHeaders, disk.filesIn(L"VS14\\VC\\include\\"));
  EXPECT_EQ(Files{}, disk.filesIn(L"VS14\\VC\\lib\\"));
  EXPECT_EQ(Files{}, disk.filesIn(L"VS14\\VC\\lib\\amd64\\"));

  // Uninstall counts the files that never arrived as removed and goes on
  // to the rest.
  disk.writeFile(L"VS14\\VC\\lib\\amd64\\Gravoa.lib", "x64");
  EXPECT_EQ(L"卸载成功", uninstallVc(target));
  EXPECT_EQ(Files{}, disk.filesIn(L"VS14\\VC\\include\\"));
  EXPECT_EQ(Files{}, disk.filesIn(L"VS14\\VC\\lib\\amd64\\"));
}

TEST(InstallVc, AnotherLibrarysGraphicsHIsKeptAndGivenBack) {
  ScratchDir disk;
  CatalogueData data;
  const std::wstring payload = layPayload(disk, L"setup");
  const VcTarget target =
      installedAt(data, 2015, layVcFolder(disk, L"VS14", L"19_0"), L"lib\\", L"lib\\amd64\\");
  const std::wstring header = L"VS14\\VC\\include\\graphics.h";
  const std::wstring kept = header + L".before-gravo";
  const std::string bgi("/* BGI */\r\n#include <windows.h>\r\n\xff\x00\xfe", 36);
  disk.writeFile(header, bgi);

  // Gravo was never installed: nothing of it is there, the header stays.
  EXPECT_EQ(L"卸载失败", uninstallVc(target));
  EXPECT_EQ(bgi, disk.readFile(header));
  // A copy that fails puts the header back where it was.
  const std::wstring source = payload + L"include\\graphics.h";
  ASSERT_TRUE(MoveFileW(source.c_str(), (source + L".away").c_str()));
  EXPECT_EQ(L"安装失败", installVcFrom(target, payload));
  EXPECT_EQ(kHeaders, disk.filesIn(L"VS14\\VC\\include\\"));
  EXPECT_EQ(bgi, disk.readFile(header));
  ASSERT_TRUE(MoveFileW((source + L".away").c_str(), source.c_str()));

  EXPECT_EQ(L"", installVcFrom(target, payload));
  EXPECT_TRUE(isGravoHeader(disk.path() + header));
  EXPECT_EQ(bgi, disk.readFile(kept));
  EXPECT_EQ(L"", installVcFrom(target, payload));
  EXPECT_EQ(bgi, disk.readFile(kept));
  EXPECT_EQ(L"卸载成功", uninstallVc(target));
  EXPECT_EQ(Files{L"graphics.h"}, disk.filesIn(L"VS14\\VC\\include\\"));
  EXPECT_EQ(bgi, disk.readFile(header));
  EXPECT_EQ(L"卸载失败", uninstallVc(target));
  EXPECT_EQ(bgi, disk.readFile(header));

  // A third header put over Gravo's: neither it nor the kept one is
  // replaced, and both outlast the uninstall.
  EXPECT_EQ(L"", installVcFrom(target, payload));
  disk.writeFile(header, "a third library");
  EXPECT_EQ(L"安装失败", installVcFrom(target, payload));
  EXPECT_EQ(L"卸载成功", uninstallVc(target));
  EXPECT_EQ("a third library", disk.readFile(header));
  EXPECT_EQ(bgi, disk.readFile(kept));
}

TEST(InstallVc, TargetWithoutDirectoriesTouchesNothing) {
  // Validation after a manual recognition may leave the sub-directories
  // set and the base empty; relative paths would land in the current
  // directory.
  ScratchDir disk;
  CatalogueData data;
  const std::wstring payload = layPayload(disk, L"setup");
  disk.makeDirs(L"cwd\\lib\\x64");
  disk.writeFile(L"cwd\\include\\gravo.h", "someone else's header");
  disk.writeFile(L"cwd\\include\\graphics.h", "someone else's header");
  const CurrentDirectory inScratch(disk.path() + L"cwd");
  const VcTarget target = installedAt(data, 2022, L"", L"lib\\x86\\", L"lib\\x64\\");

  EXPECT_EQ(L"安装失败", installVcFrom(target, payload));
  EXPECT_EQ(Files{}, disk.filesIn(L"cwd\\lib\\x64\\"));
  EXPECT_EQ("someone else's header", disk.readFile(L"cwd\\include\\gravo.h"));
  EXPECT_EQ(L"卸载失败", uninstallVc(target));
  EXPECT_EQ(kHeaders, disk.filesIn(L"cwd\\include\\"));

  const VcTarget found = installedAt(data, 2022, disk.path() + L"cwd\\", L"lib\\x86\\", L"lib\\x64\\");
  EXPECT_EQ(L"安装失败", installVcFrom(found, L""));
}

TEST(InstallVc, PurgesTheToolsetCopiesOf2017And2019) {
  ScratchDir disk;
  CatalogueData data;
  const std::wstring payload = layPayload(disk, L"setup");
  const std::wstring vc = layToolsetVc(disk, L"VS2017\\Enterprise", L"14.16.27023", L"19_16");
  const std::wstring tools = L"VS2017\\Enterprise\\VC\\Tools\\MSVC\\14.16.27023\\";
  for (const wchar_t* copy : {L"include\\gravo.h", L"include\\graphics.h", L"lib\\x86\\Gravoa.lib",
                              L"lib\\x86\\Gravow.lib", L"lib\\x64\\Gravoa.lib", L"lib\\x64\\Gravow.lib"})
    disk.writeFile(tools + copy, gravoHeaderText("old copy"));
  disk.writeFile(tools + L"include\\vector", "the toolset's own");
  const VcTarget target = installedAt(data, 2017, vc + L"Auxiliary\\VS\\", L"lib\\x86\\", L"lib\\x64\\");

  EXPECT_EQ(L"", installVcFrom(target, payload));
  EXPECT_EQ(Files{L"vector"}, disk.filesIn(tools + L"include\\"));
  EXPECT_EQ(Files{}, disk.filesIn(tools + L"lib\\x86\\"));
  EXPECT_EQ(Files{}, disk.filesIn(tools + L"lib\\x64\\"));
  EXPECT_EQ(kHeaders, disk.filesIn(L"VS2017\\Enterprise\\VC\\Auxiliary\\VS\\include\\"));

  // Uninstall purges as well, sparing another library's graphics.h.
  disk.writeFile(tools + L"lib\\x64\\Gravow.lib", "old copy");
  disk.writeFile(tools + L"include\\graphics.h", "BGI");
  EXPECT_EQ(L"卸载成功", uninstallVc(target));
  EXPECT_EQ(Files{}, disk.filesIn(tools + L"lib\\x64\\"));
  EXPECT_EQ("BGI", disk.readFile(tools + L"include\\graphics.h"));

  // Only a base ending exactly in "\Auxiliary\VS\" has a toolset tree.
  disk.writeFile(tools + L"include\\gravo.h", "old copy");
  VcTarget otherCase = target;
  otherCase.baseDir = vc + L"auxiliary\\vs\\";
  EXPECT_EQ(L"", installVcFrom(otherCase, payload));
  EXPECT_TRUE(disk.exists(tools + L"include\\gravo.h"));

  // Nor has 2022.
  const std::wstring vc22 = layToolsetVc(disk, L"VS2022\\Community", L"14.30.30705", L"19_30");
  const std::wstring tools22 = L"VS2022\\Community\\VC\\Tools\\MSVC\\14.30.30705\\";
  disk.writeFile(tools22 + L"include\\gravo.h", "old copy");
  EXPECT_EQ(L"",
            installVcFrom(installedAt(data, 2022, vc22 + L"Auxiliary\\VS\\", L"lib\\x86\\", L"lib\\x64\\"),
                          payload));
  EXPECT_TRUE(disk.exists(tools22 + L"include\\gravo.h"));
}

TEST(InstallVc, PurgeFollowsOnlyAToolsetFolderName) {
  ScratchDir disk;
  CatalogueData data;
  const std::wstring vc = layToolsetVc(disk, L"VS2019\\Community", L"14.29.30133", L"19_29");
  const VcTarget target = installedAt(data, 2019, vc + L"Auxiliary\\VS\\", L"lib\\x86\\", L"lib\\x64\\");
  const std::wstring versionFile =
      L"VS2019\\Community\\VC\\Auxiliary\\Build\\Microsoft.VCToolsVersion.default.txt";
  // Where a line climbing out of Tools\MSVC\ would lead.
  const std::wstring outside = L"VS2019\\Community\\Escape\\include\\gravo.h";
  const std::wstring toolsetCopy = L"VS2019\\Community\\VC\\Tools\\MSVC\\14.29.30133\\include\\gravo.h";

  for (const char* line :
       {"..\\..\\..\\Escape", "14.29.30133\\..\\..\\..\\..\\Escape", "14.29", "14.29.30133.1", ""}) {
    disk.writeFile(versionFile, std::string(line) + "\r\n");
    disk.writeFile(outside, "not ours");
    disk.writeFile(toolsetCopy, "old copy");
    purgeToolsetCopies(target);
    EXPECT_TRUE(disk.exists(outside)) << line;
    EXPECT_TRUE(disk.exists(toolsetCopy)) << line;
  }

  disk.writeFile(versionFile, " 14.29.30133\t\r\n");
  purgeToolsetCopies(target);
  EXPECT_FALSE(disk.exists(toolsetCopy));
  EXPECT_TRUE(disk.exists(outside));

  // A toolset that is gone, or no version file at all: nothing happens.
  disk.writeFile(versionFile, "14.29.99999\n");
  purgeToolsetCopies(target);
  ASSERT_TRUE(DeleteFileW((disk.path() + versionFile).c_str()));
  purgeToolsetCopies(target);
  EXPECT_TRUE(disk.exists(outside));
}

TEST(InstallVc, InstallsFromBesideTheExecutable) {
  ScratchDir disk;
  CatalogueData data;
  const std::wstring exeDir = setupDir();
  ASSERT_TRUE(pathExists(exeDir + L"platforms_tests.exe"));
  // The payload sits beside this test executable for this test only.
  struct PayloadBesideExe {
    std::wstring dir;
    ~PayloadBesideExe() {
      for (const PayloadFile& file : payloadTable())
        DeleteFileW((dir + file.sourceSubdir + file.fileName).c_str());
      for (const wchar_t* sub : {L"lib_vc2015\\x64", L"lib_vc2015\\x86", L"lib_vc2015", L"lib_vc2008\\x64",
                                 L"lib_vc2008\\x86", L"lib_vc2008", L"lib_vc6", L"include"})
        RemoveDirectoryW((dir + sub).c_str());
    }
  } beside{exeDir};
  for (const PayloadFile& file : payloadTable()) {
    for (const std::wstring& part :
         {file.sourceSubdir.substr(0, file.sourceSubdir.find(L'\\')), file.sourceSubdir})
      CreateDirectoryW((exeDir + part).c_str(), nullptr);
    const std::wstring source = exeDir + file.sourceSubdir + file.fileName;
    ASSERT_TRUE(CopyFileW(disk.writeFile(L"one", "payload").c_str(), source.c_str(), FALSE));
  }
  const std::wstring vc = layToolsetVc(disk, L"VS2026\\Community", L"14.50.35717", L"19_50");
  const VcTarget target = installedAt(data, 2026, vc + L"Auxiliary\\VS\\", L"lib\\x86\\", L"lib\\x64\\");
  EXPECT_EQ(L"", installVc(target));
  EXPECT_EQ(kLibraries, disk.filesIn(L"VS2026\\Community\\VC\\Auxiliary\\VS\\lib\\x64\\"));
}
