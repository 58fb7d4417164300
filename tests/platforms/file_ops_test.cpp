#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "discovery/fixtures.h"
#include "platforms/file_ops.h"
#include "platforms/library_files.h"
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
  for (const char* text : {"#include \"gravo.h\"\n", "// Gravo\r\n#  include <gravo.h>\r\n",
                           "#include \"Gravo.H\"", "##\t include\t<gravo.h>", "# #include \"gravo.h>"})
    EXPECT_TRUE(isGravoHeader(disk.writeFile(L"graphics.h", text))) << text;
  for (const char* text : {"", "#", "#include <graphics.h>\n", "#include \"winbgim.h\" /* gravo.h */\n",
                           "#include <gravo.hpp>", "#include\n<gravo.h>", "#include <gravo.h"})
    EXPECT_FALSE(isGravoHeader(disk.writeFile(L"graphics.h", text))) << text;
  EXPECT_EQ(HeaderKind::Missing, headerKind(disk.path() + L"missing.h"));
}

// Any user can write a graphics.h where an elevated run reads it, and any
// program can hold one open.
TEST(FileOps, HostileAndHeldHeadersAreNeitherACrashNorAbsent) {
  ScratchDir disk;
  for (const std::string& text : {"#" + std::string(900000, ' '), std::string(1024 * 1024, '#'),
                                  "#include" + std::string(900000, '\t') + "\"gravo.h\""}) {
    const std::wstring path = disk.writeFile(L"graphics.h", text);
    EXPECT_EQ(text.back() == '"' ? HeaderKind::Gravo : HeaderKind::Foreign, headerKind(path));
  }

  const std::wstring header = disk.writeFile(L"include\\graphics.h", "#include <gravo.h>\n");
  const HANDLE held = CreateFileW(header.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(HeaderKind::Unreadable, headerKind(header));
  EXPECT_TRUE(holdsLibrary({header}));
  EXPECT_EQ(L"卸载失败", uninstallPayloadFiles({disk.path() + L"include\\gravo.h", header}));
  CloseHandle(held);
  EXPECT_EQ("#include <gravo.h>\n", disk.readFile(L"include\\graphics.h"));

  // Another library's header put back over Gravo's after an install: the
  // kept copy stays beside it and nothing of Gravo's is held any more.
  disk.writeFile(L"include\\graphics.h.before-gravo", "/* BGI */");
  disk.writeFile(L"include\\graphics.h", "/* BGI, again */");
  EXPECT_FALSE(holdsLibrary({header}));
  EXPECT_EQ(Removal::Absent, removePayloadFile(header));
  EXPECT_EQ("/* BGI */", disk.readFile(L"include\\graphics.h.before-gravo"));
  ASSERT_TRUE(DeleteFileW(header.c_str()));
  EXPECT_TRUE(holdsLibrary({header}));
  EXPECT_EQ(Removal::Removed, removePayloadFile(header));
  EXPECT_EQ("/* BGI */", disk.readFile(L"include\\graphics.h"));
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
