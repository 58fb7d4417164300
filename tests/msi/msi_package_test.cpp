// GravoSetup-<version>.msi as a deployment tool runs it: msiexec /qn on a
// developer's machine laid out by dev_machine.exe.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "discovery/fixtures.h"
#include "hardening/hardening_support.h"
#include "msi/msi_action.h"

using hardening::TreeSnapshot;

namespace {

const DWORD kTimeoutMs = 120000;

// "DisplayName, DisplayVersion, Publisher" of every Programs and Features
// entry called Gravo, in the registry view the package writes to (the
// test's own, as both come from the same build).
std::vector<std::wstring> gravoEntries() {
  const wchar_t uninstall[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  std::vector<std::wstring> entries;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, uninstall, 0, KEY_READ, &key) != ERROR_SUCCESS) return entries;
  wchar_t name[256];
  for (DWORD i = 0, size = 256;
       RegEnumKeyExW(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++i, size = 256) {
    const auto value = [&](const wchar_t* valueName) {
      wchar_t data[256] = {};
      DWORD bytes = sizeof(data) - sizeof(wchar_t);
      RegGetValueW(key, name, valueName, RRF_RT_REG_SZ, nullptr, data, &bytes);
      return std::wstring(data);
    };
    if (value(L"DisplayName").rfind(L"Gravo", 0) == 0)
      entries.push_back(value(L"DisplayName") + L", " + value(L"DisplayVersion") + L", " +
                        value(L"Publisher"));
  }
  RegCloseKey(key);
  return entries;
}

class Msi : public ::testing::Test {
 protected:
  void SetUp() override {
    machine = disk.makeDirs(L"machine");
    ASSERT_EQ(run(devMachine(), L"prepare \"" + machine.substr(0, machine.size() - 1) + L"\"").code, 0u);
    std::wstring relative = L"" GRAVO_MSI_PACKAGE;
    std::replace(relative.begin(), relative.end(), L'/', L'\\');
    package = hardening::testDir() + relative;
    nextPackage = hardening::testDir() + L"" GRAVO_MSI_NEXT_PACKAGE;
    ASSERT_TRUE(hardening::exists(package)) << hardening::narrow(package);
    wchar_t programFiles[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles);
    installDir = std::wstring(programFiles) + L"\\Gravo\\26.9.25\\";
  }

  void TearDown() override {
    for (const std::wstring& installed : {package, nextPackage})
      if (!gravoEntries().empty()) msiexec(L"/x \"" + installed + L"\" /qn");
    EXPECT_EQ(run(devMachine(), L"remove \"" + machine.substr(0, machine.size() - 1) + L"\"").code, 0u);
  }

  static std::wstring devMachine() { return hardening::testDir() + L"..\\e2e\\dev_machine.exe"; }

  // Opens path so that no other program can read, change or rename it
  // until the handle is closed, as an editor or a build may.
  static HANDLE hold(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  }

  support::Captured run(const std::wstring& program, const std::wstring& arguments) {
    return support::runCaptured(program, arguments, disk.path(), kTimeoutMs);
  }

  DWORD msiexec(const std::wstring& arguments) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    return run(std::wstring(system) + L"\\msiexec.exe", arguments).code;
  }

  // What changed on the machine, apart from the stand-in compilers' notes
  // of how they were run.
  std::vector<std::wstring> changedSince(const TreeSnapshot& before) const {
    return TreeSnapshot::changesApartFromCompilerNotes(before, TreeSnapshot(machine));
  }

  ScratchDir disk;
  std::wstring machine;
  std::wstring package;
  std::wstring nextPackage;
  std::wstring installDir;
};

