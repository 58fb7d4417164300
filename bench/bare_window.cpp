// The yardstick for the wizard's start-up: the least a Win32 program does to
// show a window of the wizard's size and paint it once, built like the
// wizard (statically linked, same compiler and flags).
#include <windows.h>

namespace {

LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      HBRUSH grey = CreateSolidBrush(RGB(99, 99, 99));
      if (dc && grey) FillRect(dc, &paint.rcPaint, grey);
      if (grey) DeleteObject(grey);
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(NULL, IDC_ARROW);
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  window_class.lpszClassName = L"GravoBenchBareWindow";
  if (!RegisterClassExW(&window_class)) return 1;
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT outer = {0, 0, 490, 328};
  AdjustWindowRectEx(&outer, style, FALSE, 0);
  HWND hwnd = CreateWindowExW(0, window_class.lpszClassName, L"bare", style, CW_USEDEFAULT, CW_USEDEFAULT,
                              outer.right - outer.left, outer.bottom - outer.top, NULL, NULL, instance, NULL);
  if (!hwnd) return 1;
  ShowWindow(hwnd, SW_SHOW);
  MSG message;
  while (GetMessageW(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
