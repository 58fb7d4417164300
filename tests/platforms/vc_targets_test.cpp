#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "discovery/fixtures.h"
#include "discovery/text_match.h"
#include "platforms/vc_targets.h"
#include "vc_trees.h"

namespace {

// The DLL names this executable imports from at load time.
std::vector<std::string> staticImports() {
  const auto* base = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  std::vector<std::string> names;
  for (auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
       directory.VirtualAddress && import->Name; ++import) {
    std::string name = reinterpret_cast<const char*>(base + import->Name);
    for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    names.push_back(name);
  }
  return names;
}

struct Chosen {
  CatalogueData data;
  VcTarget target;
  PlatformEntry entry;
  explicit Chosen(int version) : target(makeVcTarget(data, version)) {}
  int detect(const std::wstring& dir, bool walkUp = true) {
    return detectVcInDirectory(dir, entry, target, walkUp);
  }
};

}  // namespace

TEST(VcTargets, FileVersionsMapToProductYears) {
  const struct {
    int fileVersion;
    int product;
  } cases[] = {{0, 0},       {99, 0},      {1200, 6},    {1500, 2008}, {1600, 2010},
               {1700, 2012}, {1800, 2013}, {1900, 2015}, {1909, 2015}, {1910, 2017},
               {1916, 2017}, {1920, 2019}, {1929, 2019}, {1930, 2022}, {1949, 2022},
               {1950, 2026}, {1999, 2026}, {1400, 1400}, {511, 511},   {2000, 2000}};
  for (const auto& c : cases) EXPECT_EQ(c.product, fileVersionToProduct(c.fileVersion)) << c.fileVersion;
}

TEST(VcTargets, CompilerVersionComesFromTheVersionResource) {
  // version.dll is loaded from the system directory when first needed,
  // never imported (a planted copy beside the program would be loaded).
  for (const std::string& name : staticImports()) EXPECT_NE("version.dll", name);

  const struct {
    const wchar_t* file;
    int product;
  } cases[] = {{L"12_0", 6},    {L"14_0", 1400},  {L"15_0", 2008},  {L"16_0", 2010},  {L"19_0", 2015},
               {L"19_9", 2015}, {L"19_16", 2017}, {L"19_29", 2019}, {L"19_30", 2022}, {L"19_50", 2026}};
  for (const auto& c : cases) EXPECT_EQ(c.product, clVersionOf(fakeCl(c.file))) << c.file;

  ScratchDir disk;
  EXPECT_EQ(0, clVersionOf(disk.writeFile(L"cl.exe", "MZ but no version")));
  EXPECT_EQ(0, clVersionOf(disk.path() + L"missing.exe"));
}

TEST(VcTargets, ChildDirectoriesAreFoundByNameOrPattern) {
  ScratchDir disk;
  disk.makeDirs(L"vs\\vc");
  disk.writeFile(L"files\\VC", "a file, not a folder");
  EXPECT_EQ(disk.path() + L"vs\\VC\\", findChildDirectory(disk.path() + L"vs\\", L"VC"));
  EXPECT_EQ(L"", findChildDirectory(disk.path() + L"files\\", L"VC"));
  EXPECT_EQ(L"", findChildDirectory(disk.path() + L"vs\\", L"VC98"));
  EXPECT_EQ(L"", findChildDirectory(disk.path() + L"absent\\", L"VC"));

  const std::wregex toolset = makePattern(kToolsetFolderPattern);
  disk.makeDirs(L"msvc\\14.29");
  disk.makeDirs(L"msvc\\v14.29.30133");
  disk.writeFile(L"msvc\\14.1.1", "a file");
  EXPECT_EQ(L"", findToolsetDirectory(disk.path() + L"msvc\\", toolset));
  disk.makeDirs(L"msvc\\14.29.30133");
  EXPECT_EQ(disk.path() + L"msvc\\14.29.30133\\", findToolsetDirectory(disk.path() + L"msvc\\", toolset));
}

TEST(VcTargets, ParentOrRootEndsAtTheRoot) {
  EXPECT_EQ(L"C:\\a", parentOrRoot(L"C:\\a\\b"));
  EXPECT_EQ(L"C:\\a", parentOrRoot(L"C:\\a\\b\\"));
  EXPECT_EQ(L"C:\\", parentOrRoot(L"C:\\a"));
  EXPECT_EQ(L"C:\\", parentOrRoot(L"C:\\"));
  EXPECT_EQ(L"d:\\", parentOrRoot(L"d:\\tools"));
  EXPECT_EQ(L"\\\\server\\share\\", parentOrRoot(L"\\\\server\\share\\dir"));
  EXPECT_EQ(L"a", parentOrRoot(L"a\\b"));
  EXPECT_EQ(L"", parentOrRoot(L"a"));
  EXPECT_EQ(L"", parentOrRoot(L""));
  EXPECT_EQ(L"C:\\", rootOf(L"C:\\a\\b"));
  EXPECT_EQ(L"\\\\server\\share\\", rootOf(L"\\\\server\\share\\dir"));
}

