// Runs the gcc probe of the MinGW root given as the first argument and
// writes what was captured to the file given as the second, so that a test
// can run the probe from a directory of its choosing.
#include "mingw/run_captured.h"
#include "mingw/toolchain_probe.h"

#include <windows.h>
#include <shellapi.h>

#include <fstream>

int main() {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (args == nullptr || count != 3) return 2;
  std::ofstream(args[2], std::ios::binary) << runCaptured(gccProbeCommand(args[1]));
  LocalFree(args);
  return 0;
}
