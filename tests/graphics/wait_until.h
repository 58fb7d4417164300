// Polls a condition until it holds or the time-out passes.
#ifndef GRAVO_TESTS_GRAPHICS_WAIT_UNTIL_H
#define GRAVO_TESTS_GRAPHICS_WAIT_UNTIL_H

#include <windows.h>

template <typename Condition>
bool wait_until(Condition condition, DWORD timeout_ms = 10000) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start > timeout_ms) return false;
    Sleep(2);
  }
}

#endif
