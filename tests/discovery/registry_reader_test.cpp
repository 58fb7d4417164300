#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "discovery/fixtures.h"
#include "discovery/registry_reader.h"

namespace {

// What a 32-bit program sees as HKLM\Software, written from this 64-bit test.
const std::wstring kWow = L"Software\\WOW6432Node\\";
const std::wstring kUninstall = L"Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::wstring kSxs = L"Microsoft\\VisualStudio\\SxS\\VC7";
const std::wstring kDevStudio =
    L"Software\\Microsoft\\DevStudio\\6.0\\Build System\\Components\\Platforms\\Win32 (x86)\\Directories";
const std::wstring kEnvironment = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

// Position of name in the enumeration of HKEY_USERS.
size_t hivePosition(const RegistryReader& reader, const std::wstring& name) {
  const auto names = reader.listSubkeys(HKEY_USERS, nullptr);
  return static_cast<size_t>(std::find(names.begin(), names.end(), name) - names.begin());
}

void addUninstallEntry(RegistryFixture& registry, const std::wstring& root, const std::wstring& key,
                       const std::wstring& displayName, const std::wstring& valueName,
                       const std::wstring& value) {
  registry.setString(HKEY_LOCAL_MACHINE, root + kUninstall + key, L"DisplayName", displayName);
  registry.setString(HKEY_LOCAL_MACHINE, root + kUninstall + key, valueName, value);
}

}  // namespace

TEST(RegistryReader, ReadsStringsAndNeverReadsPastTheBuffer) {
  RegistryFixture registry;
  RegistryReader reader;
  const std::wstring key = kWow + L"GravoTest\\Strings";
  registry.setString(HKEY_LOCAL_MACHINE, key, L"Plain", L"C:\\VS\\");
  EXPECT_EQ(L"C:\\VS\\", reader.readString(HKEY_LOCAL_MACHINE, key.c_str(), L"Plain"));
  EXPECT_EQ(L"", reader.readString(HKEY_LOCAL_MACHINE, key.c_str(), nullptr));
  EXPECT_EQ(L"", reader.readString(HKEY_LOCAL_MACHINE, key.c_str(), L"Missing"));
  EXPECT_EQ(L"", reader.readString(HKEY_LOCAL_MACHINE, (kWow + L"GravoTest\\NoSuchKey").c_str(), L"Plain"));

  // 1024 units without a terminator fill the 2048-byte buffer exactly (the
  // value's type does not matter to the reader).
  const std::wstring full(1024, L'x');
  registry.setBytes(HKEY_LOCAL_MACHINE, key, L"Full", REG_BINARY, full.data(), 2048);
  EXPECT_EQ(full, reader.readString(HKEY_LOCAL_MACHINE, key.c_str(), L"Full"));
  const std::wstring longest(1023, L'y');
  registry.setString(HKEY_LOCAL_MACHINE, key, L"Longest", longest);
  EXPECT_EQ(longest, reader.readString(HKEY_LOCAL_MACHINE, key.c_str(), L"Longest"));
  registry.setString(HKEY_LOCAL_MACHINE, key, L"TooLong", std::wstring(1024, L'z'));
  EXPECT_EQ(L"", reader.readString(HKEY_LOCAL_MACHINE, key.c_str(), L"TooLong"));
}

TEST(RegistryReader, CurrentUserIsReadThroughTheUserHives) {
  RegistryFixture registry;
  RegistryReader reader;
  const std::wstring key = L"Software\\GravoTest\\Hives";
  const wchar_t* keyPath = L"Software\\GravoTest\\Hives";
  EXPECT_EQ(L"", reader.readString(HKEY_CURRENT_USER, keyPath, L"Where"));

  registry.setString(HKEY_USERS, L"S-1-5-21-7-7-7-3001\\" + key, L"Where", L"first");
  registry.setString(HKEY_USERS, L"S-1-5-21-7-7-7-3002\\" + key, L"Where", L"second");
  // Neither a "_Classes" companion nor a hive without the "S-" form counts.
  registry.setString(HKEY_USERS, L"S-1-5-21-7-7-7-3002_Classes\\" + key, L"Where", L"classes");
  registry.setString(HKEY_USERS, L"GravoTestHive\\" + key, L"Where", L"other");
  const bool secondLater =
      hivePosition(reader, L"S-1-5-21-7-7-7-3002") > hivePosition(reader, L"S-1-5-21-7-7-7-3001");
  EXPECT_EQ(secondLater ? L"second" : L"first", reader.readString(HKEY_CURRENT_USER, keyPath, L"Where"));

  // A later hive with the key but not the value ends the lookup empty.
  registry.createKey(HKEY_USERS, L"S-1-5-21-7-7-7-3003\\" + key);
  ASSERT_GT(hivePosition(reader, L"S-1-5-21-7-7-7-3003"), hivePosition(reader, L"S-1-5-21-7-7-7-3002"));
  EXPECT_EQ(L"", reader.readString(HKEY_CURRENT_USER, keyPath, L"Where"));
}

