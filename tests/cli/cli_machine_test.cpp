// GravoSetupCli.exe as a lab administrator runs it: copied with its payload
// into a folder of its own, started as a process on a developer's machine
// laid out by dev_machine.exe, its output captured as a deployment tool
// captures it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "discovery/fixtures.h"
#include "hardening/hardening_support.h"
#include "platforms/catalogue.h"
#include "platforms/install_ops.h"
#include "platforms/payload.h"

using hardening::TreeSnapshot;

namespace {

const DWORD kTimeoutMs = 90000;

using Outcome = support::Captured;

std::string utf8(const std::wstring& text) { return hardening::narrow(text); }

// Runs program to its end from the scratch folder (so that nothing is found
// through the current directory by accident).
Outcome run(const std::wstring& program, const std::wstring& arguments, const std::wstring& scratch) {
  return support::runCaptured(program, arguments, scratch, kTimeoutMs);
}

// list --json's text with its string escapes undone, as UTF-8; the text
// itself must be ASCII.
std::string unescaped(const std::string& json) {
  std::wstring text;
  for (std::size_t i = 0; i < json.size(); ++i) {
    if (json.compare(i, 2, "\\u") == 0) {
      text += static_cast<wchar_t>(std::stoul(json.substr(i + 2, 4), nullptr, 16));
      i += 5;
    } else {
      text += static_cast<wchar_t>(json[i] == '\\' ? json[++i] : json[i]);
    }
  }
  return utf8(text);
}

int count(const std::string& text, const std::string& pattern) {
  const std::regex re(pattern);
  return static_cast<int>(
      std::distance(std::sregex_iterator(text.begin(), text.end(), re), std::sregex_iterator()));
}

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    // A user's folder as lab machines have them, with a character beyond
    // the 16-bit range as well.
    machine = std::wstring(temp) + L"gravo-cli-\u738B\u5C0F\u660E-\U0001D11E\\";
    ASSERT_EQ(
        run(devMachine(), L"prepare \"" + machine.substr(0, machine.size() - 1) + L"\"", disk.path()).code,
        0u);
    setup = disk.makeDirs(L"Downloads\\Gravo Setup");
    cli = setup + L"GravoSetupCli.exe";
    ASSERT_TRUE(
        CopyFileW((hardening::testDir() + L"..\\..\\cli\\GravoSetupCli.exe").c_str(), cli.c_str(), FALSE));
    for (const std::wstring& file : payloadFiles()) writePayload(file);
    desktop = desktopFolder() + L"\\";
  }

  void TearDown() override {
    EXPECT_EQ(
        run(devMachine(), L"remove \"" + machine.substr(0, machine.size() - 1) + L"\"", disk.path()).code,
        0u);
  }

  static std::vector<std::wstring> payloadFiles() {
    std::vector<std::wstring> files;
    for (const PayloadFile& file : payloadTable()) files.push_back(file.sourceSubdir + file.fileName);
    for (const wchar_t* variant : {L"lib_mingw_492", L"lib_mingw_ucrt", L"lib_mingw_msvcrt"})
      for (const wchar_t* arch : {L"\\x86\\", L"\\x64\\"})
        for (const wchar_t* name : {L"libgravo.a", L"libgravow.a"})
          files.push_back(variant + std::wstring(arch) + name);
    return files;
  }

  static std::wstring devMachine() { return hardening::testDir() + L"..\\e2e\\dev_machine.exe"; }

  void writePayload(const std::wstring& relative) {
    const bool header = relative == L"include\\graphics.h";
    disk.writeFile(L"Downloads\\Gravo Setup\\" + relative, header ? gravoHeaderText("payload") : "payload");
  }

  Outcome cliRun(const std::wstring& arguments) { return run(cli, arguments, disk.path()); }

  // What changed on the machine, apart from the stand-in compilers' notes
  // of how they were run.
  std::vector<std::wstring> changedSince(const TreeSnapshot& before) const {
    return TreeSnapshot::changesApartFromCompilerNotes(before, TreeSnapshot(machine));
  }

  ScratchDir disk;
  std::wstring machine;
  std::wstring setup;
  std::wstring cli;
  std::wstring desktop;
};

