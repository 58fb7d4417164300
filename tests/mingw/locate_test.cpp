// Finding the MinGW root and target directory in real product layouts.
#include "mingw/mingw_layouts.h"
#include "mingw/toolchain_probe.h"

#include <gtest/gtest.h>

using namespace mingwtest;

namespace {

struct Located {
  bool found;
  ToolchainProbe probe;
};

Located locate(const std::wstring& dir) {
  Located result{};
  result.found = locateMingw(dir, result.probe);
  return result;
}

}  // namespace

TEST(LocateMingw, ChosenMingwW64RootIsItsOwnRoot) {
  ScratchDir scratch;
  const std::wstring root = mingwW64Root(scratch.path(), L"msys2-ucrt64-12.2.0.txt");
  // Without the trailing backslash, as the folder chooser gives it.
  const Located at = locate(root.substr(0, root.size() - 1));
  ASSERT_TRUE(at.found);
  EXPECT_EQ(at.probe.rootDir, root);
  EXPECT_EQ(at.probe.targetDir, root + L"x86_64-w64-mingw32\\");
  EXPECT_EQ(at.probe.triple, L"x86_64-w64-mingw32");
  EXPECT_EQ(at.probe.bits, 64);
}

TEST(LocateMingw, IdeDirectoriesHoldingTheirToolchain) {
  ScratchDir scratch;
  const std::wstring devCpp = devCppLayout(scratch.path());
  const Located dev = locate(devCpp);
  ASSERT_TRUE(dev.found);
  EXPECT_EQ(dev.probe.rootDir, devCpp + L"MinGW64\\");
  EXPECT_EQ(dev.probe.targetDir, devCpp + L"MinGW64\\x86_64-w64-mingw32\\");

  const std::wstring codeBlocks = codeBlocksLayout(scratch.path());
  const Located cb = locate(codeBlocks);
  ASSERT_TRUE(cb.found);
  EXPECT_EQ(cb.probe.rootDir, codeBlocks + L"MinGW\\");
  EXPECT_EQ(cb.probe.bits, 64);

  // CLion: found from its bin directory and from the directory above it.
  const std::wstring clionBin = clionLayout(scratch.path());
  const std::wstring clion = clionBin.substr(0, clionBin.size() - 4);
  for (const std::wstring& dir : {clionBin, clion}) {
    const Located at = locate(dir);
    ASSERT_TRUE(at.found);
    EXPECT_EQ(at.probe.rootDir, clionBin + L"mingw\\");
    EXPECT_EQ(at.probe.targetDir, clionBin + L"mingw\\x86_64-w64-mingw32\\");
  }
}

TEST(LocateMingw, ThirtyTwoBitLayouts) {
  ScratchDir scratch;
  const std::wstring i686 = i686Root(scratch.path());
  const Located w64 = locate(i686);
  ASSERT_TRUE(w64.found);
  EXPECT_EQ(w64.probe.rootDir, i686);
  EXPECT_EQ(w64.probe.triple, L"i686-w64-mingw32");
  EXPECT_EQ(w64.probe.targetDir, i686 + L"i686-w64-mingw32\\");
  EXPECT_EQ(w64.probe.bits, 32);
}

TEST(LocateMingw, OldMingwWithAndWithoutMingw32Include) {
  ScratchDir bare;
  const std::wstring root = oldMingwLayout(bare.path(), false);
  for (const std::wstring& dir : {root, bare.path()}) {
    const Located at = locate(dir);
    ASSERT_TRUE(at.found);
    EXPECT_EQ(at.probe.triple, L"mingw32");
    EXPECT_EQ(at.probe.bits, 32);
    EXPECT_EQ(at.probe.rootDir, root);
    EXPECT_EQ(at.probe.targetDir, root);
  }

  ScratchDir withInclude;
  const std::wstring root2 = oldMingwLayout(withInclude.path(), true);
  const Located at = locate(root2);
  ASSERT_TRUE(at.found);
  EXPECT_EQ(at.probe.targetDir, root2 + L"mingw32\\");
}

TEST(LocateMingw, ChosenDirectoryNamedMingw32MakesEveryCandidateMingw32) {
  ScratchDir scratch;
  const std::wstring chosen = scratch.path() + L"mingw32-tools\\";
  const std::wstring inner = mingwW64Root(chosen, L"msys2-ucrt64-12.2.0.txt", L"MinGW64");
  const Located at = locate(chosen);
  ASSERT_TRUE(at.found);
  EXPECT_EQ(at.probe.triple, L"mingw32");
  EXPECT_EQ(at.probe.rootDir, chosen);
  EXPECT_EQ(at.probe.targetDir, inner);
}

TEST(LocateMingw, NothingToFind) {
  ScratchDir scratch;
  EXPECT_FALSE(locate(L"").found);
  EXPECT_FALSE(locate(scratch.path()).found);
  EXPECT_FALSE(locate(scratch.path() + L"missing").found);
  // A mingw directory without any target directory.
  makeDirs(scratch.path() + L"mingw-w64\\bin");
  EXPECT_FALSE(locate(scratch.path()).found);
  // Files are not candidates.
  ScratchDir files;
  writeFile(files.path() + L"x86_64-w64-mingw32-gcc.exe", "MZ");
  EXPECT_FALSE(locate(files.path()).found);
}
