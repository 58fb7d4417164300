// Where the welcome page's buttons are in the 490 x 328 client area, as a
// user sees them. The frame tests check these points against the rendered
// faces, so the process tests can click them in another process.
#ifndef GRAVO_TESTS_APP_WIZARD_TEST_SUPPORT_H
#define GRAVO_TESTS_APP_WIZARD_TEST_SUPPORT_H

#include <windows.h>

struct ClientPoint {
  int x;
  int y;
};

const ClientPoint kNextButton = {330, 306};
const ClientPoint kCancelButton = {430, 306};

// A press at `p` as the window receives it from Windows: the pointer moves
// there, then the left button goes down. SendMessage returns once the
// window has queued the events.
inline void pressAt(HWND hwnd, ClientPoint p) {
  const LPARAM at = MAKELPARAM(p.x, p.y);
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(hwnd, WM_MOUSEMOVE, 0, at, SMTO_NORMAL, 10000, &ignored);
  SendMessageTimeoutW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at, SMTO_NORMAL, 10000, &ignored);
}

inline void releaseAt(HWND hwnd, ClientPoint p) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y), SMTO_NORMAL, 10000, &ignored);
}

#endif