TEST_F(Msi, InstallsIntoEveryDetectedEnvironmentAndRemovesItAgain) {
  const TreeSnapshot before(machine);
  const std::wstring log = disk.path() + L"msi.log";
  ASSERT_EQ(msiexec(L"/i \"" + package + L"\" /qn /l*v \"" + log + L"\""), 0u) << hardening::readBytes(log);
  // Headers and libraries: four files for 6.0, CLion and Code::Blocks, six
  // for 2010, 2019 and Dev-C++.
  const std::vector<std::wstring> added = changedSince(before);
  EXPECT_EQ(added.size(), 30u) << hardening::joined(added);
  EXPECT_EQ(gravoEntries(), std::vector<std::wstring>{L"Gravo 26.9.25, 26.9.25, Gravo"});
  EXPECT_TRUE(hardening::exists(installDir + L"GravoSetupCli.exe"));
  EXPECT_TRUE(hardening::exists(installDir + L"lib_vc2015\\x64\\Gravow.lib"));

  EXPECT_EQ(msiexec(L"/x \"" + package + L"\" /qn /l*v \"" + log + L"\""), 0u) << hardening::readBytes(log);
  EXPECT_EQ(changedSince(before), std::vector<std::wstring>{});
  EXPECT_EQ(gravoEntries(), std::vector<std::wstring>{});
  EXPECT_FALSE(hardening::exists(installDir));
}

TEST_F(Msi, EnvironmentsChoosesWhereAndNothingElseReachesTheCommandLine) {
  const TreeSnapshot before(machine);
  const std::wstring log = disk.path() + L"msi.log";
  for (const std::wstring value :
       {L"vc2019 --dir C:\\", L"vc2019 & calc.exe", L"vc2019\"\" C:\\Users\\eve\\j\\p", L" "}) {
    EXPECT_NE(msiexec(L"/i \"" + package + L"\" /qn /l*v \"" + log + L"\" ENVIRONMENTS=\"" + value + L"\""),
              0u)
        << hardening::narrow(value);
    // The check ran and stopped the installation (Wine logs no error code).
    const std::string logged = hardening::readBytes(log);
    const std::size_t check = logged.rfind(": EnvironmentsMustBeKnownIdsOrAll.");
    EXPECT_TRUE(check != std::string::npos &&
                logged.find(": InstallIntoEnvironments.", check) == std::string::npos)
        << logged;
    EXPECT_EQ(changedSince(before), std::vector<std::wstring>{});
    EXPECT_EQ(gravoEntries(), std::vector<std::wstring>{});
  }

  // Visual C++ 2008 is not there: nothing to do is no failure.
  ASSERT_EQ(msiexec(L"/i \"" + package + L"\" /qn ENVIRONMENTS=\"VC2019 devcpp vc2008\""), 0u);
  const std::vector<std::wstring> added = changedSince(before);
  EXPECT_EQ(added.size(), 12u) << hardening::joined(added);
  for (const std::wstring& path : added)
    EXPECT_TRUE(path.rfind(L"Microsoft Visual Studio\\2019\\", 0) == 0 || path.rfind(L"Dev-Cpp\\", 0) == 0)
        << hardening::narrow(path);
  // Each word reaches the action as an argument of its own: a quote in
  // the list cannot join a path to an id.
  EXPECT_EQ(actionRequest({L"install", L"VC2019", L"devcpp"}).cliArguments, L"install vc2019 devcpp");
  EXPECT_EQ(actionRequest({L"install", L"vc6 C:\\Users\\eve\\j\\p"}).cliArguments, L"");
  EXPECT_EQ(actionRequest({L"uninstall", L"7d4c2f8e-3b1a-4e6d-9c52-1f0a8b6e4d37", L"{0}"}).cliArguments, L"");
  EXPECT_EQ(actionRequest({L"rollback"}).cliArguments, L"rollback");
  // Run again, it keeps to the list it remembered; with --all it adds the
  // rest, and its removal then leaves the machine as it was.
  EXPECT_EQ(msiexec(L"/i \"" + package + L"\" /qn"), 0u);
  EXPECT_EQ(changedSince(before).size(), 12u);
  EXPECT_EQ(msiexec(L"/i \"" + package + L"\" /qn ENVIRONMENTS=--all"), 0u);
  EXPECT_EQ(changedSince(before).size(), 30u);
  EXPECT_EQ(msiexec(L"/x \"" + package + L"\" /qn"), 0u);
  EXPECT_EQ(changedSince(before), std::vector<std::wstring>{});
}

