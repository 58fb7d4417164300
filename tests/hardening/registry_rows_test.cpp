// A hostile registry: values of every shape where the discovery reads text,
// thousands of Uninstall entries, names of the greatest length and keys that
// cannot be opened. Each row ends in the answer the discovery gives for
// nothing found (or for what is really there), never in a crash.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "discovery/fixtures.h"
#include "discovery/registry_reader.h"
#include "hardening/hostile_registry.h"
#include "platforms/catalogue.h"

using namespace hardening;

TEST(HostileRegistry, ValuesOfEveryShapeReadAsTextUpToTheirEnd) {
  BulkKeys keys(kScratchKey);
  const std::wstring full(1024, L'f');
  const struct {
    const wchar_t* name;
    DWORD type;
    std::string bytes;
    std::wstring expected;
  } rows[] = {
      {L"dword", REG_DWORD, std::string("\x42\x00\x41\x00", 4), L"BA"},
      {L"qword", REG_QWORD, std::string(8, '\x7f'), std::wstring(4, L'\x7f7f')},
      {L"none", REG_NONE, bytesOf(L"C:\\None"), L"C:\\None"},
      {L"empty", REG_SZ, std::string(), L""},
      {L"only a terminator", REG_SZ, std::string(2, '\0'), L""},
      {L"one byte", REG_SZ, std::string("A"), L""},
      {L"odd size", REG_SZ, std::string("A\0B", 3), L"A"},
      {L"embedded NUL", REG_SZ, bytesOf(std::wstring(L"C:\\Dev-Cpp\0D:\\evil", 18)), L"C:\\Dev-Cpp"},
      {L"no terminator", REG_SZ, bytesOf(L"C:\\Tools", false), L"C:\\Tools"},
      {L"multi", REG_MULTI_SZ, bytesOf(std::wstring(L"first\0second\0", 13)), L"first"},
      {L"unexpanded", REG_EXPAND_SZ, bytesOf(L"%SystemRoot%\\x"), L"%SystemRoot%\\x"},
      {L"2048 bytes with a terminator", REG_SZ, bytesOf(std::wstring(1023, L'g')), std::wstring(1023, L'g')},
      {L"2048 bytes without", REG_BINARY, bytesOf(full, false), full},
      {L"2049 bytes", REG_BINARY, bytesOf(full, false) + "x", L""},
      {L"2050 bytes", REG_SZ, bytesOf(full), L""},
      {L"64 KiB", REG_SZ, bytesOf(std::wstring(32767, L'h')), L""},
  };
  std::vector<BulkKeys::Value> values;
  for (const auto& row : rows) values.push_back({row.name, row.type, row.bytes});
  ASSERT_TRUE(keys.add(L"Shapes", values));

  RegistryReader reader;
  const std::wstring key = kScratchKey + L"\\Shapes";
  for (const auto& row : rows) {
    const std::wstring read = reader.readString(HKEY_LOCAL_MACHINE, key.c_str(), row.name);
    EXPECT_EQ(row.expected, read) << std::string(row.name, row.name + wcslen(row.name));
    EXPECT_LE(read.size(), 1024u);
  }
}

