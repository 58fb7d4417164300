// The command line as untrusted input: what is refused, and the form in
// which accepted paths and ids reach the operations.
#include <gtest/gtest.h>

#include <windows.h>

#include "cli/cli_access.h"
#include "cli/cli_args.h"
#include "cli/cli_verify.h"
#include "discovery/fixtures.h"

namespace {

CliParse parse(std::vector<std::wstring> args) { return parseArguments(args); }

TEST(CliArgs, RefusesBadArgumentsWithAReason) {
  struct Case {
    std::vector<std::wstring> args;
    const wchar_t* reason;
  };
  const Case cases[] = {
      {{}, L"no command"},
      {{L"frobnicate"}, L"unknown command"},
      {{L"install"}, L"name the environments"},
      {{L"install", L"vc2019", L"vscode"}, L"unknown id 'vscode'"},
      {{L"install", L"/S"}, L"unknown option '/S'"},
      {{L"install", L"--all", L"--json"}, L"--json is for list and verify only"},
      {{L"verify", L"docs"}, L"no compiler to verify"},
      {{L"list", L"vc6"}, L"list takes only"},
      {{L"list", L"--all"}, L"list takes only"},
      {{L"install", L"vc6", L"vc2010", L"--dir", L"C:\\VS"}, L"exactly one id"},
      {{L"install", L"--all", L"--dir", L"C:\\VS"}, L"exactly one id"},
      {{L"install", L"docs", L"--dir", L"C:\\Users"}, L"does not apply to docs"},
      {{L"install", L"mingw", L"--dir"}, L"needs a path"},
      {{L"install", L"mingw", L"--dir", L"C:\\a", L"--dir", L"C:\\b"}, L"given twice"},
      {{L"install", L"mingw", L"--dir", L"tools\\mingw64"}, L"not an absolute path"},
      {{L"install", L"mingw", L"--dir", L"C:tools"}, L"not an absolute path"},
      {{L"install", L"mingw", L"--dir", L"\\tools"}, L"not an absolute path"},
      {{L"install", L"mingw", L"--dir", L"\\\\.\\PhysicalDrive0"}, L"not an absolute path"},
      {{L"install", L"mingw", L"--dir", L"C:\\tools\\..\\Windows"}, L". or .."},
      {{L"install", L"mingw", L"--dir", L"C:\\%PATH%"}, L"% ! or a quote"},
      {{L"install", L"mingw", L"--dir", L"C:\\x!PATH!"}, L"% ! or a quote"},
      {{L"install", L"mingw", L"--dir", L"C:\\a\" & calc & \""}, L"% ! or a quote"},
      {{L"install", L"mingw", L"--dir", L"C:\\\uFF05PATH\uFF05"}, L"% ! or a quote"},
      {{L"install", L"mingw", L"--dir=C:\\a\r\nb"}, L"control character"},
      {{L"install", L"mingw", L"--log", L"install.log"}, L"not an absolute path"},
      {{L"install", L"mingw", L"--log", L"C:\\logs\\a|b.log"}, L"< > | * ?"},
  };
  for (const Case& c : cases) {
    const CliParse result = parse(c.args);
    EXPECT_NE(result.error.find(c.reason), std::wstring::npos)
        << "arguments " << c.args.size() << " first "
        << (c.args.empty() ? "" : std::string(c.args[0].begin(), c.args[0].end())) << ": "
        << std::string(result.error.begin(), result.error.end());
  }
  // An echoed argument cannot carry control characters to the console.
  EXPECT_EQ(parse({L"\x1b[2Jwipe"}).error.find(L'\x1b'), std::wstring::npos);
}

TEST(CliArgs, AcceptsPathsInTheChoosersFormAndIdsOnce) {
  const CliParse dir = parse({L"INSTALL", L"MinGW", L"--dir=C:/tools//mingw64/bin/", L"--log",
                              L"\\\\lab\\logs\\%COMPUTERNAME%.log"});
  ASSERT_EQ(dir.error, L"");
  EXPECT_EQ(dir.request.command, CliRequest::Install);
  EXPECT_EQ(dir.request.ids, std::vector<std::wstring>{L"mingw"});
  EXPECT_EQ(dir.request.dir, L"C:\\tools\\mingw64\\bin");
  EXPECT_EQ(dir.request.logFile, L"\\\\lab\\logs\\%COMPUTERNAME%.log");
  EXPECT_EQ(parse({L"install", L"vc6", L"--dir", L"D:\\"}).request.dir, L"D:\\");

  const CliParse all = parse({L"uninstall", L"--all", L"docs", L"vc2019", L"DOCS"});
  ASSERT_EQ(all.error, L"");
  EXPECT_TRUE(all.request.all);
  EXPECT_EQ(all.request.ids, (std::vector<std::wstring>{L"docs", L"vc2019"}));

  // Help wins over anything else given.
  EXPECT_EQ(parse({L"install", L"--bogus", L"/?"}).error, L"");
  EXPECT_EQ(parse({L"install", L"--bogus", L"/?"}).request.command, CliRequest::Help);
  EXPECT_TRUE(parse({L"list", L"--json"}).request.json);
}

// Wine knows no access rights, so the refusal itself is played here; what
// the probe reports for a folder that cannot be written at all is real.
TEST(CliAccess, OnlyARefusalWithoutAdministratorRightsStopsTheRun) {
  const std::wstring programFiles = L"C:\\Program Files\\VS\\include\\";
  const auto probe = [&](const std::wstring& dir) {
    return dir == programFiles ? DirAccess::Denied : DirAccess::Unwritable;
  };
  const std::vector<std::wstring> dirs = {L"C:\\gone\\", programFiles};
  EXPECT_EQ(dirNeedingAdministrator(dirs, false, probe), programFiles);
  EXPECT_EQ(dirNeedingAdministrator(dirs, true, probe), L"");
  EXPECT_EQ(dirNeedingAdministrator({L"C:\\gone\\"}, false, probe), L"");

  ScratchDir scratch;
  EXPECT_EQ(probeWriteAccess(scratch.path()), DirAccess::Writable);
  WIN32_FIND_DATAW found;
  const HANDLE left = FindFirstFileW((scratch.path() + L"*.tmp").c_str(), &found);
  EXPECT_EQ(left, INVALID_HANDLE_VALUE) << "the probe file stayed";
  if (left != INVALID_HANDLE_VALUE) FindClose(left);
  EXPECT_EQ(probeWriteAccess(scratch.writeFile(L"include", "a file, not a folder") + L"\\"),
            DirAccess::Unwritable);
}

// What verify has cmd.exe run for each kind of environment, and the
// paths it refuses to hand over at all.
TEST(CliVerify, CommandsAreTheEnvironmentsOwnAndUnsafePathsAreRefused) {
  MingwTarget devcpp;
  devcpp.baseDir = L"C:\\Dev-Cpp\\MinGW64\\x86_64-w64-mingw32\\";
  devcpp.lib64Subdir = L"lib\\";
  devcpp.lib32Subdir = L"lib32\\";
  const VerifyPlan mingw = mingwVerifyPlan(devcpp);
  ASSERT_EQ(mingw.builds.size(), 4u);
  EXPECT_EQ(mingw.builds[3].compile,
            L"\"\"C:\\Dev-Cpp\\MinGW64\\bin\\g++.exe\" -m32 -DUNICODE -D_UNICODE "
            L"gravo_verify.cpp -o gravo_verify_x86_unicode.exe -lgravow\"");
  EXPECT_EQ(mingw.builds[3].binDir, L"C:\\Dev-Cpp\\MinGW64\\bin");
  MingwTarget old;  // MinGW.org's layout, with the libraries in the root
  old.baseDir = L"C:\\MinGW\\";
  old.lib32Subdir = L"lib\\";
  EXPECT_EQ(mingwVerifyPlan(old).builds.at(0).compile,
            L"\"\"C:\\MinGW\\bin\\g++.exe\" gravo_verify.cpp -o gravo_verify_x86.exe -lgravo\"");

  const auto vcCommand = [](int version, const wchar_t* base, const wchar_t* lib64, std::size_t build) {
    VcTarget vc;
    vc.version = version;
    vc.baseDir = base;
    vc.lib32Subdir = L"lib\\";
    vc.lib64Subdir = lib64;
    const VerifyPlan plan = vcVerifyPlan(vc);
    return build < plan.builds.size() ? plan.builds[build].compile : plan.error;
  };
  EXPECT_EQ(
      vcCommand(2019, L"D:\\VS\\VC\\Auxiliary\\VS\\", L"lib\\x64\\", 3),
      L"call \"D:\\VS\\VC\\Auxiliary\\Build\\vcvarsall.bat\" x64 && cl /nologo /EHsc /DUNICODE /D_UNICODE "
      L"gravo_verify.cpp /Fegravo_verify_x64_unicode.exe");
  EXPECT_EQ(vcCommand(2010, L"D:\\VS10\\VC\\", L"lib\\amd64\\", 2),
            L"call \"D:\\VS10\\VC\\vcvarsall.bat\" x86_amd64 && cl /nologo /EHsc gravo_verify.cpp "
            L"/Fegravo_verify_x64.exe");
  EXPECT_EQ(
      vcCommand(6, L"D:\\VC98\\", L"", 0),
      L"call \"D:\\VC98\\Bin\\VCVARS32.BAT\" && cl /nologo /GX gravo_verify.cpp /Fegravo_verify_x86.exe");
  EXPECT_EQ(vcCommand(6, L"D:\\VC98\\", L"", 2).find(L"call"), std::wstring::npos);

  for (const wchar_t* root : {L"C:\\a&calc\\", L"C:\\100%\\", L"C:\\x\uFF02 y\\", L"C:\\a^b\\", L"tools\\"}) {
    devcpp.baseDir = root + std::wstring(L"x86_64-w64-mingw32\\");
    EXPECT_TRUE(mingwVerifyPlan(devcpp).builds.empty());
  }
  EXPECT_EQ(shortenedTimeout(300000, L"3000"), 3000u);
  EXPECT_EQ(shortenedTimeout(300000, L"900000"), 300000u);
}

}  // namespace