TEST_F(Cli, ListJsonIsAsciiAndAgreesWithTheCatalogue) {
  const Outcome raw = cliRun(L"list --json");
  ASSERT_EQ(raw.code, 0u) << raw.err;
  EXPECT_TRUE(std::all_of(raw.out.begin(), raw.out.end(), [](char c) { return (c & 0x80) == 0; }));
  const std::string listed = unescaped(raw.out);
  CatalogueData data;
  buildCatalogue(data);
  const std::vector<std::string> ids = {"docs",   "vc6",        "vc2010", "vc2019", "devcpp",
                                        "clion",  "codeblocks", "vc2008", "vc2012", "vc2013",
                                        "vc2015", "vc2017",     "vc2022", "vc2026", "mingw"};
  ASSERT_EQ(data.shownEntries.size(), ids.size());
  std::size_t at = 0;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    const PlatformEntry& entry = *data.shownEntries[i];
    at = listed.find("{\"id\": \"" + ids[i] + "\", \"label\": \"" + utf8(entry.label.substr(2)) +
                         "\", \"detected\": " + (entry.detected ? "true" : "false"),
                     at);
    ASSERT_NE(at, std::string::npos) << ids[i] << " not in the list's order";
    const std::string row = listed.substr(at, listed.find('\n', at) - at);
    EXPECT_NE(row.find("\"status\": \"" + (entry.detected ? "" : utf8(entry.statusText)) + "\"}"),
              std::string::npos);
  }
  const std::string vs2019 = utf8(data.vcTargets[7].baseDir);
  EXPECT_NE(vs2019.find(utf8(L"\u738B\u5C0F\u660E-\U0001D11E")), std::string::npos);
  EXPECT_NE(listed.find("\"directories\": [\"" + vs2019 + "include\\\", \"" + vs2019 + "lib\\x86\\\", \"" +
                        vs2019 + "lib\\x64\\\"]"),
            std::string::npos)
      << listed;
  EXPECT_NE(cliRun(L"list").out.find("list: 15 rows, 7 detected"), std::string::npos);
}