TEST(HostileRegistry, ShapedValuesWhereLocationsAreReadNameNoInstallation) {
  RegistryFixture registry;
  ScratchDir disk;
  RegistryReader reader;
  const std::wstring devcpp = disk.makeDirs(L"Dev-Cpp");
  const std::wstring entry = kUninstall + L"\\GravoHardening.Dev-C++";
  registry.setBytes(HKEY_LOCAL_MACHINE, entry, L"DisplayName", REG_DWORD, "\x44\x00\x65\x00", 4);
  registry.setString(HKEY_LOCAL_MACHINE, entry, L"UninstallString", devcpp + L"uninstall.exe");
  EXPECT_EQ(L"", reader.findIdeDir(0, true));
  // The text ends at an embedded NUL; what follows it is never read.
  registry.setString(HKEY_LOCAL_MACHINE, entry, L"DisplayName", L"Dev-C++");
  const std::wstring hidden = devcpp + L"uninstall.exe" + std::wstring(1, L'\0') + L"C:\\Windows\\x.exe";
  registry.setBytes(HKEY_LOCAL_MACHINE, entry, L"UninstallString", REG_SZ, hidden.c_str(),
                    static_cast<DWORD>(hidden.size() * sizeof(wchar_t)));
  EXPECT_EQ(devcpp, reader.findIdeDir(0, true));

  const std::wstring clion = kUninstall + L"\\GravoHardening.CLion";
  registry.setString(HKEY_LOCAL_MACHINE, clion, L"DisplayName", L"CLion 2024.1");
  const std::wstring filled(1024, L'c');
  registry.setBytes(HKEY_LOCAL_MACHINE, clion, L"InstallLocation", REG_BINARY, filled.data(), 2048);
  EXPECT_EQ(L"", reader.findIdeDir(2, true));

  // Locations that are not absolute would be looked up below whatever the
  // elevated wizard's current directory happens to be.
  const std::wstring vc = disk.makeDirs(L"VS14\\VC");
  disk.makeDirs(L"VS14\\VC\\include");
  disk.makeDirs(L"VS14\\VC\\lib");
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW((disk.path() + L"VS14").c_str()));
  for (const wchar_t* relative : {L"VC", L"VC\\", L".\\VC\\", L"..\\VS14\\VC", L"\\VC"}) {
    registry.setString(HKEY_LOCAL_MACHINE, kSxs, L"14.0", relative);
    EXPECT_EQ(L"", reader.findVcDir(2015, true)) << std::string(relative, relative + wcslen(relative));
  }
  SetCurrentDirectoryW(previous);
  // Without a terminator, and without the trailing backslash.
  const std::wstring vcPath = vc.substr(0, vc.size() - 1);
  registry.setBytes(HKEY_LOCAL_MACHINE, kSxs, L"14.0", REG_SZ, vcPath.c_str(),
                    static_cast<DWORD>(vcPath.size() * sizeof(wchar_t)));
  EXPECT_EQ(vc, reader.findVcDir(2015, true));

  // A library path list filling the whole buffer, with and without the
  // MFC directory the pattern looks for.
  const std::wstring devStudio =
      L"Software\\Microsoft\\DevStudio\\6.0\\Build System\\Components\\Platforms\\Win32 (x86)\\Directories";
  for (const std::wstring& dirs :
       {std::wstring(1023, L';'), std::wstring(1011, L'x') + L"vc98\\mfc\\lib", std::wstring(1023, L'\\'),
        L";" + std::wstring(1000, L'v') + L"98\\mfc\\lib;"}) {
    registry.setString(HKEY_CURRENT_USER, devStudio, L"Library Dirs", dirs);
    EXPECT_EQ(L"", reader.findVcDir(6, true));
  }

  const struct {
    DWORD type;
    std::string bytes;
    bool is64BitOs;
  } architectures[] = {{REG_BINARY,
                        std::string("A\0M\0D\0"
                                    "6\0"
                                    "4\0",
                                    10),
                        true},
                       {REG_SZ,
                        std::string("A\0M\0D\0"
                                    "6\0"
                                    "4\0\0\0x\0",
                                    14),
                        true},
                       {REG_DWORD, std::string("A\0M\0", 4), false},
                       {REG_SZ,
                        std::string("A\0M\0D\0"
                                    "6\0"
                                    "4\0 \0",
                                    12),
                        false}};
  for (const auto& row : architectures) {
    registry.setBytes(HKEY_LOCAL_MACHINE, kEnvironment, L"PROCESSOR_ARCHITECTURE", row.type, row.bytes.data(),
                      static_cast<DWORD>(row.bytes.size()));
    EXPECT_EQ(row.is64BitOs, reader.is64BitOs());
  }
}

namespace {

// A Visual Studio 2019 and a Dev-C++ where the registry will say they are.
struct Installed {
  explicit Installed(const ScratchDir& disk)
      : vs2019(disk.makeDirs(L"VS\\2019\\Community")), devcpp(disk.makeDirs(L"Dev-Cpp")) {
    disk.makeDirs(L"VS\\2019\\Community\\VC\\Auxiliary\\VS\\include");
    disk.makeDirs(L"VS\\2019\\Community\\VC\\Auxiliary\\VS\\lib\\x86");
  }
  std::vector<BulkKeys::Value> vsValues() const {
    return {text(L"DisplayName", L"Visual Studio Community 2019"), text(L"InstallLocation", vs2019)};
  }
  std::vector<BulkKeys::Value> devcppValues() const {
    return {text(L"DisplayName", L"Dev-C++"), text(L"UninstallString", devcpp + L"uninstall.exe")};
  }
  const std::wstring vs2019;
  const std::wstring devcpp;
};

}  // namespace

TEST(HostileRegistry, ThousandsOfUninstallEntriesAreAllLookedThrough) {
  ScratchDir disk;
  const Installed installed(disk);
  BulkKeys keys(kUninstall);
  addClutter(keys, 2000);
  // Listed after the clutter.
  ASSERT_TRUE(keys.add(L"GravoHardening.zz VS", installed.vsValues()));
  ASSERT_TRUE(keys.add(L"GravoHardening.zz Dev-C++", installed.devcppValues()));

  RegistryReader reader;
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(installed.devcpp, reader.findIdeDir(0, true));
  EXPECT_EQ(installed.vs2019 + L"VC\\Auxiliary\\VS\\", reader.findVcDir(2019, true));
  EXPECT_EQ(L"", reader.findVcDir(2022, true));
  EXPECT_EQ(L"", reader.findIdeDir(2, true));
  EXPECT_LT(GetTickCount64() - start, 60000u);

  CatalogueData data;
  buildCatalogue(data);
  EXPECT_EQ(15u, data.shownEntries.size());
  EXPECT_EQ(installed.vs2019 + L"VC\\Auxiliary\\VS\\", data.vcTargets[7].baseDir);
}

