// Choosing the payload folder, and pointing a target at a real toolchain
// whose stand-in gcc runs.
#include "mingw/lib_variant.h"
#include "mingw/mingw_layouts.h"
#include "mingw/toolchain_probe.h"

#include <gtest/gtest.h>

using namespace mingwtest;

namespace {

struct VariantCase {
  int devcppVersion;
  const wchar_t* crt;
  int gccVersion;
  int result;
  const wchar_t* variant;  // expected libVariantDir ("previous" when unchanged)
};

}  // namespace

TEST(SelectLibVariant, DecisionTable) {
  const VariantCase cases[] = {
      {409, L"_ucrt", 1320, kMingwRefused, L"previous"},
      {510, L"_msvcrt", 810, kMingwRefused, L"previous"},
      {511, L"_msvcrt", 492, kMingwFound, L"lib_mingw_492"},
      {511, L"_ucrt", 1320, kMingwFound, L"lib_mingw_492"},
      {603, L"_msvcrt", 0, kMingwFound, L"lib_mingw_492"},
      {0, L"_ucrt", 900, kMingwFound, L"lib_mingw_ucrt"},
      {0, L"_UCRT", 1030, kMingwFound, L"lib_mingw_ucrt"},
      {0, L"_ucrt", 810, kMingwRefused, L"previous"},
      {0, L"_msvcrt", 810, kMingwFound, L"lib_mingw_msvcrt"},
      {0, L"_msvcrt", 809, kMingwRefused, L"previous"},
      {0, L"_msvcrt", kUnreadableGccVersion, kMingwRefused, L"previous"},
  };
  for (const VariantCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.devcppVersion) + " " + std::to_string(c.gccVersion));
    PlatformEntry entry;
    entry.detected = true;
    entry.statusText = L"before";
    MingwTarget target;
    target.libVariantDir = L"previous";
    EXPECT_EQ(selectLibVariant(entry, target, 64, L"_seh", c.crt, L"_posix", c.devcppVersion, c.gccVersion),
              c.result);
    EXPECT_EQ(target.libVariantDir, c.variant);
    EXPECT_EQ(entry.detected, c.result == kMingwFound);
    if (c.result == kMingwFound) {
      EXPECT_EQ(entry.statusText, L"before");
    }
  }
}

TEST(SelectLibVariant, RefusalTexts) {
  PlatformEntry entry;
  MingwTarget target;
  selectLibVariant(entry, target, 32, L"_dwarf", L"_msvcrt", L"_posix", 0, 630);
  EXPECT_EQ(entry.statusText, L"不支持的 i686_posix_dwarf_msvcrt");
  selectLibVariant(entry, target, 64, L"unkonw-ex", L"_ucrt", L"_mcf", 0, 810);
  EXPECT_EQ(entry.statusText, L"不支持的 x86_64_mcfunkonw-ex_ucrt");
  selectLibVariant(entry, target, 64, L"_seh", L"_ucrt", L"_mcf", 409, 1320);
  EXPECT_EQ(entry.statusText, L"（DevCPP 不再支持低于 5.11 的版本）");
}

class DetectMingwAt : public ::testing::Test {
 protected:
  DetectMingwAt() { labelMingwTargets(data); }
  MingwTarget& target(int kind) { return data.mingwTargets[static_cast<std::size_t>(kind)]; }

  ScratchDir scratch;
  CatalogueData data;
};