TEST(RegistryReader, UninstallSearchSeesTheThirtyTwoBitView) {
  RegistryFixture registry;
  RegistryReader reader;
  addUninstallEntry(registry, kWow, L"GravoTest.Tool", L"Gravo Test Tool 1.0", L"InstallLocation", L"C:\\T");
  const std::wstring expected = kWow + kUninstall + L"GravoTest.Tool";
  EXPECT_EQ(expected, reader.findUninstallKey(L"^gravo test tool.*$", true));
  // The path without WOW6432Node is redirected to the same view.
  EXPECT_EQ(L"Software\\" + kUninstall + L"GravoTest.Tool",
            reader.findUninstallKey(L"^gravo test tool.*$", false));
  EXPECT_EQ(L"", reader.findUninstallKey(L"^Test Tool$", true));

  // 64-bit programs' entries are out of the 32-bit wizard's sight.
  addUninstallEntry(registry, L"Software\\", L"GravoTest.Native", L"Gravo Native Tool", L"InstallLocation",
                    L"C:\\N");
  EXPECT_EQ(L"", reader.findUninstallKey(L"^gravo native tool$", false));
  EXPECT_EQ(L"", reader.findUninstallKey(L"^gravo native tool$", true));
}

TEST(RegistryReader, FindsVisualStudio2017To2026ByTheirDisplayNames) {
  RegistryFixture registry;
  ScratchDir disk;
  RegistryReader reader;
  const std::wstring vs2022 = disk.path() + L"VS\\2022\\Community";
  const std::wstring vs2019 = disk.path() + L"VS\\2019\\Professional\\";
  const std::wstring vs2017 = disk.path() + L"VS\\2017\\Enterprise";
  const std::wstring vs2017b = disk.path() + L"VS\\2017b\\Community";
  const std::wstring tools = disk.path() + L"VS\\2019\\BuildTools";
  for (const std::wstring& location : {vs2022, vs2019, vs2017, vs2017b, tools})
    disk.makeDirs(location.substr(disk.path().size()) + L"\\VC\\Auxiliary\\VS");
  addUninstallEntry(registry, kWow, L"GravoTest.a", L"Visual Studio Community 2017 (2)", L"InstallLocation",
                    vs2017b);
  addUninstallEntry(registry, kWow, L"GravoTest.b", L"Visual Studio Build Tools 2019", L"InstallLocation",
                    tools);
  addUninstallEntry(registry, kWow, L"GravoTest.c", L"Visual Studio Community 2022", L"InstallLocation",
                    vs2022);
  addUninstallEntry(registry, kWow, L"GravoTest.d", L"Visual Studio Professional 2019 (2)",
                    L"InstallLocation", vs2019);
  addUninstallEntry(registry, kWow, L"GravoTest.e", L"Visual Studio Enterprise 2017", L"InstallLocation",
                    vs2017);

  EXPECT_EQ(vs2022 + L"\\VC\\Auxiliary\\VS\\", reader.findVcDir(2022, true));
  EXPECT_EQ(vs2019 + L"VC\\Auxiliary\\VS\\", reader.findVcDir(2019, true));
  EXPECT_EQ(vs2017 + L"\\VC\\Auxiliary\\VS\\", reader.findVcDir(2017, true));
  EXPECT_EQ(L"", reader.findVcDir(2026, true));

  // Registered, but the VC folder is not where the registry says.
  addUninstallEntry(registry, kWow, L"GravoTest.f", L"Visual Studio Enterprise 2026", L"InstallLocation",
                    disk.path() + L"VS\\2026\\Enterprise");
  EXPECT_EQ(L"", reader.findVcDir(2026, true));
}

