#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "discovery/fixtures.h"
#include "platforms/file_ops.h"
#include "platforms/payload.h"

TEST(FileOps, CopyReplacesTheDestinationAndReportsFailures) {
  ScratchDir disk;
  const std::wstring source = disk.writeFile(L"from\\gravo.h", "new");
  disk.writeFile(L"to\\gravo.h", "old");
  EXPECT_EQ(L"", copyPayloadFile(source, disk.path() + L"to\\gravo.h"));
  EXPECT_EQ("new", disk.readFile(L"to\\gravo.h"));
  EXPECT_EQ(L"安装失败", copyPayloadFile(disk.path() + L"from\\missing.h", disk.path() + L"to\\missing.h"));
  EXPECT_EQ(L"安装失败", copyPayloadFile(source, disk.path() + L"nowhere\\gravo.h"));
  EXPECT_FALSE(disk.exists(L"to\\missing.h"));
}

TEST(FileOps, DeleteIfPresentCountsAMissingFileAsDeleted) {
  ScratchDir disk;
  const std::wstring file = disk.writeFile(L"Gravo_Help.lnk", "link");
  EXPECT_EQ(L"", deleteIfPresent(file));
  EXPECT_FALSE(disk.exists(L"Gravo_Help.lnk"));
  EXPECT_EQ(L"", deleteIfPresent(file));
  std::wstring folder = disk.makeDirs(L"folder");
  folder.pop_back();
  EXPECT_EQ(L"操作失败。", deleteIfPresent(folder));
  EXPECT_TRUE(disk.exists(L"folder"));

  EXPECT_EQ(Removal::Absent, removePayloadFile(file));
  EXPECT_EQ(Removal::Removed, removePayloadFile(disk.writeFile(L"again", "x")));
  EXPECT_EQ(Removal::Failed, removePayloadFile(folder));
}

TEST(FileOps, GravosGraphicsHIsKnownByItsIncludeOfGravoH) {
  ScratchDir disk;
  for (const char* text :
       {"#include \"gravo.h\"\n", "// Gravo\r\n#  include <gravo.h>\r\n", "#include \"Gravo.H\""})
    EXPECT_TRUE(isGravoHeader(disk.writeFile(L"graphics.h", text))) << text;
  for (const char* text : {"", "#include <graphics.h>\n", "#include \"winbgim.h\" /* gravo.h */\n"})
    EXPECT_FALSE(isGravoHeader(disk.writeFile(L"graphics.h", text))) << text;
  EXPECT_FALSE(isGravoHeader(disk.path() + L"missing.h"));
}

TEST(FileOps, SetupDirIsTheExecutablesFolder) {
  EXPECT_EQ(L"C:\\Users\\张三\\Downloads\\Gravo setup (1)\\",
            setupDirOf(L"C:\\Users\\张三\\Downloads\\Gravo setup (1)\\GravoSetup.exe"));
  EXPECT_EQ(L"", setupDirOf(L"GravoSetup.exe"));
  const std::wstring dir = setupDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(L'\\', dir.back());
  EXPECT_TRUE(pathExists(dir + L"platforms_tests.exe"));
}
