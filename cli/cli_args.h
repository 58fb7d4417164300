// The command line of GravoSetupCli.exe, read as untrusted input: every
// argument is checked before anything is detected, installed or logged.
#ifndef GRAVO_CLI_CLI_ARGS_H
#define GRAVO_CLI_CLI_ARGS_H

#include <string>
#include <vector>

// Exit codes of the command-line program.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadArguments = 2;
constexpr int kExitNothingDetected = 3;
constexpr int kExitLogFailed = 4;
constexpr int kExitNeedsAdministrator = 5;

struct CliRequest {
  enum Command { Help, List, Install, Uninstall, Verify, Rollback };
  Command command = Help;
  bool json = false;
  bool all = false;
  // Lower-case row ids in the order given, each once.
  std::vector<std::wstring> ids;
  // Absolute, checked; no trailing backslash except for a drive root.
  std::wstring dir;
  std::wstring logFile;
};

// A request, or the reason the arguments were refused (then `error` is set).
struct CliParse {
  CliRequest request;
  std::wstring error;
};

// The row ids, in the wizard's catalogue order of the targets.
const std::vector<std::wstring>& knownIds();

// args excludes the program name.
CliParse parseArguments(const std::vector<std::wstring>& args);

// The --help text, exit codes included.
std::wstring usageText();

#endif
