// What GravoMsiAction.exe makes of the command line the package gives it:
//
//   GravoMsiAction check <environment>...
//   GravoMsiAction install <environment>...
//   GravoMsiAction uninstall <upgrade code> <product code>
//   GravoMsiAction rollback
//
// The environments are the words of the ENVIRONMENTS property, which
// whoever starts msiexec sets, so they are untrusted: only --all and the
// ids of GravoSetupCli.exe pass, each a whole argument, and nothing else of
// them reaches its command line.
#ifndef GRAVO_MSI_MSI_ACTION_H
#define GRAVO_MSI_MSI_ACTION_H

#include <string>
#include <vector>

struct ActionRequest {
  // The arguments for GravoSetupCli.exe; empty when the arguments are
  // refused.
  std::wstring cliArguments;
  // For an uninstall: the package's upgrade code and its own product code,
  // each in braces and capitals.
  std::wstring upgradeCode;
  std::wstring productCode;
  // check: the environments pass, and nothing is to be run.
  bool checkOnly = false;
};

// args excludes the program name.
ActionRequest actionRequest(const std::vector<std::wstring>& args);

// What msiexec is told, which counts anything but 0 as a failure: nothing
// detected to act on is no failure of the package, and neither is a log
// that could not be written once everything was done. Every other code, a
// crash's included, stays a failure.
unsigned long packageExitCode(unsigned long cliExitCode);

#endif
