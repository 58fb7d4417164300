// The command line as untrusted input: what is refused, and the form in
// which accepted paths and ids reach the operations.
#include <gtest/gtest.h>

#include <windows.h>

#include "cli/cli_access.h"
#include "cli/cli_args.h"
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
      {{L"install", L"--all", L"--json"}, L"--json is for list only"},
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

}  // namespace
