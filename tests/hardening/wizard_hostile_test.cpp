// The real GravoSetup.exe, started as a user starts it, on a hostile
// machine: it must come up, build its catalogue, stay responsive and end
// cleanly when asked.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/wizard_test_support.h"
#include "discovery/fixtures.h"
#include "hardening/hardening_support.h"
#include "hardening/hostile_registry.h"
#include "mingw/mingw_layouts.h"

using namespace hardening;

namespace {

const DWORD kTimeoutMs = 90000;

// The wizard's window answers its messages: its window thread is alive.
bool responsive(HWND window) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored) != 0;
}

}  // namespace

TEST(HostileWizard, CatalogueAtStartUpSurvivesAHostileRegistry) {
  mingwtest::ScratchDir scratch;
  // Thousands of entries of every bad shape, one that cannot be read, a
  // name of the greatest length, and values filling the read buffer.
  BulkKeys keys(kUninstall);
  addClutter(keys, 2000);
  ASSERT_TRUE(keys.add(L"GravoHardening.locked", {text(L"DisplayName", L"Dev-C++")}));
  const LockedKey locked(HKEY_LOCAL_MACHINE, kUninstall + L"\\GravoHardening.locked");
  ASSERT_TRUE(locked.locked());
  ASSERT_TRUE(
      keys.add(L"GravoHardening." + std::wstring(240, L'n'),
               {text(L"DisplayName", L"CLion"), {L"InstallLocation", REG_BINARY, std::string(2048, 'c')}}));
  ASSERT_TRUE(keys.add(L"GravoHardening.vs", {text(L"DisplayName", L"Visual Studio Community 2019"),
                                              {L"InstallLocation", REG_DWORD, std::string(4, '\xff')}}));
  RegistryFixture registry;
  registry.setBytes(HKEY_LOCAL_MACHINE, kSxs, L"14.0", REG_BINARY, std::string(2048, '\\').data(), 2048);
  registry.setString(HKEY_LOCAL_MACHINE, kSxs, L"9.0", L"VC\\");
  const std::wstring devStudio =
      L"Software\\Microsoft\\DevStudio\\6.0\\Build System\\Components\\Platforms\\Win32 (x86)\\Directories";
  registry.setString(HKEY_USERS, L"S-1-5-21-9-9-9-1000\\" + devStudio, L"Library Dirs",
                     std::wstring(1011, L'x') + L"vc98\\mfc\\lib");
  // A Code::Blocks, probed last, whose gcc answers with binary bytes: once
  // it has run, the whole catalogue has been built.
  const std::wstring codeBlocks = mingwtest::codeBlocksLayout(scratch.path());
  const std::wstring gcc = codeBlocks + L"MinGW\\bin\\";
  mingwtest::copyHelper(L"hostile_gcc.exe", gcc + L"gcc.exe");
  std::string binary(100000, '\0');
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 7919 % 251);
  mingwtest::writeFile(gcc + L"gcc-out.bin", binary);
  registry.setString(HKEY_CURRENT_USER, L"Software\\CodeBlocks", L"Path",
                     codeBlocks.substr(0, codeBlocks.size() - 1));

  const TreeSnapshot before(scratch.path());
  Child wizard;
  ASSERT_TRUE(wizard.start(wizardPath(), L"", scratch.path()));
  const HWND window = wizard.waitForWindow(kTimeoutMs);
  ASSERT_NE(nullptr, window);
  EXPECT_TRUE(waitFor([&] { return exists(gcc + L"gcc-ran.txt") || !wizard.running(); }, kTimeoutMs))
      << "the catalogue did not reach Code::Blocks";
  ASSERT_TRUE(wizard.running()) << "the wizard ended during detection";
  EXPECT_TRUE(responsive(window));
  pressAt(window, kCancelButton);
  EXPECT_EQ(0u, wizard.waitForExit(kTimeoutMs));

  // Only the stand-in gcc's record of its own run is new.
  const std::vector<std::wstring> changed = TreeSnapshot::changes(before, TreeSnapshot(scratch.path()));
  EXPECT_EQ(std::vector<std::wstring>{L"CodeBlocks\\MinGW\\bin\\gcc-ran.txt"}, changed) << joined(changed);
}

TEST(HostileWizard, StartedFromALongNonAsciiPath) {
  mingwtest::ScratchDir scratch;
  // As long as a program's path can be: 259 characters and the NUL.
  std::wstring dir = scratch.path() + L"下载 (2)\\";
  for (int i = 0; dir.size() < 230; ++i) dir += L"张三 的 文件夹 " + std::to_wstring(i) + L"\\";
  dir += std::wstring(259 - dir.size() - std::wstring(L"\\GravoSetup.exe").size(), L'夹') + L"\\";
  mingwtest::makeDirs(dir);
  ASSERT_EQ(259u, (dir + L"GravoSetup.exe").size());
  ASSERT_TRUE(CopyFileW(wizardPath().c_str(), (dir + L"GravoSetup.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileW((testDir() + L"setup_dir_probe.exe").c_str(), (dir + L"probe.exe").c_str(), FALSE));

  // The payload is looked for beside the executable, the whole path kept.
  const std::wstring answer = scratch.path() + L"answer.txt";
  Child probe;
  ASSERT_TRUE(probe.start(dir + L"probe.exe", L"\"" + answer + L"\"", scratch.path()));
  EXPECT_EQ(0u, probe.waitForExit(kTimeoutMs));
  const std::string bytes = readBytes(answer);
  EXPECT_EQ(dir,
            std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t)));

  Child wizard;
  ASSERT_TRUE(wizard.start(dir + L"GravoSetup.exe", L"", dir));
  const HWND window = wizard.waitForWindow(kTimeoutMs);
  ASSERT_NE(nullptr, window);
  // The window opens under the runtime's own title; the wizard's follows.
  const std::wstring expected = L"Gravo 26.9.25 安装向导";
  std::wstring title;
  EXPECT_TRUE(waitFor(
      [&] {
        wchar_t text[64] = {};
        GetWindowTextW(window, text, 64);
        title = text;
        return title == expected;
      },
      kTimeoutMs))
      << narrow(title);
  EXPECT_TRUE(responsive(window));
  pressAt(window, kCancelButton);
  EXPECT_EQ(0u, wizard.waitForExit(kTimeoutMs));

  // One character more and the system does not start the program at all,
  // so it never installs from a path cut at the buffer's end.
  const std::wstring longer = dir.substr(0, dir.size() - 1) + L"夹\\";
  mingwtest::makeDirs(longer);
  ASSERT_TRUE(CopyFileW(wizardPath().c_str(), (longer + L"GravoSetup.exe").c_str(), FALSE));
  Child refused;
  EXPECT_FALSE(refused.start(longer + L"GravoSetup.exe", L"", scratch.path()));
}