TEST_F(DetectMingwAt, DevCpp511GetsTheGcc492BuildInBothLibraryDirectories) {
  const std::wstring devCpp = devCppLayout(scratch.path());
  PlatformEntry* entry = nullptr;
  EXPECT_EQ(detectMingwAt(data, devCpp, kDevCppKind, entry, 511), kMingwFound);
  const std::wstring triple = devCpp + L"MinGW64\\x86_64-w64-mingw32\\";
  const MingwTarget& t = target(kDevCppKind);
  EXPECT_EQ(t.baseDir, triple);
  EXPECT_EQ(t.includeSubdir, L"include\\");
  EXPECT_EQ(t.lib32Subdir, L"lib32\\");
  EXPECT_EQ(t.lib64Subdir, L"lib\\");
  EXPECT_EQ(t.libVariantDir, L"lib_mingw_492");
  ASSERT_NE(entry, nullptr);
  ASSERT_EQ(data.detectedEntries.size(), 1u);
  EXPECT_EQ(data.detectedEntries[0], entry);
  EXPECT_EQ(entry->label, L"  DevCpp");
  EXPECT_EQ(entry->index, kDevCppKind);
  EXPECT_TRUE(entry->isMingw);
  EXPECT_TRUE(entry->detected);
  EXPECT_EQ(entry->includeLine, L"头文件路径 " + triple + L"include\\");
  EXPECT_EQ(entry->libLine, L"库文件路径 " + triple + L"lib32\\ " + triple + L"lib\\");
}

TEST_F(DetectMingwAt, RefusedToolchainKeepsItsDirectoriesAndSaysWhy) {
  // The gcc 4.9.2 of a Dev-C++ directory, chosen without Dev-C++ itself.
  const std::wstring devCpp = devCppLayout(scratch.path());
  PlatformEntry* entry = nullptr;
  EXPECT_EQ(detectMingwAt(data, devCpp + L"MinGW64", kOtherMingwKind, entry, 0), kMingwRefused);
  ASSERT_NE(entry, nullptr);
  EXPECT_FALSE(entry->detected);
  EXPECT_EQ(entry->statusText, L"不支持的 x86_64_posix_seh_msvcrt");
  EXPECT_EQ(target(kOtherMingwKind).baseDir, devCpp + L"MinGW64\\x86_64-w64-mingw32\\");
  EXPECT_EQ(target(kOtherMingwKind).libVariantDir, L"");
}

TEST_F(DetectMingwAt, SixtyFourBitToolchainWithoutLib32) {
  const std::wstring root = mingwW64Root(scratch.path(), L"mingw-builds-10.3.0-x86_64-posix-seh-ucrt.txt");
  PlatformEntry existing;
  existing.index = kOtherMingwKind;
  existing.isMingw = true;
  PlatformEntry* entry = &existing;
  EXPECT_EQ(detectMingwAt(data, root, kOtherMingwKind, entry, 0), kMingwFound);
  EXPECT_EQ(entry, &existing);
  EXPECT_TRUE(data.detectedEntries.empty());
  // Success leaves the page's own flags of an existing entry alone.
  EXPECT_FALSE(existing.detected);
  EXPECT_EQ(existing.statusText, L"（未检测到）");
  EXPECT_EQ(target(kOtherMingwKind).lib32Subdir, L"");
  EXPECT_EQ(target(kOtherMingwKind).libVariantDir, L"lib_mingw_ucrt");
  EXPECT_EQ(existing.libLine, L"库文件路径 " + root + L"x86_64-w64-mingw32\\lib\\");
}

TEST_F(DetectMingwAt, CodeBlocksGetsNoThirtyTwoBitLibrary) {
  const std::wstring codeBlocks = codeBlocksLayout(scratch.path(), true);
  PlatformEntry* entry = nullptr;
  EXPECT_EQ(detectMingwAt(data, codeBlocks, kCodeBlocksKind, entry, 0), kMingwFound);
  const std::wstring triple = codeBlocks + L"MinGW\\x86_64-w64-mingw32\\";
  EXPECT_EQ(target(kCodeBlocksKind).lib32Subdir, L"");
  EXPECT_EQ(target(kCodeBlocksKind).lib64Subdir, L"lib\\");
  EXPECT_EQ(target(kCodeBlocksKind).libVariantDir, L"lib_mingw_msvcrt");
  EXPECT_EQ(entry->libLine, L"库文件路径 " + triple + L"lib\\");

  // An i686 toolchain without lib64: only the headers are left to install.
  ScratchDir other;
  const std::wstring i686 = i686Root(other.path());
  EXPECT_EQ(detectMingwAt(data, i686, kCodeBlocksKind, entry, 0), kMingwFound);
  EXPECT_EQ(target(kCodeBlocksKind).lib32Subdir, L"");
  EXPECT_EQ(target(kCodeBlocksKind).lib64Subdir, L"");
  EXPECT_EQ(entry->libLine, L"库文件路径");
}