TEST(HostileRegistry, NamesOfTheGreatestLength) {
  ScratchDir disk;
  const Installed installed(disk);
  const std::wstring clion = disk.makeDirs(L"CLion\\bin");
  BulkKeys keys(kUninstall);
  // 255 characters is the longest key name Windows takes, one more than
  // the name buffer holds: that entry is passed over, and the enumeration
  // goes on to the next.
  const std::wstring longest = L"GravoHardening.a" + std::wstring(255 - 16, L'n');
  ASSERT_TRUE(
      keys.add(longest, {text(L"DisplayName", L"Dev-C++"), text(L"UninstallString", L"C:\\x\\u.exe")}));
  ASSERT_TRUE(keys.add(L"GravoHardening.b", installed.devcppValues()));
  const std::wstring fits = L"GravoHardening.c" + std::wstring(254 - 16, L'n');
  ASSERT_TRUE(keys.add(
      fits, {text(L"DisplayName", L"CLion"), text(L"InstallLocation", clion.substr(0, clion.size() - 5))}));
  // A value name of the greatest length, 16383 characters.
  const std::wstring valueName(16383, L'v');
  ASSERT_TRUE(keys.add(L"GravoHardening.d", {text(valueName, L"x")}));

  RegistryReader reader;
  EXPECT_EQ(installed.devcpp, reader.findIdeDir(0, true));
  EXPECT_EQ(clion, reader.findIdeDir(2, true));
  EXPECT_EQ(L"x", reader.readString(HKEY_LOCAL_MACHINE, (kUninstall + L"\\GravoHardening.d").c_str(),
                                    valueName.c_str()));
}

TEST(HostileRegistry, KeysThatCannotBeOpenedArePassedOver) {
  ScratchDir disk;
  const Installed installed(disk);
  BulkKeys keys(kUninstall);
  ASSERT_TRUE(keys.add(
      L"GravoHardening.a locked",
      {text(L"DisplayName", L"Dev-C++"), text(L"UninstallString", disk.makeDirs(L"other") + L"u.exe")}));
  ASSERT_TRUE(keys.add(L"GravoHardening.b", installed.devcppValues()));
  const LockedKey locked(HKEY_LOCAL_MACHINE, kUninstall + L"\\GravoHardening.a locked");
  ASSERT_TRUE(locked.locked()) << "the registry does not refuse reading a key that grants nothing";

  RegistryReader reader;
  EXPECT_EQ(installed.devcpp, reader.findIdeDir(0, true));

  // A user hive whose key cannot be opened is passed over as well.
  RegistryFixture registry;
  registry.setString(HKEY_USERS, L"S-1-5-21-9-9-9-1000\\Software\\GravoHardening", L"Where", L"open");
  registry.setString(HKEY_USERS, L"S-1-5-21-9-9-9-1001\\Software\\GravoHardening", L"Where", L"locked");
  const LockedKey lockedHive(HKEY_USERS, L"S-1-5-21-9-9-9-1001\\Software\\GravoHardening");
  ASSERT_TRUE(lockedHive.locked());
  EXPECT_EQ(L"open", reader.readString(HKEY_CURRENT_USER, L"Software\\GravoHardening", L"Where"));
}

TEST(HostileRegistry, UninstallListThatCannotBeOpenedMeansNothingInstalled) {
  ScratchDir disk;
  const Installed installed(disk);
  BulkKeys keys(kUninstall);
  ASSERT_TRUE(keys.add(L"GravoHardening.VS", installed.vsValues()));
  ASSERT_TRUE(keys.add(L"GravoHardening.Dev-C++", installed.devcppValues()));
  const LockedKey locked(HKEY_LOCAL_MACHINE, kUninstall);
  ASSERT_TRUE(locked.locked());

  RegistryReader reader;
  EXPECT_EQ(L"", reader.findIdeDir(0, true));
  EXPECT_EQ(L"", reader.findVcDir(2019, true));
  CatalogueData data;
  buildCatalogue(data);
  EXPECT_EQ(15u, data.shownEntries.size());
  for (const PlatformEntry* entry : data.detectedEntries)
    ADD_FAILURE() << "detected with the list unreadable: "
                  << std::string(entry->label.begin(), entry->label.end());
}
