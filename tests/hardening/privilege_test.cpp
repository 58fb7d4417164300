// What an elevated GravoSetupCli.exe could hand to the other users of a lab
// machine: the compilers it probes, a Visual C++ 6.0 folder that only their
// hive names, and links in the folders it writes into.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "discovery/fixtures.h"
#include "hardening/hardening_support.h"
#include "mingw/mingw_layouts.h"
#include "platforms/vc_trees.h"

using hardening::TreeSnapshot;

namespace {

// The machine key 6.0's setup writes, as a 32-bit program sees it on the
// 64-bit systems the tests run on.
const wchar_t kVc6Setup[] =
    L"Software\\WOW6432Node\\Microsoft\\VisualStudio\\6.0\\Setup\\Microsoft Visual C++";
const wchar_t kDevStudio[] =
    L"Software\\Microsoft\\DevStudio\\6.0\\Build System\\Components\\Platforms\\Win32 (x86)\\Directories";

bool administratorsEnabled() {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD bytes = sizeof(sid);
  BOOL member = FALSE;
  return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &bytes) &&
         CheckTokenMembership(nullptr, sid, &member) && member;
}

// What the stand-in gcc under root said of its token (its group and its
// privilege count); "" when it did not run.
std::string gccToken(const std::wstring& root) {
  const std::string args = hardening::readBytes(root + L"bin\\gcc-args.txt");
  const std::size_t at = args.find("administrators: ");
  return at == std::string::npos ? "" : args.substr(at + 16);
}

// The Unix path Wine gives a Windows path; "" outside Wine.
std::string unixPath(const std::wstring& path) {
  using ToUnix = char*(CDECL*)(const wchar_t*);
  const auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* const unix = toUnix ? toUnix(path.c_str()) : nullptr;
  const std::string text = unix ? unix : "";
  if (unix) HeapFree(GetProcessHeap(), 0, unix);
  return text;
}

// Runs a Unix shell command line to its end (Wine starts Linux programs
// without waiting for them); false where there is no Unix shell.
bool unixShell(const std::string& command, const ScratchDir& disk) {
  const std::string done = unixPath(disk.path() + L"shell-done");
  if (done.empty()) return false;
  const std::string line = "-c \"" + command + " && touch '" + done + "'\"";
  hardening::Child shell;
  if (!shell.start(L"Z:\\bin\\sh", std::wstring(line.begin(), line.end()))) return false;
  const bool ran = hardening::waitFor([&] { return disk.exists(L"shell-done"); }, 10000);
  DeleteFileW((disk.path() + L"shell-done").c_str());
  return ran;
}

class Privilege : public ::testing::Test {
 protected:
  void SetUp() override {
    setup = disk.makeDirs(L"Downloads\\Gravo Setup");
    ASSERT_TRUE(CopyFileW(hardening::cliPath().c_str(), (setup + L"GravoSetupCli.exe").c_str(), FALSE));
    layPayload(disk, L"Downloads\\Gravo Setup");
    for (const wchar_t* variant : {L"lib_mingw_492", L"lib_mingw_ucrt", L"lib_mingw_msvcrt"})
      for (const wchar_t* arch : {L"\\x86\\", L"\\x64\\"})
        for (const wchar_t* name : {L"libgravo.a", L"libgravow.a"})
          disk.writeFile(L"Downloads\\Gravo Setup\\" + std::wstring(variant) + arch + name, "payload");
    registry.deleteValue(HKEY_LOCAL_MACHINE, kVc6Setup, L"ProductDir");
    registry.deleteValue(HKEY_CURRENT_USER, kDevStudio, L"Library Dirs");
  }

  support::Captured cli(const std::wstring& arguments) {
    return support::runCaptured(setup + L"GravoSetupCli.exe", arguments, disk.path(), 90000);
  }

  ScratchDir disk;
  RegistryFixture registry;
  std::wstring setup;
};