TEST_F(DetectMingwAt, CodeBlocksDropsThirtyTwoBitDirectoryOfAnEarlierMingw32Layout) {
  // A refused old MinGW first, then a 64-bit toolchain for the same entry.
  const std::wstring old = oldMingwLayout(scratch.path(), false);
  PlatformEntry* entry = nullptr;
  EXPECT_EQ(detectMingwAt(data, old, kCodeBlocksKind, entry, 0), kMingwRefused);
  EXPECT_EQ(target(kCodeBlocksKind).lib32Subdir, L"lib\\");
  EXPECT_EQ(entry->statusText, L"不支持的 i686_posix_dwarf_msvcrt");

  ScratchDir other;
  const std::wstring codeBlocks = codeBlocksLayout(other.path());
  EXPECT_EQ(detectMingwAt(data, codeBlocks, kCodeBlocksKind, entry, 0), kMingwFound);
  EXPECT_EQ(target(kCodeBlocksKind).lib32Subdir, L"");
  EXPECT_EQ(target(kCodeBlocksKind).lib64Subdir, L"lib\\");
  EXPECT_EQ(data.detectedEntries.size(), 1u);
}

TEST_F(DetectMingwAt, Mingw32LayoutWithoutLibListsTheTargetDirectoryAlone) {
  const std::wstring old = oldMingwLayout(scratch.path(), true);
  std::filesystem::remove_all(old + L"mingw32\\lib");
  PlatformEntry* entry = nullptr;
  detectMingwAt(data, old, kOtherMingwKind, entry, 0);
  EXPECT_EQ(target(kOtherMingwKind).lib32Subdir, L"");
  EXPECT_EQ(target(kOtherMingwKind).lib64Subdir, L"");
  EXPECT_EQ(entry->libLine, L"库文件路径 " + old + L"mingw32\\");
  EXPECT_EQ(entry->includeLine, L"头文件路径 " + old + L"mingw32\\include\\");
}

TEST_F(DetectMingwAt, MissingIncludeDirectoryIsClearedForThatToolchainOnly) {
  const std::wstring bare = mingwW64Root(scratch.path(), L"msys2-ucrt64-12.2.0.txt");
  std::filesystem::remove_all(bare + L"x86_64-w64-mingw32\\include");
  PlatformEntry* entry = nullptr;
  EXPECT_EQ(detectMingwAt(data, bare, kOtherMingwKind, entry, 0), kMingwFound);
  EXPECT_EQ(target(kOtherMingwKind).includeSubdir, L"");
  EXPECT_EQ(entry->includeLine, L"头文件路径 " + bare + L"x86_64-w64-mingw32\\");

  ScratchDir other;
  const std::wstring complete = mingwW64Root(other.path(), L"winlibs-13.2.0-x86_64-ucrt-mcf-seh.txt");
  EXPECT_EQ(detectMingwAt(data, complete, kOtherMingwKind, entry, 0), kMingwFound);
  EXPECT_EQ(target(kOtherMingwKind).includeSubdir, L"include\\");
}

TEST_F(DetectMingwAt, NothingFoundChangesNothing) {
  target(kClionKind).baseDir = L"C:\\before\\";
  PlatformEntry* entry = nullptr;
  EXPECT_EQ(detectMingwAt(data, L"", kClionKind, entry, 0), kMingwNotFound);
  EXPECT_EQ(detectMingwAt(data, scratch.path(), kClionKind, entry, 0), kMingwNotFound);
  EXPECT_EQ(detectMingwAt(data, scratch.path(), kMingwTargetCount, entry, 0), kMingwNotFound);
  EXPECT_EQ(entry, nullptr);
  EXPECT_TRUE(data.detectedEntries.empty());
  EXPECT_EQ(target(kClionKind).baseDir, L"C:\\before\\");
}
