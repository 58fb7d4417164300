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

// The pointer moving to `p`, as the window receives it from Windows.
// SendMessage returns once the window has queued the event.
inline void pointAt(HWND hwnd, ClientPoint p) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y), SMTO_NORMAL, 10000, &ignored);
}

// The left button going down where the pointer rests, at `p`.
inline void downAt(HWND hwnd, ClientPoint p) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y), SMTO_NORMAL, 10000, &ignored);
}

// A press at `p`: the pointer moves there, then the left button goes down.
inline void pressAt(HWND hwnd, ClientPoint p) {
  pointAt(hwnd, p);
  downAt(hwnd, p);
}

inline void releaseAt(HWND hwnd, ClientPoint p) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y), SMTO_NORMAL, 10000, &ignored);
}

#endif