TEST_F(Cli, InstallAllThenUninstallAllLeavesTheMachineAsItWas) {
  const std::wstring log = disk.makeDirs(L"logs") + L"gravo.log";
  const TreeSnapshot before(machine);
  const TreeSnapshot desktopBefore(desktop);

  const Outcome installed = cliRun(L"install --all --log \"" + log + L"\"");
  EXPECT_EQ(installed.code, 0u) << installed.out << installed.err;
  EXPECT_EQ(count(installed.out, "安装成功\r\n"), 6) << installed.out;
  const std::string notThere = "vc2008 vc2012 vc2013 vc2015 vc2017 vc2022 vc2026 mingw (not detected)";
  EXPECT_NE(installed.out.find("install: 6 done, 0 failed; skipped: " + notThere + "\r\n"),
            std::string::npos);
  // Headers and libraries: four files for 6.0, CLion and Code::Blocks, six
  // for 2010, 2019 and Dev-C++; the desktop shortcut only when named.
  const std::vector<std::wstring> added = changedSince(before);
  EXPECT_EQ(added.size(), 30u) << hardening::joined(added);
  EXPECT_TRUE(TreeSnapshot::changes(desktopBefore, TreeSnapshot(desktop)).empty());
  const std::string stamp = R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z  )";
  EXPECT_EQ(count(hardening::readBytes(log), stamp + "copied [^\r\n]+ -> [^\r\n]+\r\n"), 30);
  EXPECT_EQ(hardening::readBytes(log).rfind("\xEF\xBB\xBF" + std::string("2"), 0), 0u);

  const Outcome uninstalled = cliRun(L"uninstall --all --log=\"" + log + L"\"");
  EXPECT_EQ(uninstalled.code, 0u) << uninstalled.out << uninstalled.err;
  EXPECT_EQ(count(uninstalled.out, "卸载成功\r\n"), 6);
  EXPECT_TRUE(changedSince(before).empty());
  const std::string logged = hardening::readBytes(log);
  EXPECT_EQ(count(logged, stamp + "deleted [^\r\n]+\r\n"), 30);
  EXPECT_EQ(count(logged, stamp + "install: 6 done, 0 failed; skipped: [^\r\n]+; exit code 0\r\n"), 1)
      << logged;
  EXPECT_EQ(count(logged, "\xEF\xBB\xBF"), 1);

  // Run again, with another library's graphics.h where Gravo's was: every
  // environment is skipped and that file is left alone.
  const std::wstring foreign =
      machine + L"Microsoft Visual Studio\\2019\\Community\\VC\\Auxiliary\\VS\\include\\graphics.h";
  disk.writeFile(L"bgi-graphics.h", "/* BGI */");
  ASSERT_TRUE(CopyFileW((disk.path() + L"bgi-graphics.h").c_str(), foreign.c_str(), TRUE));
  const Outcome again = cliRun(L"uninstall --all");
  EXPECT_EQ(again.code, 0u) << again.out << again.err;
  EXPECT_NE(again.out.find("vc2019      Visual C++ 2019   skipped: does not hold the library\r\n"),
            std::string::npos)
      << again.out;
  EXPECT_NE(again.out.find("uninstall: 0 done, 0 failed; skipped: " + notThere +
                           ", vc6 vc2010 vc2019 devcpp clion codeblocks (does not hold the library)\r\n"),
            std::string::npos)
      << again.out;
  EXPECT_EQ(changedSince(before).size(), 1u);
  EXPECT_EQ(hardening::readBytes(foreign), "/* BGI */");
}

TEST_F(Cli, ExitCodesSayWhatHappened) {
  EXPECT_EQ(cliRun(L"--help").code, 0u);

  const Outcome bad = cliRun(L"install vc2019 --dir \"C:\\100% sure\"");
  EXPECT_EQ(bad.code, 2u);
  EXPECT_NE(bad.err.find("refused in folder names"), std::string::npos) << bad.err;
  EXPECT_NE(bad.err.find("Usage:"), std::string::npos);
  EXPECT_EQ(cliRun(L"install vc2019 --dir \"" + machine + L"no such folder\"").code, 2u);

  // Named but not detected: reported with the row's own text.
  const Outcome missing = cliRun(L"install vc2008");
  EXPECT_EQ(missing.code, 3u);
  EXPECT_NE(missing.out.find("vc2008      Visual C++ 2008   （未检测到）\r\n"
                             "install: nothing detected to act on; skipped: vc2008 (not detected)\r\n"),
            std::string::npos)
      << missing.out;

  // A payload folder missing beside the program: the operation's own text.
  const TreeSnapshot before(machine);
  ASSERT_TRUE(DeleteFileW((setup + L"lib_vc2008\\x64\\Gravow.lib").c_str()));
  const Outcome failed = cliRun(L"install vc2019 vc2010");
  EXPECT_EQ(failed.code, 1u);
  EXPECT_NE(failed.out.find("vc2019      Visual C++ 2019   安装成功\r\n"), std::string::npos) << failed.out;
  EXPECT_NE(failed.out.find("vc2010      Visual C++ 2010   安装失败\r\n"), std::string::npos) << failed.out;
  EXPECT_NE(failed.out.find("install: 1 done, 1 failed\r\n"), std::string::npos);
  EXPECT_EQ(changedSince(before).size(), 6u + 5u);

  // Anyone may create a folder where the log should go: the install is
  // still done, and the exit code tells of the missing log.
  const std::wstring blocked = disk.makeDirs(L"logs\\gravo-setup.log");
  const Outcome unlogged = cliRun(L"install vc6 --log \"" + blocked.substr(0, blocked.size() - 1) + L"\"");
  EXPECT_EQ(unlogged.code, 4u) << unlogged.out << unlogged.err;
  EXPECT_NE(unlogged.err.find("cannot open the log file"), std::string::npos) << unlogged.err;
  EXPECT_EQ(changedSince(before).size(), 6u + 5u + 4u);

  // A pipe is refused with the arguments; a log with another name
  // elsewhere, or a device, is not written, and the run goes on.
  EXPECT_EQ(cliRun(L"install vc6 --log \\\\127.0.0.1\\PIPE\\gravo").code, 2u);
  const std::wstring named = disk.writeFile(L"logs\\other-name.log", "");
  ASSERT_TRUE(CreateHardLinkW((disk.path() + L"logs\\linked.log").c_str(), named.c_str(), nullptr));
  for (const wchar_t* refused : {L"linked.log", L"NUL"}) {
    const Outcome unwritten = cliRun(L"install vc6 --log \"" + disk.path() + L"logs\\" + refused + L"\"");
    EXPECT_EQ(unwritten.code, 4u) << unwritten.out << unwritten.err;
    EXPECT_NE(unwritten.err.find(refused[0] == L'N' ? "is no disk file" : "has more than one name"),
              std::string::npos)
        << unwritten.err;
  }
  EXPECT_EQ(hardening::readBytes(named), "");
}

