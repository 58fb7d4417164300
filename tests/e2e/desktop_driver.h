// Drives another process's window as a user does: real mouse input through
// the system's input queue, and what the screen shows read back from it.
#ifndef GRAVO_TESTS_E2E_DESKTOP_DRIVER_H
#define GRAVO_TESTS_E2E_DESKTOP_DRIVER_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace e2e {

inline DWORD rgb(int r, int g, int b) { return static_cast<DWORD>(r << 16 | g << 8 | b); }

// The steps of a user give the wizard 30 s unless they say otherwise.
inline bool waitFor(const std::function<bool()>& condition, DWORD timeoutMs = 30000) {
  return support::waitFor(condition, timeoutMs);
}

// The client area of a window as the screen shows it, 0x00RRGGBB pixels.
class ScreenShot {
 public:
  ScreenShot() = default;
  explicit ScreenShot(HWND hwnd) {
    RECT client;
    if (!GetClientRect(hwnd, &client)) return;
    POINT origin = {0, 0};
    ClientToScreen(hwnd, &origin);
    width_ = client.right;
    height_ = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (screen && memory && bitmap) {
      HGDIOBJ old = SelectObject(memory, bitmap);
      if (BitBlt(memory, 0, 0, width_, height_, screen, origin.x, origin.y, SRCCOPY)) {
        GdiFlush();
        const DWORD* p = static_cast<const DWORD*>(bits);
        pixels_.assign(p, p + static_cast<size_t>(width_) * static_cast<size_t>(height_));
      }
      SelectObject(memory, old);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    if (screen) ReleaseDC(nullptr, screen);
  }

  // A picture already in memory, such as a back buffer.
  ScreenShot(const DWORD* pixels, int width, int height)
      : width_(width),
        height_(height),
        pixels_(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height)) {}

  bool empty() const { return pixels_.empty(); }
  // Outside the picture: a colour no pixel has.
  DWORD at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || pixels_.empty()) return 0xFFFFFFFF;
    return pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] & 0xFFFFFF;
  }
  bool sameIn(const ScreenShot& other, const RECT& area) const {
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x)
        if (at(x, y) != other.at(x, y)) return false;
    return true;
  }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<DWORD> pixels_;
};

inline void sendMouse(DWORD flags, LONG dx = 0, LONG dy = 0, DWORD data = 0) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = dx;
  input.mi.dy = dy;
  input.mi.mouseData = data;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof(input));
}

// Moves the pointer to a point of hwnd's client area; true once the system
// has it there.
inline bool pointAt(HWND hwnd, int x, int y) {
  POINT p = {x, y};
  ClientToScreen(hwnd, &p);
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  // Absolute positions run from 0 to 65535 over the screen; round up so the
  // pointer lands on the pixel itself.
  const LONG dx = static_cast<LONG>((p.x * 65536LL + width - 1) / width);
  const LONG dy = static_cast<LONG>((p.y * 65536LL + height - 1) / height);
  sendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, dx, dy);
  return waitFor(
      [&] {
        POINT now;
        return GetCursorPos(&now) && now.x == p.x && now.y == p.y;
      },
      5000);
}

inline void leftDown() { sendMouse(MOUSEEVENTF_LEFTDOWN); }
inline void leftUp() { sendMouse(MOUSEEVENTF_LEFTUP); }
// Positive notches turn the wheel away from the user (the list moves up).
inline void wheel(int notches) {
  sendMouse(MOUSEEVENTF_WHEEL, 0, 0, static_cast<DWORD>(notches * WHEEL_DELTA));
}

// A click as a user makes it: the button stays down until the window has
// shown `reacted` (a frame that took the press), then comes up. False when
// nothing happened in time.
inline bool click(HWND hwnd, int x, int y, const std::function<bool()>& reacted, DWORD timeoutMs = 30000) {
  if (!pointAt(hwnd, x, y)) return false;
  leftDown();
  const bool seen = waitFor(reacted, timeoutMs);
  leftUp();
  return seen;
}

using support::findWindow;

}  // namespace e2e

#endif