// A lab's year: a failed install, an install, a repair, a failed upgrade, an
// upgrade, a course's own header put back, and the removal.
TEST_F(Msi, EveryStepEndsInAKnownState) {
  const std::wstring header = machine + L"Dev-Cpp\\MinGW64\\x86_64-w64-mingw32\\include\\graphics.h";
  ScratchDir(machine).writeFile(header.substr(machine.size()), "/* BGI */");
  const TreeSnapshot before(machine);
  const std::wstring log = disk.path() + L"msi.log";
  const std::wstring install = L"/i \"" + package + L"\" /qn /l*v \"" + log + L"\"";
  const std::wstring upgrade = L"/i \"" + nextPackage + L"\" /qn /l*v \"" + log + L"\"";

  // Another library's graphics.h held open can neither be set aside nor
  // replaced: the environments done before it are put back.
  HANDLE held = hold(header);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_NE(msiexec(install), 0u);
  CloseHandle(held);
  EXPECT_EQ(gravoEntries(), std::vector<std::wstring>{});
  EXPECT_FALSE(hardening::exists(installDir + L"GravoSetupCli.exe"));
  EXPECT_EQ(changedSince(before), std::vector<std::wstring>{}) << hardening::readBytes(log);

  // INSTALLDIR is no property of this package: it stays in Program Files.
  ASSERT_EQ(
      msiexec(install + L" ENVIRONMENTS=\"vc2019 devcpp\" INSTALLDIR=\"" + disk.path() + L"elsewhere\""), 0u)
      << hardening::readBytes(log);
  EXPECT_TRUE(hardening::exists(installDir + L"GravoSetupCli.exe"));
  EXPECT_FALSE(hardening::exists(disk.path() + L"elsewhere"));
  EXPECT_EQ(hardening::readBytes(header + L".before-gravo"), "/* BGI */");
  const TreeSnapshot installed(machine);
  EXPECT_EQ(changedSince(before).size(), 13u) << hardening::joined(changedSince(before));

  // A repair and an upgrade keep to the list given at the install.
  const std::wstring vc2019 =
      machine + L"Microsoft Visual Studio\\2019\\Community\\VC\\Auxiliary\\VS\\include\\graphics.h";
  ASSERT_TRUE(DeleteFileW(vc2019.c_str()));
  // A repair as Programs and Features starts it (Wine's msiexec /f does
  // not find the product).
  EXPECT_EQ(msiexec(install + L" REINSTALL=ALL REINSTALLMODE=vomus"), 0u) << hardening::readBytes(log);
  EXPECT_EQ(TreeSnapshot::changesApartFromCompilerNotes(installed, TreeSnapshot(machine)),
            std::vector<std::wstring>{});

  held = hold(vc2019);
  EXPECT_NE(msiexec(upgrade), 0u);
  CloseHandle(held);
  EXPECT_EQ(gravoEntries(), std::vector<std::wstring>{L"Gravo 26.9.25, 26.9.25, Gravo"});
  EXPECT_TRUE(hardening::exists(installDir + L"GravoSetupCli.exe"));
  EXPECT_EQ(TreeSnapshot::changesApartFromCompilerNotes(installed, TreeSnapshot(machine)),
            std::vector<std::wstring>{})
      << hardening::readBytes(log);

  ASSERT_EQ(msiexec(upgrade), 0u) << hardening::readBytes(log);
  EXPECT_EQ(gravoEntries(), std::vector<std::wstring>{L"Gravo 26.9.26, 26.9.26, Gravo"});
  EXPECT_FALSE(hardening::exists(installDir));
  EXPECT_EQ(TreeSnapshot::changesApartFromCompilerNotes(installed, TreeSnapshot(machine)),
            std::vector<std::wstring>{});

  // The course puts its own header back; the removal leaves it and the
  // kept copy, and nothing holds the library any more.
  ScratchDir(machine).writeFile(header.substr(machine.size()), "/* BGI, the course's */");
  EXPECT_EQ(msiexec(L"/x \"" + nextPackage + L"\" /qn /l*v \"" + log + L"\""), 0u)
      << hardening::readBytes(log);
  EXPECT_EQ(gravoEntries(), std::vector<std::wstring>{});
  EXPECT_EQ(hardening::readBytes(header), "/* BGI, the course's */");
  EXPECT_EQ(hardening::readBytes(header + L".before-gravo"), "/* BGI */");
  EXPECT_EQ(changedSince(before).size(), 2u) << hardening::joined(changedSince(before));
  EXPECT_EQ(run(hardening::testDir() + L"..\\..\\cli\\GravoSetupCli.exe", L"uninstall --all").code, 0u);
}

}  // namespace
