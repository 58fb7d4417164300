// Writes, as UTF-16, the payload directory the wizard's code derives from
// this program's own path into the file named by its only argument.
#include <windows.h>
#include <shellapi.h>

#include <fstream>
#include <string>

#include "platforms/payload.h"

int main() {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (args == nullptr || count != 2) return 2;
  const std::wstring dir = setupDir();
  std::ofstream(args[1], std::ios::binary)
      .write(reinterpret_cast<const char*>(dir.data()),
             static_cast<std::streamsize>(dir.size() * sizeof(wchar_t)));
  LocalFree(args);
  return 0;
}
