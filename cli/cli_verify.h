// GravoSetupCli verify: a small program that uses the installed library is
// compiled, linked and run with each environment's own compiler, the way a
// user of that environment would build it, in a private scratch folder.
#ifndef GRAVO_CLI_CLI_VERIFY_H
#define GRAVO_CLI_CLI_VERIFY_H

#include <functional>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/cli_run.h"
#include "platforms/records.h"

// A compiler (with its environment script) that has not finished after this
// long is ended together with everything it started; so is a built program
// after kVerifyRunTimeoutMs. A cold Visual C++ environment script alone can
// take half a minute.
constexpr unsigned kVerifyCompileTimeoutMs = 300000;
constexpr unsigned kVerifyRunTimeoutMs = 30000;

// An environment variable holding a number of milliseconds that shortens
// both limits (a larger value is ignored), so that a test of a hanging
// compiler need not wait five minutes.
inline constexpr wchar_t kVerifyTimeoutVariable[] = L"GRAVO_VERIFY_TIMEOUT_MS";

// The limit to use: the smaller of limit and setting, when setting is a
// plain positive decimal number.
unsigned shortenedTimeout(unsigned limit, const std::wstring& setting);

// The program's text: it includes <graphics.h>, draws into an off-screen
// IMAGE, reads the pixels back and prints kVerifyProgramSaysOk when they
// are right. It opens no window, so it also runs in session 0.
const std::string& verifyProgramSource();
inline constexpr wchar_t kVerifySourceName[] = L"gravo_verify.cpp";
inline constexpr wchar_t kVerifyProgramSaysOk[] = L"gravo-verify: pixels read back as drawn";

// One program to build and run, as a user of the environment would.
struct VerifyBuild {
  std::wstring name;     // shown: "x64", "x86 UNICODE", ...
  std::wstring program;  // file name of the .exe in the scratch folder
  std::wstring compile;  // for cmd.exe /c, run in the scratch folder
  std::wstring binDir;   // put first on PATH while it is built and run; "" for none
  int bits = 64;
};

// The builds of one environment; error says why none can be made.
struct VerifyPlan {
  std::vector<VerifyBuild> builds;
  std::wstring tool;  // the compiler or environment script, which must exist
  std::wstring error;
};

// False for a relative path and for one holding a character that cmd.exe
// or an ANSI program's argument parser could take as more than part of a
// name (% ! " ^ & | < >, the forms an ANSI conversion turns into them, and
// control characters): such a path is refused rather than escaped.
bool pathSafeForCommandLine(const std::wstring& path);

// MinGW: the toolchain's bin\g++.exe with -lgravo and, for UNICODE,
// -lgravow, once per library directory that was filled (-m32 or -m64 for
// the one that is not the toolchain's own).
VerifyPlan mingwVerifyPlan(const MingwTarget& target);
// Visual C++: the version's environment script, then cl, for x86 and, where
// the version has x64 libraries, x64; the header's #pragma picks the library.
VerifyPlan vcVerifyPlan(const VcTarget& target);

// The argument of cmd.exe /c that runs program from the current folder.
std::wstring runProgramCommand(const std::wstring& program);

// The last count lines of output that hold more than blanks, cut to a
// readable length.
std::vector<std::wstring> lastLines(const std::wstring& output, std::size_t count);

// A program's or compiler's output: UTF-8 where it is valid, otherwise the
// console's code page, as older compilers write.
std::wstring decodedOutput(const std::string& bytes);

// How one environment's verification ended.
struct VerifyResult {
  enum State { Verified, Failed, NotDetected, NoLibrary };
  State state = Failed;
  std::wstring text;                // one line
  std::vector<std::wstring> lines;  // the compiler's or the program's last lines
};

// Builds and runs plan in a fresh private folder under this process's
// temporary folder, removed afterwards. Each step runs through runCapturedFull
// with its time-out.
VerifyResult runVerifyPlan(const VerifyPlan& plan);

// The verify command on the rows in its scope; dirWhy is the folder
// chooser's text when --dir did not find the environment. The exit code.
int runVerify(const CliRequest& request, const CatalogueData& data,
              const std::vector<PlatformEntry*>& selected, const std::wstring& dirWhy,
              const CliConsole& console, const std::function<void(const std::wstring&)>& log);

#endif
