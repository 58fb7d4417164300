// What GravoMsiAction.exe makes of the command line the package gives it:
//
//   GravoMsiAction install|uninstall "<environments>" "<MSI log file>"
//
// The environments are the ENVIRONMENTS property, which whoever starts
// msiexec sets, so they are untrusted: only --all and the ids of
// GravoSetupCli.exe pass, and nothing else of them reaches its command line.
#ifndef GRAVO_MSI_MSI_ACTION_H
#define GRAVO_MSI_MSI_ACTION_H

#include <string>
#include <vector>

// The arguments for GravoSetupCli.exe, or empty when args are refused.
// args excludes the program name.
std::wstring cliArguments(const std::vector<std::wstring>& args);

// The log of GravoSetupCli.exe beside the MSI log: "C:\Logs\gravo.log"
// gives "C:\Logs\gravo-cli.log". Empty when there is no MSI log or its path
// is not an absolute one that can be quoted safely.
std::wstring cliLogPath(const std::wstring& msiLog);

// What msiexec is told, which counts anything but 0 as a failure: nothing
// detected to act on is no failure of the package, and neither is a log
// that could not be written once everything was done.
unsigned long packageExitCode(unsigned long cliExitCode);

#endif
