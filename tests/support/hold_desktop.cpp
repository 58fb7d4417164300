// Holds the Wine desktop of a test run open. Wine ends the desktop process
// (explorer.exe /desktop) a few seconds after the last program on the
// desktop has ended, and the next program that needs the desktop starts a
// new one, which inherits that program's standard error. Under ctest that
// is a test's output pipe, and ctest counts the test as running until the
// desktop process has ended too. Started once by the harness with its
// output on /dev/null, this program makes the desktop process its own, and
// as one more program on the desktop it keeps that process alive until the
// harness ends it.
//
//   gravo_hold_desktop <file>     creates <file> once the desktop is there
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 || !GetDesktopWindow()) return 1;
  const HANDLE ready =
      CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ready == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(ready);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
  }
  return 0;
}
