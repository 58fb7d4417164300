#include "graphics/graph_wnd.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "graphics/devices.h"
#include "graphics/gdi_table.h"
#include "graphics/runtime.h"

#ifdef GRAVO_CRT_VC6
#include <fcntl.h>
#include <io.h>
#endif
#ifdef GRAVO_CRT_VC2008
// The function, not mingw-w64's x86 reading of the DLL's data export.
#undef __iob_func
extern "C" FILE* __cdecl __iob_func(void);
#endif

// Ending the process from the close box.
//
// The window thread owns the window, so it sees the close box; the program
// thread meanwhile runs its frame loop (peek, draw, flush, sleep or wait).
// Calling exit() straight from the window procedure would run the exit
// handlers (static destructors among them) while that loop still uses what
// they destroy. Instead, the destruction only marks the process as ending;
// once its message loop is over and it holds no lock, the window thread
// raises `ending` and waits until a program thread reaches safe_point(),
// which every public operation calls on entry before it takes any lock.
// That thread parks there for good, and the window thread calls exit(0):
// the exit handlers run while the loop stands still, and ExitProcess then
// ends the parked thread. While waiting, the window thread still serves
// messages sent to it, so a program thread blocked in SendMessage gets
// through to its next safe point. A program thread that makes no runtime
// call within the grace time is blocked outside the runtime (in a console
// read, say); the process then ends without the exit handlers, which could
// otherwise run under its feet.

