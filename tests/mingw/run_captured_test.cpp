// The probe runs a real stand-in gcc.exe through the real cmd.exe.
#include "mingw/mingw_test_support.h"
#include "mingw/run_captured.h"
#include "mingw/toolchain_probe.h"
#include "support/child_process.h"

#include <gtest/gtest.h>

using namespace mingwtest;

namespace {

// Runs the test body with the current directory set to dir, where a split
// command line would find the marker programs.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::wstring& dir) {
    wchar_t previous[MAX_PATH];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, previous);
    previous_.assign(previous, length);
    SetCurrentDirectoryW(dir.c_str());
  }
  ~CurrentDirectory() { SetCurrentDirectoryW(previous_.c_str()); }

 private:
  std::wstring previous_;
};

ToolchainProbe probeAt(const std::wstring& rootDir) {
  ToolchainProbe probe;
  probe.rootDir = rootDir;
  probeToolchain(probe);
  return probe;
}

}  // namespace

TEST(RunCaptured, RootWithSpacesAndParenthesesRunsItsGcc) {
  ScratchDir scratch;
  const std::wstring root = scratch.path() + L"Program Files (x86)\\MinGW-w64 (8.1.0)\\mingw64\\";
  installFakeGcc(root, L"mingw-builds-8.1.0-x86_64-posix-seh.txt");
  writeFile(root + L"bin\\libgcc_s_seh-1.dll", "MZ");

  const ToolchainProbe probe = probeAt(root);
  EXPECT_EQ(probe.gccVersion, 810) << std::string(probe.output.begin(), probe.output.end());
  EXPECT_EQ(probe.threadModel, L"_posix");
  EXPECT_EQ(probe.crt, L"_msvcrt");
  EXPECT_EQ(probe.exceptionModel, L"_seh");
  const std::string args = readFile(root + L"bin\\gcc-args.txt");
  EXPECT_NE(args.find("-v"), std::string::npos) << args;
}

TEST(RunCaptured, ShellMetacharactersInTheRootRunNothingElse) {
  ScratchDir scratch;
  // Were the quotes lost, cmd.exe would run "<scratch>a" and then marker
  // from the current directory.
  copyHelper(L"marker.exe", scratch.path() + L"a.exe");
  copyHelper(L"marker.exe", scratch.path() + L"marker.exe");
  const CurrentDirectory inScratch(scratch.path());
  const std::wstring root = scratch.path() + L"a&marker&b^c (x) ^&^^)\\";
  installFakeGcc(root, L"msys2-ucrt64-12.2.0.txt");

  const ToolchainProbe probe = probeAt(root);
  EXPECT_EQ(probe.gccVersion, 1220);
  EXPECT_EQ(probe.crt, L"_ucrt");
  EXPECT_FALSE(pathExists(scratch.path() + L"marker-ran.txt"));
}

TEST(RunCaptured, RootsThatCmdWouldExpandAreNotRun) {
  ScratchDir scratch;
  SetEnvironmentVariableW(L"GRAVO_MINGW_TEST_DIR", L"other");
  copyHelper(L"marker.exe", scratch.path() + L"other\\bin\\gcc.exe");
  for (const std::wstring& name :
       {std::wstring(L"%GRAVO_MINGW_TEST_DIR%"), std::wstring(L"!GRAVO_MINGW_TEST_DIR!")}) {
    const std::wstring root = scratch.path() + name + L"\\";
    installFakeGcc(root, L"mingw-builds-8.1.0-x86_64-posix-seh.txt");
    EXPECT_EQ(gccProbeCommand(root), L"");
    const ToolchainProbe probe = probeAt(root);
    EXPECT_EQ(probe.output, L"");
    EXPECT_EQ(probe.gccVersion, kUnreadableGccVersion);
    EXPECT_FALSE(pathExists(root + L"bin\\gcc-args.txt"));
  }
  EXPECT_FALSE(pathExists(scratch.path() + L"other\\bin\\marker-ran.txt"));
  SetEnvironmentVariableW(L"GRAVO_MINGW_TEST_DIR", nullptr);
}