// Run with administrator rights, as here, every change is recorded first:
// rollback puts back the last run's, byte for byte, and only those.
TEST_F(Cli, RollbackPutsBackWhatTheLastRunChanged) {
  const std::wstring header = machine + L"Dev-Cpp\\MinGW64\\x86_64-w64-mingw32\\include\\graphics.h";
  ScratchDir(machine).writeFile(header.substr(machine.size()), "/* BGI */");
  const TreeSnapshot before(machine);
  ASSERT_EQ(cliRun(L"install --all").code, 0u);
  ASSERT_EQ(changedSince(before).size(), 31u);
  const Outcome undone = cliRun(L"rollback");
  EXPECT_EQ(undone.code, 0u) << undone.out << undone.err;
  EXPECT_NE(undone.out.find("rollback: 31 put back, 0 failed\r\n"), std::string::npos) << undone.out;
  EXPECT_EQ(changedSince(before), std::vector<std::wstring>{});
  EXPECT_NE(cliRun(L"rollback").out.find("rollback: nothing to roll back"), std::string::npos);

  ASSERT_EQ(cliRun(L"install vc6 devcpp").code, 0u);
  const TreeSnapshot installed(machine);
  // A journal that cannot be read is no "nothing to roll back".
  wchar_t windows[MAX_PATH] = {};
  GetSystemWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring logs = std::wstring(windows) + L"\\Logs\\Gravo\\";
  const HANDLE held = CreateFileW((logs + L"journal\\journal.txt").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const Outcome unread = cliRun(L"rollback");
  CloseHandle(held);
  EXPECT_EQ(unread.code, 1u) << unread.out << unread.err;
  EXPECT_EQ(TreeSnapshot::changesApartFromCompilerNotes(installed, TreeSnapshot(machine)),
            std::vector<std::wstring>{});
  ASSERT_EQ(cliRun(L"uninstall devcpp").code, 0u);
  ASSERT_EQ(cliRun(L"rollback").code, 0u);
  EXPECT_EQ(TreeSnapshot::changesApartFromCompilerNotes(installed, TreeSnapshot(machine)),
            std::vector<std::wstring>{});
  EXPECT_EQ(cliRun(L"uninstall --all").code, 0u);
  EXPECT_EQ(changedSince(before), std::vector<std::wstring>{});

  EXPECT_NE(hardening::readBytes(logs + L"GravoSetupCli.log").find("rollback: "), std::string::npos);
}

// What nothing in the program expected ends it with exit code 1 and says
// so: abort()'s own code, 3, would read as "nothing detected".
TEST(CliFailure, AnythingUnexpectedEndsWithExitCode1) {
  ScratchDir disk;
  for (const wchar_t* how : {L"abort", L"throw", L"overflow", L"crash"}) {
    const Outcome failed = run(hardening::testDir() + L"failure_probe.exe", how, disk.path());
    EXPECT_EQ(failed.code, 1u) << utf8(how) << failed.err;
    EXPECT_NE(failed.err.find("GravoSetupCli: unexpected failure ("), std::string::npos) << failed.err;
  }
}

TEST_F(Cli, DirFindsWhatTheChooserFindsWalkingUp) {
  const TreeSnapshot before(machine);
  const std::wstring vs2022 = machine + L"Microsoft Visual Studio\\2022\\Professional";
  const std::wstring deep = L" --dir \"" + vs2022 + L"\\VC\\Tools\\MSVC\"";

  const Outcome wrong = cliRun(L"install vc2019" + deep);
  EXPECT_EQ(wrong.code, 3u);
  EXPECT_NE(wrong.out.find("版本错误，请重新选择对应版本"), std::string::npos) << wrong.out;
  EXPECT_TRUE(changedSince(before).empty());

  const Outcome installed = cliRun(L"install vc2022" + deep);
  EXPECT_EQ(installed.code, 0u) << installed.out << installed.err;
  const std::vector<std::wstring> added = changedSince(before);
  ASSERT_EQ(added.size(), 6u) << hardening::joined(added);
  EXPECT_EQ(added[0].rfind(L"Microsoft Visual Studio\\2022\\Professional\\VC\\Auxiliary\\VS\\", 0), 0u);
  EXPECT_EQ(cliRun(L"uninstall vc2022" + deep).code, 0u);

  EXPECT_EQ(cliRun(L"install mingw --dir \"" + machine + L"tools\\mingw64\\bin\"").code, 0u);
  EXPECT_EQ(cliRun(L"uninstall mingw --dir \"" + machine + L"tools\\mingw64\"").code, 0u);
  EXPECT_TRUE(changedSince(before).empty());

  // MinGW.org's gcc 6.3.0, which no library variant fits.
  const std::wstring old = disk.makeDirs(L"MinGW");
  for (const wchar_t* dir : {L"bin", L"include", L"lib", L"mingw32\\lib"})
    disk.makeDirs(L"MinGW\\" + std::wstring(dir));
  ASSERT_TRUE(
      CopyFileW((machine + L"tools\\mingw64\\bin\\gcc.exe").c_str(), (old + L"bin\\gcc.exe").c_str(), TRUE));
  ASSERT_TRUE(CopyFileW((hardening::testDir() + L"..\\e2e\\data\\gcc-v\\mingw-org-6.3.0.txt").c_str(),
                        (old + L"bin\\gcc-v.txt").c_str(), TRUE));
  const Outcome refused = cliRun(L"install mingw --dir \"" + old + L"bin\"");
  EXPECT_EQ(refused.code, 3u);
  EXPECT_NE(
      refused.out.find("install: nothing detected to act on; skipped: mingw (unsupported toolchain)\r\n"),
      std::string::npos)
      << refused.out;
}

// Course staff's BGI graphics.h in Dev-C++'s MinGW, and a Code::Blocks that
// only another user's hive names.
TEST_F(Cli, AnotherLibrarysHeaderAndAnotherUsersCompilerAreLeftAlone) {
  const std::wstring gcc = machine + L"CodeBlocks\\MinGW\\bin\\gcc-args.txt";
  const std::wstring codeBlocks = L" --dir \"" + machine + L"CodeBlocks\"";
  {
    RegistryFixture registry;
    registry.deleteValue(HKEY_CURRENT_USER, L"Software\\CodeBlocks", L"Path");
    registry.setString(HKEY_USERS, L"S-1-5-21-3623811015-3361044348-30300820-1013\\SoftWare\\CodeBlocks",
                       L"Path", machine + L"CodeBlocks");
    DeleteFileW(gcc.c_str());
    const Outcome listed = cliRun(L"list");
    EXPECT_EQ(count(listed.out, "codeblocks +CodeBlocks +（未检测到）\r\n"), 1) << listed.out;
    EXPECT_FALSE(hardening::exists(gcc));
    // Chosen by hand, the same folder is used.
    EXPECT_EQ(cliRun(L"install codeblocks" + codeBlocks).code, 0u);
    EXPECT_TRUE(hardening::exists(gcc));
    EXPECT_EQ(cliRun(L"uninstall codeblocks" + codeBlocks).code, 0u);
  }

  const std::wstring header = machine + L"Dev-Cpp\\MinGW64\\x86_64-w64-mingw32\\include\\graphics.h";
  const std::string bgi("// WinBGIm\r\n#include <windows.h>\r\n\x80\x00\xff", 37);
  ScratchDir(machine).writeFile(header.substr(machine.size()), bgi);
  const TreeSnapshot before(machine);
  cliRun(L"uninstall devcpp");
  EXPECT_EQ(hardening::readBytes(header), bgi);
  const Outcome installed = cliRun(L"install devcpp");
  EXPECT_NE(installed.out.find("安装成功"), std::string::npos) << installed.out;
  EXPECT_EQ(hardening::readBytes(header + L".before-gravo"), bgi);
  EXPECT_EQ(cliRun(L"uninstall devcpp").code, 0u);
  EXPECT_EQ(hardening::readBytes(header), bgi);
  EXPECT_TRUE(changedSince(before).empty()) << hardening::joined(changedSince(before));
}

// verify with stand-in compilers that really compile, against the real
// payload: Dev-C++'s multilib MinGW and Visual C++ 2019 verify; CLion's
// MinGW, given the 32-bit archives where the 64-bit ones belong, does not
// link; Code::Blocks' g++ hangs and is ended, then swaps a link in for the
// scratch folder.
TEST_F(Cli, VerifyBuildsAndRunsAProgramWithEachEnvironmentsOwnCompiler) {
  const std::wstring built = hardening::testDir() + L"..\\payload\\setup\\";
  for (const std::wstring& file : payloadFiles())
    ASSERT_TRUE(CopyFileW((built + file).c_str(), (setup + file).c_str(), FALSE)) << utf8(file);
  ASSERT_EQ(cliRun(L"install devcpp vc2019 clion codeblocks").code, 0u);

  // Each stand-in with its settings, relative to the machine's folder.
  const ScratchDir onMachine(machine);
  const auto compiler = [&](const std::wstring& path, const std::string& settings) {
    onMachine.writeFile(path.substr(0, path.rfind(L'\\') + 1) + L"standin.txt", settings);
    ASSERT_TRUE(
        CopyFileW((hardening::testDir() + L"standin_compiler.exe").c_str(), (machine + path).c_str(), FALSE));
  };
  compiler(L"Dev-Cpp\\MinGW64\\bin\\g++.exe", "mingw");
  compiler(L"CLion 2023.2\\bin\\mingw\\bin\\g++.exe", "mingw");
  for (const std::wstring name : {L"libgravo.a", L"libgravow.a"})
    ASSERT_TRUE(CopyFileW((setup + L"lib_mingw_ucrt\\x86\\" + name).c_str(),
                          (machine + L"CLion 2023.2\\bin\\mingw\\x86_64-w64-mingw32\\lib\\" + name).c_str(),
                          FALSE));
  const std::wstring codeBlocks = L"CodeBlocks\\MinGW\\bin\\";
  compiler(codeBlocks + L"g++.exe", "hang");
  const std::wstring vc = L"Microsoft Visual Studio\\2019\\Community\\VC\\";
  const char* source = std::getenv("GRAVO_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  for (const wchar_t* arch : {L"x86", L"x64"})
    compiler(vc + L"Tools\\MSVC\\14.29.30133\\bin\\Hostx64\\" + arch + L"\\cl.exe",
             "msvc " + std::string(source) + "/tests/payload/vc_startup.cpp");
  // The paths a default installation's script sets, for the architecture
  // given.
  onMachine.writeFile(vc + L"Auxiliary\\Build\\vcvarsall.bat",
                      "@set VSCMD_ARG_TGT_ARCH=%1\r\n@set \"INCLUDE=%~dp0..\\VS\\include\"\r\n"
                      "@set \"LIB=%~dp0..\\VS\\lib\\%1\"\r\n"
                      "@set \"PATH=%~dp0..\\..\\Tools\\MSVC\\14.29.30133\\bin\\Hostx64\\%1;%PATH%\"\r\n");
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring scratch = std::wstring(temp) + L"gravo-verify-*";
  const auto scratchFolders = [&] {
    WIN32_FIND_DATAW found;
    const HANDLE listing = FindFirstFileW(scratch.c_str(), &found);
    int folders = 0;
    for (bool more = listing != INVALID_HANDLE_VALUE; more; more = FindNextFileW(listing, &found)) ++folders;
    if (listing != INVALID_HANDLE_VALUE) FindClose(listing);
    return folders;
  };
  const int foldersBefore = scratchFolders();

  const Outcome verified = cliRun(L"verify devcpp vc2019 clion");
  EXPECT_EQ(verified.code, 1u) << verified.out << verified.err;
  EXPECT_EQ(count(verified.out, "devcpp +DevCpp +verified \\(x64, x64 UNICODE, x86, x86 UNICODE\\)"), 1)
      << verified.out;
  EXPECT_EQ(
      count(verified.out, "vc2019 +Visual C\\+\\+ 2019 +verified \\(x86, x86 UNICODE, x64, x64 UNICODE\\)"),
      1);
  EXPECT_EQ(count(verified.out,
                  "clion +CLion +failed: x64: did not compile and link \\(exit code [1-9][0-9]*\\)\r\n"
                  " +[^\r\n]*gravo"),
            1);
  EXPECT_NE(verified.out.find("verify: 2 verified, 1 failed\r\n"), std::string::npos);
  EXPECT_EQ(cliRun(L"verify vc2008").code, 3u);

  SetEnvironmentVariableW(L"GRAVO_VERIFY_TIMEOUT_MS", L"3000");
  const Outcome hung = cliRun(L"verify codeblocks --json");
  SetEnvironmentVariableW(L"GRAVO_VERIFY_TIMEOUT_MS", nullptr);
  EXPECT_EQ(hung.code, 1u) << hung.out << hung.err;
  EXPECT_NE(
      hung.out.find("\"result\": \"failed\", \"text\": \"failed: x64: the compiler did not finish within "
                    "3 s and was ended\""),
      std::string::npos)
      << hung.out;
  DWORD pid = 0;
  std::istringstream(hardening::readBytes(machine + codeBlocks + L"standin-pid.txt")) >> pid;
  const HANDLE standin = OpenProcess(SYNCHRONIZE, FALSE, pid);
  EXPECT_TRUE(pid != 0 && (standin == nullptr || WaitForSingleObject(standin, 0) == WAIT_OBJECT_0));
  if (standin != nullptr) CloseHandle(standin);
  EXPECT_EQ(scratchFolders(), foldersBefore);
  // A compiler that moves the scratch folder away and leaves a link to its
  // own folder in its place: what the link leads to stays. (Windows removes
  // the link itself; Wine cannot remove a Unix link to a folder.)
  onMachine.writeFile(codeBlocks + L"standin.txt", "swap");
  EXPECT_EQ(cliRun(L"verify codeblocks").code, 1u);
  EXPECT_TRUE(hardening::exists(machine + codeBlocks + L"g++.exe"));
  EXPECT_TRUE(hardening::exists(machine + codeBlocks + L"standin.txt"));
}

}  // namespace