TEST(VcTargets, RecognisesEachLayoutInAChosenDirectory) {
  ScratchDir disk;
  const std::wstring vc98 = layVc6(disk, L"VS6", L"12_0");
  Chosen vc6(6);
  EXPECT_EQ(6, vc6.detect(disk.path() + L"VS6"));
  EXPECT_EQ(vc98, vc6.target.baseDir);
  EXPECT_EQ(L"lib\\", vc6.target.lib32Subdir);
  EXPECT_EQ(L"", vc6.target.lib64Subdir);
  EXPECT_EQ(L"头文件路径 " + vc98 + L"include\\", vc6.entry.includeLine);
  EXPECT_EQ(L"库文件路径 " + vc98 + L"lib\\", vc6.entry.libLine);

  const std::wstring vc9 = layVcFolder(disk, L"VS9", L"15_0");
  Chosen vs2008(2008);
  EXPECT_EQ(2008, vs2008.detect(disk.path() + L"VS9\\"));
  EXPECT_EQ(vc9, vs2008.target.baseDir);
  EXPECT_EQ(L"include\\", vs2008.target.includeSubdir);
  EXPECT_EQ(L"lib\\amd64\\", vs2008.target.lib64Subdir);
  EXPECT_EQ(L"库文件路径 " + vc9 + L"lib\\ " + vc9 + L"lib\\amd64\\", vs2008.entry.libLine);

  const std::wstring vc17 = layToolsetVc(disk, L"VS2017\\Enterprise", L"14.16.27023", L"19_16");
  Chosen vs2017(2017);
  EXPECT_EQ(2017, vs2017.detect(disk.path() + L"VS2017\\Enterprise"));
  EXPECT_EQ(vc17 + L"Auxiliary\\VS\\", vs2017.target.baseDir);
  EXPECT_EQ(L"lib\\x86\\", vs2017.target.lib32Subdir);
  EXPECT_EQ(L"lib\\x64\\", vs2017.target.lib64Subdir);
  const std::wstring aux = vc17 + L"Auxiliary\\VS\\";
  EXPECT_EQ(L"头文件路径 " + aux + L"include\\", vs2017.entry.includeLine);
  EXPECT_EQ(L"库文件路径 " + aux + L"lib\\x86\\ " + aux + L"lib\\x64\\", vs2017.entry.libLine);
}

TEST(VcTargets, FindsVisualStudio2019FromItsYearFolderOrAToolsetBinFolder) {
  ScratchDir disk;
  const std::wstring vc = layToolsetVc(disk, L"VS\\2019\\Community", L"14.29.30133", L"19_29");
  Chosen fromYear(2019);
  EXPECT_EQ(2019, fromYear.detect(disk.path() + L"VS\\2019"));
  EXPECT_EQ(disk.path() + L"VS\\2019\\community\\vc\\Auxiliary\\VS\\", fromYear.target.baseDir);

  Chosen fromBin(2019);
  EXPECT_EQ(2019, fromBin.detect(vc + L"Tools\\MSVC\\14.29.30133\\bin"));
  EXPECT_EQ(vc + L"Auxiliary\\VS\\", fromBin.target.baseDir);
  EXPECT_EQ(0, Chosen(2019).detect(vc + L"Tools\\MSVC\\14.29.30133\\bin", false));
}

TEST(VcTargets, AnotherVersionIsRefusedWhereItIsFound) {
  ScratchDir disk;
  layToolsetVc(disk, L"VS\\2022\\Community", L"14.30.30705", L"19_30");
  Chosen wrongYear(2019);
  wrongYear.target.baseDir = L"kept\\";
  EXPECT_EQ(-1, wrongYear.detect(disk.path() + L"VS\\2022\\Community"));
  EXPECT_EQ(L"kept\\", wrongYear.target.baseDir);
  EXPECT_EQ(L"", wrongYear.entry.includeLine);

  // 14.0 is no Visual C++ version of the catalogue; nothing above it is
  // searched once it is found.
  layVcFolder(disk, L"Old\\VS", L"14_0");
  layVcFolder(disk, L"Old", L"15_0");
  EXPECT_EQ(-1, Chosen(2008).detect(disk.path() + L"Old\\VS"));
  EXPECT_EQ(2008, Chosen(2008).detect(disk.path() + L"Old"));
}

TEST(VcTargets, VcFolderWithoutACompilerMovesOnToTheParent) {
  ScratchDir disk;
  // The edition folders beside an empty VC folder are not looked at; the
  // parent's are.
  disk.makeDirs(L"VS\\2019\\VC");
  layToolsetVc(disk, L"VS\\2019\\Community", L"14.29.30133", L"19_29");
  layToolsetVc(disk, L"VS\\Community", L"14.28.29333", L"19_29");
  Chosen chosen(2019);
  EXPECT_EQ(2019, chosen.detect(disk.path() + L"VS\\2019"));
  EXPECT_EQ(disk.path() + L"VS\\community\\vc\\Auxiliary\\VS\\", chosen.target.baseDir);

  EXPECT_EQ(0, Chosen(2019).detect(disk.makeDirs(L"nothing\\here")));
}

TEST(VcTargets, ValidationClearsWhatDoesNotExist) {
  ScratchDir disk;
  const std::wstring vc10 = layVcFolder(disk, L"VS10", L"16_0", false);
  Chosen noAmd64(2010);
  EXPECT_EQ(2010, noAmd64.detect(disk.path() + L"VS10"));
  EXPECT_EQ(vc10, noAmd64.target.baseDir);
  EXPECT_EQ(L"lib\\", noAmd64.target.lib32Subdir);
  EXPECT_EQ(L"", noAmd64.target.lib64Subdir);
  // The lines show what was recognised, before validation.
  EXPECT_EQ(L"库文件路径 " + vc10 + L"lib\\ " + vc10 + L"lib\\amd64\\", noAmd64.entry.libLine);

  disk.makeDirs(L"Bare\\VC\\bin");
  placeCl(L"19_0", disk.path() + L"Bare\\VC\\bin\\cl.exe");
  Chosen bare(2015);
  EXPECT_EQ(2015, bare.detect(disk.path() + L"Bare"));
  EXPECT_EQ(L"", bare.target.baseDir);
  EXPECT_EQ(L"", bare.target.includeSubdir);
  EXPECT_EQ(L"", bare.target.lib32Subdir);
  EXPECT_EQ(L"", bare.target.lib64Subdir);
}