TEST(RunCaptured, CommandKeepsThePathWholeInsideQuotes) {
  EXPECT_EQ(gccProbeCommand(L"C:\\Program Files (x86)\\Dev-Cpp\\MinGW64\\"),
            L"\"\"C:\\Program Files (x86)\\Dev-Cpp\\MinGW64\\bin\\gcc\" -v\"");
  EXPECT_EQ(gccProbeCommand(L"\\\\server\\tools\\mingw64\\"),
            L"\"\"\\\\server\\tools\\mingw64\\bin\\gcc\" -v\"");
  EXPECT_EQ(gccProbeCommand(L""), L"");
  EXPECT_EQ(gccProbeCommand(L"mingw64\\"), L"");
  EXPECT_EQ(gccProbeCommand(L"C:\\a\"&calc&\"\\"), L"");
  EXPECT_EQ(gccProbeCommand(L"C:\\a\nb\\"), L"");
}

TEST(RunCaptured, MissingGccGivesTheInterpretersComplaint) {
  ScratchDir scratch;
  makeDirs(scratch.path() + L"bin");
  const ToolchainProbe probe = probeAt(scratch.path());
  EXPECT_EQ(probe.gccVersion, kUnreadableGccVersion);
  EXPECT_EQ(probe.threadModel, L"_mcf");
  EXPECT_EQ(probe.crt, L"_msvcrt");
  EXPECT_EQ(probe.exceptionModel, L"unkonw-ex");
}

TEST(RunCaptured, FloodOfOutputIsCutAndDrained) {
  ScratchDir scratch;
  const std::wstring root = scratch.path() + L"flood\\";
  // Eight MiB of digits right after the version words.
  installFakeGccText(root, "#flood 8 49\ngcc version ");
  const std::string captured = runCaptured(gccProbeCommand(root));
  EXPECT_EQ(captured.size(), kMaxCapturedBytes);
  EXPECT_EQ(captured.compare(0, 12, "gcc version "), 0);
  EXPECT_EQ(probeAt(root).gccVersion, kUnreadableGccVersion);

  installFakeGccText(root, "#flood 8 32\nThread model:");
  EXPECT_EQ(probeAt(root).threadModel, L"_mcf");
}

TEST(RunCaptured, HangingGccIsEndedAfterTheTimeOut) {
  ScratchDir scratch;
  const std::wstring root = scratch.path() + L"hang\\";
  const std::string event = "gravo-mingw-hang-" + std::to_string(GetCurrentProcessId());
  installFakeGccText(root, "#hang " + event + "\ngcc version 8.1.0 (x86_64-posix-seh-rev0)\n");

  const ULONGLONG start = GetTickCount64();
  const std::string captured = runCaptured(gccProbeCommand(root), 3000);
  EXPECT_LT(GetTickCount64() - start, 20000u);
  EXPECT_NE(captured.find("gcc version 8.1.0"), std::string::npos) << captured;
  // The stand-in owned the event: it is gone once that process has ended.
  EXPECT_TRUE(support::waitFor(
      [&] {
        const HANDLE handle = OpenEventA(SYNCHRONIZE, FALSE, event.c_str());
        if (handle == nullptr) return true;
        CloseHandle(handle);
        return false;
      },
      10000));
}

TEST(RunCaptured, InterpreterBesideTheExecutableIsNeverUsed) {
  ScratchDir scratch;
  const std::wstring runner = scratch.path() + L"run_probe.exe";
  copyHelper(L"run_probe.exe", runner);
  copyHelper(L"marker.exe", scratch.path() + L"cmd.exe");
  const std::wstring root = scratch.path() + L"tool chain\\";
  installFakeGcc(root, L"tdm64-4.9.2.txt");
  const std::wstring result = scratch.path() + L"captured.txt";

  // The doubled backslash keeps the closing quote of the root argument.
  std::wstring line = L"\"" + runner + L"\" \"" + root + L"\\\" \"" + result + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(runner.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                             scratch.path().c_str(), &startup, &process));
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  EXPECT_NE(readFile(result).find("gcc version 4.9.2 (tdm64-1)"), std::string::npos);
  EXPECT_FALSE(pathExists(scratch.path() + L"marker-ran.txt"));
}
