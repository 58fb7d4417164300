#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "discovery/fixtures.h"
#include "platforms/addresses.h"
#include "platforms/catalogue.h"
#include "platforms/install_ops.h"
#include "vc_trees.h"

namespace {

const std::wstring kWowUninstall = L"Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::wstring kWowSxs = L"Software\\WOW6432Node\\Microsoft\\VisualStudio\\SxS\\VC7";
const std::wstring kDevStudio =
    L"Software\\Microsoft\\DevStudio\\6.0\\Build System\\Components\\Platforms\\Win32 (x86)\\Directories";
const std::wstring kEnvironment = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

std::vector<std::wstring> labels(const std::vector<PlatformEntry*>& entries) {
  std::vector<std::wstring> result;
  for (const PlatformEntry* entry : entries)
    result.push_back(entry->label + (entry->detected ? L" +" : L" -"));
  return result;
}

const PlatformEntry& entryLabelled(const CatalogueData& data, const std::wstring& label) {
  for (const PlatformEntry* entry : data.shownEntries) {
    if (entry->label == label) return *entry;
  }
  static const PlatformEntry none;
  ADD_FAILURE() << "no entry";
  return none;
}

void addVisualStudio(RegistryFixture& registry, const std::wstring& key, const std::wstring& displayName,
                     const std::wstring& location) {
  registry.setString(HKEY_LOCAL_MACHINE, kWowUninstall + key, L"DisplayName", displayName);
  registry.setString(HKEY_LOCAL_MACHINE, kWowUninstall + key, L"InstallLocation", location);
}

}  // namespace

TEST(Catalogue, BareMachineShowsEveryEntryUndetected) {
  CatalogueData data;
  buildCatalogue(data);
  const std::vector<std::wstring> expected = {
      L"  Gravo 文档 +",      L"  Visual C++ 6.0 -",  L"  Visual C++ 2008 -", L"  Visual C++ 2010 -",
      L"  Visual C++ 2012 -", L"  Visual C++ 2013 -", L"  Visual C++ 2015 -", L"  Visual C++ 2017 -",
      L"  Visual C++ 2019 -", L"  Visual C++ 2022 -", L"  Visual C++ 2026 -", L"  DevCpp -",
      L"  CLion -",           L"  CodeBlocks -",      L"  其它 MinGW -"};
  EXPECT_EQ(expected, labels(data.shownEntries));
  EXPECT_TRUE(data.detectedEntries.empty());
  EXPECT_EQ(13u, data.undetectedEntries.size());

  const PlatformEntry& docs = *data.shownEntries.front();
  EXPECT_EQ(-1, docs.index);
  EXPECT_EQ(std::wstring(L"在线文档 ") + kDocumentationUrl, docs.includeLine);
  EXPECT_EQ(L"桌面路径 " + desktopFolder(), docs.libLine);
  for (size_t i = 1; i < data.shownEntries.size(); ++i) {
    const PlatformEntry& entry = *data.shownEntries[i];
    EXPECT_EQ(L"（未检测到）", entry.statusText);
    EXPECT_EQ(i > 10, entry.isMingw);
    EXPECT_EQ(i <= 10 ? static_cast<int>(i) - 1 : entry.index, entry.index);
  }
  EXPECT_EQ(4, data.shownEntries.back()->index);
  for (const VcTarget& target : data.vcTargets)
    EXPECT_EQ(L"", target.baseDir + target.includeSubdir + target.lib32Subdir + target.lib64Subdir);
  EXPECT_EQ(nullptr, data.vcTargets[0].lib64Set);
  EXPECT_EQ(&data.vc2008X64Pair, data.vcTargets[4].lib64Set);
  EXPECT_EQ(&data.vc2015X86Pair, data.vcTargets[5].lib32Set);
  EXPECT_EQ(L"  VSCode", data.mingwTargets[3].label);
}

