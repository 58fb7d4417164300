// Starts a program built against the installed library, waits for its
// graphics window and reads the window's pixels back from the screen until
// they show the picture that proof_program.cpp draws, then closes the window
// and expects the program to end with exit code 0.
//
//   payload_window_check <program.exe>
//
// Prints what it found (the text bar's length as "text-bar <n>") and exits
// with 0 when everything matched, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace {

const DWORD kTimeoutMs = 30000;
const int kWidth = 240;
const int kHeight = 160;

DWORD rgb(int r, int g, int b) { return static_cast<DWORD>(r << 16 | g << 8 | b); }

// The client area as the screen shows it, 0x00RRGGBB, rows top-down.
bool capture(HWND hwnd, std::vector<DWORD>& pixels) {
  POINT origin = {0, 0};
  if (!ClientToScreen(hwnd, &origin)) return false;
  HDC screen = GetDC(nullptr);
  if (!screen) return false;
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = -kHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = memory ? CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  bool ok = false;
  if (bitmap && bits) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, kWidth, kHeight, screen, origin.x, origin.y, SRCCOPY) != FALSE;
    GdiFlush();
    const DWORD* p = static_cast<const DWORD*>(bits);
    pixels.assign(p, p + kWidth * kHeight);
    for (DWORD& pixel : pixels) pixel &= 0xFFFFFF;
    SelectObject(memory, old);
  }
  if (bitmap) DeleteObject(bitmap);
  if (memory) DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

// What does not match yet; empty when the picture is complete. barLength
// receives the length of the white bar under the text.
std::string mismatches(const std::vector<DWORD>& pixels, int& barLength) {
  auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y) * kWidth + x]; };
  std::string wrong;
  struct Probe {
    const char* what;
    int x;
    int y;
    DWORD colour;
  };
  const Probe probes[] = {
      {"background", 5, 5, rgb(20, 40, 60)},         {"rectangle", 60, 50, rgb(200, 30, 40)},
      {"ellipse", 175, 65, rgb(30, 180, 60)},        {"ellipse outside", 132, 22, rgb(20, 40, 60)},
      {"line", 120, 145, rgb(250, 220, 0)},          {"thick line", 120, 146, rgb(250, 220, 0)},
      {"blitted image", 205, 125, rgb(40, 60, 220)}, {"right of image", 225, 125, rgb(20, 40, 60)},
  };
  for (const Probe& probe : probes) {
    if (at(probe.x, probe.y) != probe.colour) wrong += std::string(" ") + probe.what;
  }
  const DWORD white = rgb(255, 255, 255);
  barLength = 0;
  int barRow = -1;
  for (int y = 100; y < 140 && barRow < 0; ++y) {
    int length = 0;
    while (20 + length < kWidth && at(20 + length, y) == white) ++length;
    if (length >= 10) {
      barRow = y;
      barLength = length;
    }
  }
  if (barRow < 0) return wrong + " text-bar";
  int textPixels = 0;
  for (int y = 95; y < barRow - 1; ++y) {
    for (int x = 20; x < 20 + barLength; ++x) textPixels += at(x, y) == white ? 1 : 0;
  }
  if (textPixels < 10) wrong += " text";
  return wrong;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::puts("usage: payload_window_check <program.exe>");
    return 1;
  }
  support::ChildProcess program;
  if (!program.start(argv[1])) {
    std::printf("cannot start the program (error %lu)\n", GetLastError());
    return 1;
  }
  int result = 1;
  const HWND hwnd = program.waitForWindow(kTimeoutMs);
  if (!hwnd) {
    std::puts("no graphics window");
  } else {
    RECT client = {};
    GetClientRect(hwnd, &client);
    std::string wrong = client.right == kWidth && client.bottom == kHeight ? "" : " client-size";
    std::string picture = " nothing captured";
    int barLength = 0;
    std::vector<DWORD> pixels;
    const DWORD drawn = GetTickCount();
    while (GetTickCount() - drawn < kTimeoutMs) {
      if (capture(hwnd, pixels)) {
        picture = mismatches(pixels, barLength);
        if (picture.empty()) break;
      }
      Sleep(50);
    }
    wrong += picture;
    std::printf("text-bar %d\n", barLength);
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    const DWORD code = program.waitForExit(kTimeoutMs);
    if (code != 0) wrong += " exit-code " + std::to_string(code);
    if (wrong.empty()) {
      std::puts("picture complete; closed with exit code 0");
      result = 0;
    } else {
      std::printf("mismatch:%s\n", wrong.c_str());
    }
  }
  return result;
}