namespace Gravo {

namespace {

std::atomic<bool> ending{false};
std::atomic<DWORD> ending_thread{0};
HANDLE parked_event = NULL;
const DWORD park_grace_ms = 3000;

const wchar_t class_name[] = L"GravoWnd";
const DWORD style_without_minimize = WS_CAPTION | WS_SYSMENU;
const DWORD style_with_minimize = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

void queue(const GraphMessage& record) {
  GraphWnd* window = runtime.window;
  if (!window) return;
  {
    QueueLock lock;
    if (!window->ring.push(record)) window->input_lost.store(true);
  }
  SetEvent(window->news_event);
}

void end_process_in_order() {
  parked_event = CreateEventW(NULL, TRUE, FALSE, NULL);
  ending_thread.store(GetCurrentThreadId());
  ending.store(true);
  // A program thread waiting for events comes to its safe point at once.
  if (runtime.window) SetEvent(runtime.window->news_event);
  bool parked = false;
  if (parked_event) {
    const DWORD started = GetTickCount();
    for (;;) {
      const DWORD waited = GetTickCount() - started;
      if (waited >= park_grace_ms) break;
      const DWORD result =
          MsgWaitForMultipleObjects(1, &parked_event, FALSE, park_grace_ms - waited, QS_SENDMESSAGE);
      if (result == WAIT_OBJECT_0) {
        parked = true;
        break;
      }
      if (result != WAIT_OBJECT_0 + 1) break;
      MSG message;
      PeekMessageW(&message, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
  }
  if (parked) std::exit(0);
  ExitProcess(0);
}

// Puts the standard input and output of a process that had no console on
// the console just allocated.
#ifdef GRAVO_CRT_VC6
// Visual C++ 6.0's runtime offers its streams only as data, which one
// library cannot name for both its static and its DLL form; its stdout and
// stdin stay on descriptors 1 and 0, so the console goes under those.
void reopen_descriptor(const char* device, int flags, int descriptor) {
  const int opened = _open(device, flags);
  if (opened < 0 || opened == descriptor) return;
  _dup2(opened, descriptor);
  _close(opened);
}

void attach_console_streams(GraphWnd*) {
  reopen_descriptor("CONOUT$", _O_WRONLY | _O_TEXT, 1);
  reopen_descriptor("CONIN$", _O_RDONLY | _O_TEXT, 0);
}
#else
// A standard stream (0 input, 1 output), as the runtime the library is
// built for reaches it: the UCRT through its function; msvcrt through the
// stream array that every msvcrt.dll exports, since the stdout of newer
// mingw-w64 headers calls a helper that the runtimes of older MinGW
// toolchains lack; the Visual C++ 2005 to 2013 runtimes, static and DLL
// alike, through __iob_func.
FILE* standard_stream(unsigned index) {
#ifdef _UCRT
  return __acrt_iob_func(index);
#else
  return &__iob_func()[index];
#endif
}

void attach_console_streams(GraphWnd* window) {
  window->console_out = std::freopen("CONOUT$", "w+t", standard_stream(1));
  window->console_in = std::freopen("CONIN$", "r+t", standard_stream(0));
}
#endif

// Windows NT 4.0 has no GetConsoleWindow. There the console window is the
// top-level window that shows, once the console has taken it, a title of
// this process's own set for a moment.
HWND console_window() {
  if (runtime.get_console_window) return runtime.get_console_window();
  wchar_t saved[1024];
  const DWORD saved_length = GetConsoleTitleW(saved, sizeof(saved) / sizeof(saved[0]));
  static const wchar_t digits[] = L"0123456789ABCDEF";
  wchar_t probe[] = L"Gravo console 00000000 00000000";
  const DWORD marks[2] = {GetCurrentProcessId(), GetTickCount()};
  for (int part = 0; part < 2; ++part) {
    for (int digit = 0; digit < 8; ++digit) {
      probe[14 + part * 9 + digit] = digits[(marks[part] >> (28 - 4 * digit)) & 0xF];
    }
  }
  if (!SetConsoleTitleW(probe)) return NULL;
  HWND found = NULL;
  for (int attempt = 0; attempt < 50 && !found; ++attempt) {
    found = FindWindowW(NULL, probe);
    if (!found) Sleep(10);
  }
  SetConsoleTitleW(saved_length ? saved : L"");
  return found;
}

void refresh(GraphWnd* window) {
  DrawLock lock;
  gdi.SetWorldTransform(window->memory_dc, &identity_transform);
  gdi.BitBlt(window->window_dc, 0, 0, window->width, window->height, window->memory_dc, 0, 0, SRCCOPY);
  gdi.SetWorldTransform(window->memory_dc, &window->transform);
}

void flush_block(int x, int y, int width, int height) {
  GraphWnd* window = runtime.window;
  DrawLock lock;
  gdi.SetWorldTransform(window->memory_dc, &identity_transform);
  gdi.BitBlt(window->window_dc, x, y, width, height, window->memory_dc, x, y, SRCCOPY);
  gdi.SetWorldTransform(window->memory_dc, &window->transform);
  SetEvent(window->wake_event);
}

LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  GraphWnd* window = runtime.window;
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      if (window && !window->close_requested) window->end_process = true;
      return 0;
    case WM_MOVE:
    case WM_SIZE:
    case WM_ACTIVATE:
      DefWindowProcW(hwnd, message, wparam, lparam);
      queue(window_record(message, wparam, lparam));
      return 0;
    case WM_PAINT:
      ValidateRect(hwnd, NULL);
      if (window) {
        window->exposed.store(true);
        SetEvent(window->news_event);
      }
      return 0;
    case WM_CLOSE:
      if (window) window->close_on_window_thread();
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      if (runtime.console && wparam != VK_CANCEL) {
        PostMessageW(runtime.console, message, wparam, lparam);
      }
      queue(key_record(message, wparam, lparam));
      return 0;
    case WM_CHAR:
      queue(char_record(wparam));
      return 0;
    case message_set_capture:
      SetCapture(hwnd);
      return 0;
    case message_release_capture:
      ReleaseCapture();
      return 0;
    case message_close:
      if (window && window->hwnd.load() == hwnd) {
        window->close_requested = true;
        window->close_on_window_thread();
        window->close_requested = false;
      }
      return 0;
    default:
      break;
  }
  if (message >= WM_MOUSEFIRST && message <= WM_MOUSEWHEEL) {
    POINT position = {static_cast<SHORT>(LOWORD(lparam)), static_cast<SHORT>(HIWORD(lparam))};
    if (message == WM_MOUSEWHEEL) ScreenToClient(hwnd, &position);
    queue(mouse_record(message, wparam, position));
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

DWORD WINAPI window_thread(void*) {
  GraphWnd* window = runtime.window;
  const WindowStart& start = window->start;
  const int x = start.x == -1 ? CW_USEDEFAULT : start.x;
  const int y = start.y == -1 ? CW_USEDEFAULT : start.y;
  HINSTANCE module = GetModuleHandleW(NULL);
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(NULL, path, MAX_PATH);
  HICON icon = ExtractIconW(module, path, 0);
  if (reinterpret_cast<UINT_PTR>(icon) <= 1) icon = NULL;

  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(WNDCLASSEXW);
  window_class.style = (start.no_close ? CS_NOCLOSE : 0) | (start.double_clicks ? CS_DBLCLKS : 0);
  window_class.lpfnWndProc = window_procedure;
  window_class.hInstance = module;
  window_class.hCursor = LoadCursorW(NULL, IDC_ARROW);
  window_class.hbrBackground = static_cast<HBRUSH>(gdi.GetStockObject(BLACK_BRUSH));
  window_class.hIcon = icon;
  window_class.lpszClassName = class_name;
  RegisterClassExW(&window_class);

  const DWORD style = start.no_minimize ? style_without_minimize : style_with_minimize;
  RECT outer = {0, 0, start.width, start.height};
  AdjustWindowRectEx(&outer, style, FALSE, 0);
  HWND hwnd = CreateWindowExW(0, class_name, start.title, style, x, y, outer.right - outer.left,
                              outer.bottom - outer.top, NULL, NULL, module, NULL);
  if (hwnd) {
    // The DC is taken and released on this thread, which owns the window.
    HDC window_dc = GetDC(hwnd);
    {
      DrawLock lock;
      window->window_dc = window_dc;
    }
    window->hwnd.store(hwnd);
    if (x != CW_USEDEFAULT && runtime.console) ShowWindow(runtime.console, SW_HIDE);
    ShowWindow(hwnd, SW_SHOW);
  }
  SetEvent(window->ready_event);

  if (hwnd) {
    DWORD last_refresh = GetTickCount();
    MSG message = {};
    for (;;) {
      if (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
        // Only the window's own destruction ends the loop, not a stray quit
        // message posted to it from outside.
        if (message.message == WM_QUIT) {
          if (!window->hwnd.load()) break;
          continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
      } else if (window->batch.load()) {
        // Nothing to refresh until a message comes or batch drawing ends.
        // Without MWMO_INPUTAVAILABLE (Windows NT 4.0) only input that came
        // after the last PeekMessageW wakes the wait, and the queue has just
        // been emptied.
        if (runtime.msg_wait_ex) {
          runtime.msg_wait_ex(1, &window->wake_event, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        } else {
          MsgWaitForMultipleObjects(1, &window->wake_event, FALSE, INFINITE, QS_ALLINPUT);
        }
      } else if (GetTickCount() - last_refresh <= 16) {
        Sleep(1);
      } else {
        last_refresh = GetTickCount();
        refresh(window);
      }
    }
  }
  UnregisterClassW(class_name, module);
  if (icon) DestroyIcon(icon);
  if (window->end_process) end_process_in_order();
  return 0;
}

}  // namespace

void safe_point() {
  if (!ending.load()) return;
  if (GetCurrentThreadId() == ending_thread.load()) return;
  SetEvent(parked_event);
  for (;;) Sleep(INFINITE);
}

void window_title_from_path(const wchar_t* path, wchar_t (&title)[MAX_PATH]) {
  const wchar_t* name = path;
  for (const wchar_t* c = path; *c; ++c) {
    if (*c == L'\\' || *c == L'/') name = c + 1;
  }
  size_t length = 0;
  while (name[length] && length < MAX_PATH - 1) ++length;
  std::memcpy(title, name, length * sizeof(wchar_t));
  title[length] = L'\0';
  if (wchar_t* dot = std::wcsrchr(title, L'.')) *dot = L'\0';
}

GraphWnd::GraphWnd() : IMAGE(0, 0) {
  ready_event = CreateEventW(NULL, FALSE, FALSE, NULL);
  wake_event = CreateEventW(NULL, FALSE, FALSE, NULL);
  news_event = CreateEventW(NULL, FALSE, FALSE, NULL);
  if (!ready_event || !wake_event || !news_event) fatal_stop(L"CreateEventW");
}

GraphWnd::~GraphWnd() {
  close_window();
  join_thread();
  if (ready_event) CloseHandle(ready_event);
  if (wake_event) CloseHandle(wake_event);
  if (news_event) CloseHandle(news_event);
}

void GraphWnd::set_batch(bool on) {
  batch.store(on);
  SetEvent(wake_event);
}

void GraphWnd::resize(int new_width, int new_height) {
  HWND window = hwnd.load();
  if (!window) {
    IMAGE::resize(new_width, new_height);
    return;
  }
  RECT outer = {0, 0, new_width, new_height};
  AdjustWindowRectEx(&outer, style_without_minimize, FALSE, 0);
  RECT old = {};
  GetWindowRect(window, &old);
  IMAGE::resize(new_width, new_height);
  SetWindowPos(window, NULL, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOZORDER | SWP_NOMOVE);
  if (new_width > old.right - old.left + 1 || new_height > old.bottom - old.top + 1) {
    flush_block(0, 0, width, height);
  }
}

void GraphWnd::close_window() {
  HWND window = hwnd.load();
  if (!window) return;
  if (GetCurrentThreadId() == thread_id) {
    close_requested = true;
    close_on_window_thread();
    close_requested = false;
    return;
  }
  SendMessageW(window, message_close, 0, 0);
  join_thread();
}

void GraphWnd::join_thread() {
  if (!thread || GetCurrentThreadId() == thread_id) return;
  while (WaitForSingleObject(thread, 10) == WAIT_TIMEOUT) safe_point();
  CloseHandle(thread);
  thread = NULL;
  thread_id = 0;
}

void GraphWnd::close_on_window_thread() {
  HWND window = hwnd.load();
  if (!window) return;
  {
    DrawLock lock;
    if (window_dc) ReleaseDC(window, window_dc);
    window_dc = NULL;
    runtime.window_dc = NULL;
  }
  if (console_at_start) {
    if (runtime.console && !IsWindowVisible(runtime.console)) {
      console_rect_known = GetWindowRect(window, &console_rect) != FALSE;
    }
  } else if (runtime.console) {
    if (console_out) std::fclose(console_out);
    if (console_in) std::fclose(console_in);
    console_out = NULL;
    console_in = NULL;
    FreeConsole();
    runtime.console = NULL;
  }
  ShowWindow(window, SW_HIDE);
  hwnd.store(NULL);
  DestroyWindow(window);
  if (runtime.console && !IsWindowVisible(runtime.console) && console_rect_known) {
    SetWindowPos(runtime.console, NULL, console_rect.left, console_rect.top, 0, 0, SWP_NOSIZE);
    ShowWindow(runtime.console, SW_SHOW);
  }
}

// The window operations of the window device.

HWND DrawOnWnd::open_window(int width, int height, int flags) {
  GraphWnd* window = runtime.window;
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(NULL, path, MAX_PATH);

  if (window->hwnd.load()) gr_close_window();
  window->join_thread();

  runtime.console = console_window();
  window->console_at_start = runtime.console != NULL;
  if (!runtime.console && (flags & GR_WINDOW_CONSOLE)) {
    AllocConsole();
    attach_console_streams(window);
    runtime.console = console_window();
  }
  if (runtime.console) SetConsoleCtrlHandler(NULL, TRUE);

  int x = -1;
  int y = -1;
  if (window->console_at_start && !(flags & GR_WINDOW_CONSOLE)) {
    RECT console = {};
    GetWindowRect(runtime.console, &console);
    x = std::max(0L, console.left);
    y = std::max(0L, console.top);
  }
  window->console_rect_known = false;
  window->start = {x,
                   y,
                   width,
                   height,
                   (flags & GR_WINDOW_NO_CLOSE) != 0,
                   (flags & GR_WINDOW_NO_MINIMIZE) != 0,
                   (flags & GR_WINDOW_DBLCLKS) != 0,
                   {}};
  window_title_from_path(path, window->start.title);
  window->thread = CreateThread(NULL, 0, window_thread, NULL, 0, &window->thread_id);
  if (!window->thread) fatal_stop(L"CreateThread");
  WaitForSingleObject(window->ready_event, INFINITE);
  if (!window->hwnd.load()) fatal_stop(L"CreateWindowExW");

  window->IMAGE::resize(width, height);
  set_target(NULL);
  {
    DrawLock lock;
    runtime.target = window;
    runtime.device = this;
    reset_image_defaults(window);
    if (window->pixels) {
      std::memset(window->pixels, 0, static_cast<size_t>(window->width) * window->height * sizeof(DWORD));
    }
  }
  batch_flush();
  return window->hwnd.load();
}

void DrawOnWnd::close_window() { runtime.window->close_window(); }

void DrawOnWnd::batch_begin() { runtime.window->set_batch(true); }

void DrawOnWnd::batch_flush_rect(int left, int top, int right, int bottom) {
  flush_block(left, top, right - left + 1, bottom - top + 1);
}

void DrawOnWnd::batch_flush() { flush_block(0, 0, runtime.window->width, runtime.window->height); }

void DrawOnWnd::batch_end_rect(int left, int top, int right, int bottom) {
  batch_flush_rect(left, top, right, bottom);
  runtime.window->set_batch(false);
}

void DrawOnWnd::batch_end() {
  batch_flush();
  runtime.window->set_batch(false);
}

}  // namespace Gravo