TEST(Catalogue, DeveloperMachineListsWhatIsInstalled) {
  RegistryFixture registry;
  ScratchDir disk;
  registry.setString(HKEY_LOCAL_MACHINE, kEnvironment, L"PROCESSOR_ARCHITECTURE", L"AMD64");

  const std::wstring vc98 = layVc6(disk, L"VS6", L"12_0");
  registry.setString(HKEY_CURRENT_USER, kDevStudio, L"Library Dirs",
                     disk.path() + L"VS6\\VC98\\LIB;" + disk.path() + L"VS6\\VC98\\MFC\\LIB");
  const std::wstring vc9 = layVcFolder(disk, L"VS9", L"15_0");
  const std::wstring vc10 = layVcFolder(disk, L"VS10", L"16_0", false);
  const std::wstring vc12 = disk.makeDirs(L"VS12\\VC\\include");
  const std::wstring vc14 = layVcFolder(disk, L"VS14", L"19_0");
  registry.setString(HKEY_LOCAL_MACHINE, kWowSxs, L"9.0", vc9);
  registry.setString(HKEY_LOCAL_MACHINE, kWowSxs, L"10.0", vc10);
  registry.setString(HKEY_LOCAL_MACHINE, kWowSxs, L"12.0", disk.path() + L"VS12\\VC\\");
  registry.setString(HKEY_LOCAL_MACHINE, kWowSxs, L"14.0", vc14);

  const std::wstring vc17 = layToolsetVc(disk, L"VS\\2017\\Enterprise", L"14.16.27023", L"19_16");
  const std::wstring vc19 = layToolsetVc(disk, L"VS\\2019\\Professional", L"14.29.30133", L"19_29");
  const std::wstring vc22 = layToolsetVc(disk, L"VS\\2022\\Community", L"14.30.30705", L"19_30");
  layToolsetVc(disk, L"VS\\2017b\\Community", L"14.16.27023", L"19_16");
  addVisualStudio(registry, L"GravoTest.1", L"Visual Studio Community 2017 (2)",
                  disk.path() + L"VS\\2017b\\Community");
  addVisualStudio(registry, L"GravoTest.2", L"Visual Studio Community 2022",
                  disk.path() + L"VS\\2022\\Community");
  addVisualStudio(registry, L"GravoTest.3", L"Visual Studio Professional 2019 (2)",
                  disk.path() + L"VS\\2019\\Professional");
  addVisualStudio(registry, L"GravoTest.4", L"Visual Studio Enterprise 2017",
                  disk.path() + L"VS\\2017\\Enterprise");
  addVisualStudio(registry, L"GravoTest.5", L"Microsoft Visual Studio Installer",
                  disk.path() + L"VS\\Installer");

  const std::vector<std::wstring> expected = {
      L"  Gravo 文档 +",      L"  Visual C++ 6.0 +",  L"  Visual C++ 2008 +", L"  Visual C++ 2010 +",
      L"  Visual C++ 2015 +", L"  Visual C++ 2017 +", L"  Visual C++ 2019 +", L"  Visual C++ 2022 +",
      L"  Visual C++ 2012 -", L"  Visual C++ 2013 -", L"  Visual C++ 2026 -", L"  DevCpp -",
      L"  CLion -",           L"  CodeBlocks -",      L"  其它 MinGW -"};
  for (const wchar_t* architecture : {L"AMD64", L"x86"}) {
    // On a 64-bit machine both key paths lead the 32-bit wizard to the
    // same entries.
    registry.setString(HKEY_LOCAL_MACHINE, kEnvironment, L"PROCESSOR_ARCHITECTURE", architecture);
    CatalogueData data;
    buildCatalogue(data);
    EXPECT_EQ(expected, labels(data.shownEntries)) << architecture;
  }

  CatalogueData data;
  buildCatalogue(data);
  EXPECT_EQ(L"头文件路径 " + vc98 + L"include\\", entryLabelled(data, L"  Visual C++ 6.0").includeLine);
  EXPECT_EQ(L"库文件路径 " + vc98 + L"Lib\\", entryLabelled(data, L"  Visual C++ 6.0").libLine);
  EXPECT_EQ(L"", data.vcTargets[0].lib64Subdir);
  EXPECT_EQ(L"库文件路径 " + vc9 + L"lib\\ " + vc9 + L"lib\\amd64\\",
            entryLabelled(data, L"  Visual C++ 2008").libLine);
  // 2010 without its x64 libraries stays, with the x86 directory only.
  EXPECT_EQ(L"库文件路径 " + vc10 + L"lib\\", entryLabelled(data, L"  Visual C++ 2010").libLine);
  EXPECT_EQ(vc10, data.vcTargets[2].baseDir);
  EXPECT_EQ(L"", data.vcTargets[2].lib64Subdir);
  // 2013 has headers but no libraries: not installed, nothing kept.
  EXPECT_EQ(L"", data.vcTargets[4].baseDir + data.vcTargets[4].includeSubdir + data.vcTargets[4].lib32Subdir);
  const std::wstring aux19 = vc19 + L"Auxiliary\\VS\\";
  EXPECT_EQ(L"头文件路径 " + aux19 + L"include\\", entryLabelled(data, L"  Visual C++ 2019").includeLine);
  EXPECT_EQ(L"库文件路径 " + aux19 + L"lib\\x86\\ " + aux19 + L"lib\\x64\\",
            entryLabelled(data, L"  Visual C++ 2019").libLine);
  EXPECT_EQ(vc17 + L"Auxiliary\\VS\\", data.vcTargets[6].baseDir);
  EXPECT_EQ(vc22 + L"Auxiliary\\VS\\", data.vcTargets[8].baseDir);
  EXPECT_EQ(L"lib\\x64\\", data.vcTargets[8].lib64Subdir);
  EXPECT_EQ(7, entryLabelled(data, L"  Visual C++ 2019").index);
}