TEST(RegistryReader, FindsVisualStudio2008To2015InSideBySideValues) {
  RegistryFixture registry;
  ScratchDir disk;
  RegistryReader reader;
  const std::wstring vc9 = disk.makeDirs(L"VS9\\VC");
  const std::wstring vc10 = disk.makeDirs(L"VS10\\VC");
  const std::wstring vc14 = disk.makeDirs(L"VS14\\VC");
  registry.setString(HKEY_LOCAL_MACHINE, kWow + kSxs, L"9.0", vc9);
  registry.setString(HKEY_LOCAL_MACHINE, kWow + kSxs, L"10.0", vc10.substr(0, vc10.size() - 1));
  registry.setString(HKEY_LOCAL_MACHINE, kWow + kSxs, L"11.0", disk.path() + L"VS11\\VC\\");
  registry.setString(HKEY_LOCAL_MACHINE, kWow + kSxs, L"14.0", vc14);
  // Only in the 64-bit view, which the wizard does not read.
  registry.setString(HKEY_LOCAL_MACHINE, L"Software\\" + kSxs, L"12.0", disk.makeDirs(L"VS12\\VC"));

  for (const bool is64BitOs : {true, false}) {
    EXPECT_EQ(vc9, reader.findVcDir(2008, is64BitOs));
    EXPECT_EQ(vc10, reader.findVcDir(2010, is64BitOs));
    EXPECT_EQ(L"", reader.findVcDir(2012, is64BitOs));
    EXPECT_EQ(L"", reader.findVcDir(2013, is64BitOs));
    EXPECT_EQ(vc14, reader.findVcDir(2015, is64BitOs));
  }
  EXPECT_EQ(L"", reader.findVcDir(2011, true));
}

TEST(RegistryReader, DirectoryWithFurtherAttributeBitsStillCounts) {
  RegistryFixture registry;
  ScratchDir disk;
  RegistryReader reader;
  const std::wstring vc = disk.makeDirs(L"VS10\\VC");
  ASSERT_TRUE(SetFileAttributesW(vc.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE |
                                                 FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_HIDDEN |
                                                 FILE_ATTRIBUTE_SYSTEM));
  ASSERT_NE(static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY), GetFileAttributesW(vc.c_str()));
  registry.setString(HKEY_LOCAL_MACHINE, kWow + kSxs, L"10.0", vc);
  EXPECT_EQ(vc, reader.findVcDir(2010, true));

  // A file is no directory.
  const std::wstring file = disk.writeFile(L"VS14\\VC", "not a folder");
  registry.setString(HKEY_LOCAL_MACHINE, kWow + kSxs, L"14.0", file);
  EXPECT_EQ(L"", reader.findVcDir(2015, true));
}

TEST(RegistryReader, FindsVisualCpp6ThroughItsLibraryDirectories) {
  RegistryFixture registry;
  ScratchDir disk;
  RegistryReader reader;
  const std::wstring root = disk.path() + L"VS6\\";
  const std::wstring vc98 = disk.makeDirs(L"VS6\\VC98\\LIB");
  disk.makeDirs(L"VS6\\VC98\\MFC\\LIB");
  registry.setString(HKEY_CURRENT_USER, kDevStudio, L"Library Dirs",
                     root + L"VC98\\LIB;" + root + L"VC98\\MFC\\LIB");
  EXPECT_EQ(root + L"VC98\\", reader.findVcDir(6, true));

  registry.setString(HKEY_CURRENT_USER, kDevStudio, L"Library Dirs",
                     root + L"vc98\\mfc\\lib;" + root + L"vc98\\lib");
  EXPECT_EQ(root + L"VC98\\", reader.findVcDir(6, false));

  // Without the MFC directory the value itself is taken as the directory.
  registry.setString(HKEY_CURRENT_USER, kDevStudio, L"Library Dirs", root + L"VC98\\LIB");
  EXPECT_EQ(vc98, reader.findVcDir(6, true));
  registry.setString(HKEY_CURRENT_USER, kDevStudio, L"Library Dirs", L"");
  EXPECT_EQ(L"", reader.findVcDir(6, true));

  // Another user's hive names no installation; the key 6.0's setup writes
  // for the machine does.
  registry.setString(HKEY_USERS, L"S-1-5-21-7-7-7-3001\\" + kDevStudio, L"Library Dirs", root + L"VC98\\LIB");
  EXPECT_EQ(L"", reader.findVcDir(6, true));
  registry.setString(HKEY_LOCAL_MACHINE,
                     L"Software\\WOW6432Node\\Microsoft\\VisualStudio\\6.0\\Setup\\Microsoft Visual C++",
                     L"ProductDir", root + L"VC98");
  EXPECT_EQ(root + L"VC98\\", reader.findVcDir(6, true));
}