TEST_F(Privilege, ElevatedRunsHandNoRightsToWhatOtherUsersControl) {
  // The test runs as an administrator, so a stand-in could see the group.
  ASSERT_TRUE(administratorsEnabled());

  // A compiler found at start-up, and one named with --dir.
  const std::wstring codeBlocks = mingwtest::codeBlocksLayout(disk.path());
  registry.setString(HKEY_CURRENT_USER, L"Software\\CodeBlocks", L"Path", codeBlocks);
  const std::wstring mingw =
      mingwtest::mingwW64Root(disk.path(), L"mingw-builds-8.1.0-x86_64-posix-seh.txt", L"MinGW");
  // Visual C++ 6.0 named only by another user's hive.
  const std::wstring foreignVc98 = layVc6(disk, L"eve\\VS6", L"12_0");
  registry.setString(HKEY_USERS, L"S-1-5-21-3623811015-3361044348-30300820-1013\\" + std::wstring(kDevStudio),
                     L"Library Dirs", foreignVc98 + L"LIB;" + foreignVc98 + L"MFC\\LIB");
  const TreeSnapshot foreignBefore(foreignVc98);

  const support::Captured all = cli(L"install --all");
  EXPECT_EQ(all.code, 0u) << all.out << all.err;
  EXPECT_NE(all.out.find("codeblocks  CodeBlocks        安装成功"), std::string::npos) << all.out;
  EXPECT_EQ(gccToken(codeBlocks + L"MinGW\\"), "not enabled\nprivileges: 1");
  EXPECT_EQ(all.out.find("Visual C++ 6.0    安装成功"), std::string::npos) << all.out;
  EXPECT_TRUE(TreeSnapshot::changes(foreignBefore, TreeSnapshot(foreignVc98)).empty());

  EXPECT_EQ(cli(L"install mingw --dir \"" + mingw + L"bin\"").code, 0u);
  EXPECT_EQ(gccToken(mingw), "not enabled\nprivileges: 1");

  // Where Visual C++ 6.0's own setup recorded it for the machine.
  const std::wstring vc98 = layVc6(disk, L"Microsoft Visual Studio", L"12_0");
  registry.setString(HKEY_LOCAL_MACHINE, kVc6Setup, L"ProductDir", vc98.substr(0, vc98.size() - 1));
  const support::Captured vc6 = cli(L"install vc6");
  EXPECT_EQ(vc6.code, 0u) << vc6.out << vc6.err;
  EXPECT_TRUE(hardening::exists(vc98 + L"include\\gravo.h"));
  EXPECT_TRUE(hardening::exists(vc98 + L"Lib\\Gravoa.lib"));

  // A folder on the way that is a link a user could have made: Wine shows
  // a Unix symbolic link as one.
  const std::wstring real = disk.makeDirs(L"real");
  mingwtest::mingwW64Root(real, L"mingw-builds-8.1.0-x86_64-posix-seh.txt", L"mingw64");
  const std::string realUnix = unixPath(disk.path() + L"real");
  const std::string link = realUnix.substr(0, realUnix.rfind('/') + 1) + "linked";
  if (!unixShell("ln -s '" + realUnix + "' '" + link + "'", disk))
    GTEST_SKIP() << "no Unix shell to make a symbolic link with";
  const std::wstring linked = L" --dir \"" + disk.path() + L"linked\\mingw64\"";
  const TreeSnapshot before(real);
  const support::Captured refused = cli(L"install mingw" + linked);
  EXPECT_EQ(refused.code, 1u) << refused.out << refused.err;
  EXPECT_NE(refused.out.find("安装失败_inlcude"), std::string::npos) << refused.out;
  EXPECT_TRUE(TreeSnapshot::changesApartFromCompilerNotes(before, TreeSnapshot(real)).empty());

  EXPECT_EQ(cli(L"install mingw --dir \"" + real + L"mingw64\"").code, 0u);
  const TreeSnapshot installed(real);
  // The install's rollback, after a user swapped a link in on the way.
  const std::string moved = realUnix + "-moved";
  ASSERT_TRUE(
      unixShell("mv '" + realUnix + "' '" + moved + "' && ln -s '" + moved + "' '" + realUnix + "'", disk));
  const support::Captured notUndone = cli(L"rollback");
  EXPECT_EQ(notUndone.code, 1u) << notUndone.out << notUndone.err;
  ASSERT_TRUE(unixShell("rm '" + realUnix + "' && mv '" + moved + "' '" + realUnix + "'", disk));
  EXPECT_TRUE(TreeSnapshot::changesApartFromCompilerNotes(installed, TreeSnapshot(real)).empty());
  const support::Captured kept = cli(L"uninstall mingw" + linked);
  EXPECT_EQ(kept.code, 1u) << kept.out << kept.err;
  EXPECT_NE(kept.out.find("卸载失败"), std::string::npos) << kept.out;
  EXPECT_TRUE(TreeSnapshot::changesApartFromCompilerNotes(installed, TreeSnapshot(real)).empty());
  // That refused uninstall kept nothing read through the link, which its
  // rollback would write where the link stood, into a user's own folder.
  EXPECT_TRUE(unixShell("rm '" + link + "'", disk));
  const std::vector<std::wstring> library = TreeSnapshot::changesApartFromCompilerNotes(before, installed);
  ASSERT_FALSE(library.empty());
  for (const std::wstring& file : library) disk.writeFile(L"linked\\" + file, "decoy");
  EXPECT_EQ(cli(L"rollback").code, 0u);
  for (const std::wstring& file : library)
    EXPECT_EQ(hardening::readBytes(disk.path() + L"linked\\" + file), "decoy") << hardening::narrow(file);

  // A library file a user replaced with a hard link to a file of the
  // system's: the install does not write through it.
  const std::wstring system = disk.writeFile(L"system\\settings.ini", "system");
  const std::wstring archive = real + library.back();
  ASSERT_TRUE(DeleteFileW(archive.c_str()) && CreateHardLinkW(archive.c_str(), system.c_str(), nullptr));
  EXPECT_EQ(cli(L"install mingw --dir \"" + real + L"mingw64\"").code, 1u);
  EXPECT_EQ(hardening::readBytes(system), "system");
}

}  // namespace