TEST(RegistryReader, FindsTheIdeDirectories) {
  RegistryFixture registry;
  ScratchDir disk;
  RegistryReader reader;
  EXPECT_EQ(L"", reader.findIdeDir(0, true));
  const std::wstring devcpp = disk.makeDirs(L"Dev-Cpp");
  addUninstallEntry(registry, kWow, L"GravoTest.Dev-C++", L"Dev-C++", L"UninstallString",
                    devcpp + L"uninstall.exe");
  EXPECT_EQ(devcpp, reader.findIdeDir(0, true));
  // Uninstall commands are commonly quoted.
  addUninstallEntry(registry, kWow, L"GravoTest.Dev-C++", L"Dev-C++", L"UninstallString",
                    L"\"" + devcpp + L"uninstall.exe\"");
  EXPECT_EQ(devcpp, reader.findIdeDir(0, false));
  addUninstallEntry(registry, kWow, L"GravoTest.Dev-C++", L"Dev-C++", L"UninstallString", L"uninstall.exe");
  EXPECT_EQ(L"", reader.findIdeDir(0, true));

  const std::wstring clion = disk.makeDirs(L"JetBrains\\CLion\\bin");
  addUninstallEntry(registry, kWow, L"GravoTest.CLion", L"CLion 2024.1", L"InstallLocation",
                    disk.path() + L"JetBrains\\CLion");
  EXPECT_EQ(clion, reader.findIdeDir(2, true));
  addUninstallEntry(registry, kWow, L"GravoTest.CLion", L"CLion 2024.1", L"InstallLocation", L"");
  EXPECT_EQ(L"", reader.findIdeDir(2, true));

  // Every hive counts for Code::Blocks, "_Classes" ones included.
  const std::wstring codeblocks = disk.makeDirs(L"CodeBlocks");
  EXPECT_EQ(L"", reader.findIdeDir(1, true));
  registry.setString(HKEY_USERS, L"S-1-5-21-7-7-7-3001_Classes\\SoftWare\\CodeBlocks", L"Path",
                     codeblocks.substr(0, codeblocks.size() - 1));
  EXPECT_EQ(codeblocks, reader.findIdeDir(1, true));
  // Its compiler is run only when this process's own user names it too.
  EXPECT_EQ(L"", reader.findTrustedIdeDir(1, true));
  registry.setString(HKEY_CURRENT_USER, L"Software\\CodeBlocks", L"Path", codeblocks);
  EXPECT_EQ(codeblocks, reader.findTrustedIdeDir(1, true));
  EXPECT_EQ(L"", reader.findIdeDir(3, true));
}

TEST(RegistryReader, Is64BitOsOnlyForExactlyAmd64) {
  RegistryFixture registry;
  RegistryReader reader;
  const struct {
    const wchar_t* architecture;
    bool is64BitOs;
  } cases[] = {{L"AMD64", true}, {L"amd64", false}, {L"x86", false}, {L"ARM64", false}, {L"", false}};
  for (const auto& c : cases) {
    registry.setString(HKEY_LOCAL_MACHINE, kEnvironment, L"PROCESSOR_ARCHITECTURE", c.architecture);
    EXPECT_EQ(c.is64BitOs, reader.is64BitOs()) << c.architecture;
  }
  registry.deleteValue(HKEY_LOCAL_MACHINE, kEnvironment, L"PROCESSOR_ARCHITECTURE");
  EXPECT_FALSE(reader.is64BitOs());
}
