#include "graphics/runtime.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>

#include "graphics/devices.h"
#include "graphics/gdi_table.h"
#include "graphics/graph_wnd.h"

namespace Gravo {

RuntimeState runtime;

namespace {

struct GdiplusStartupInput {
  UINT32 GdiplusVersion;
  void* DebugEventCallback;
  BOOL SuppressBackgroundThread;
  BOOL SuppressExternalCodecs;
};

template <typename Function>
Function resolve(HMODULE module, const char* name) {
  FARPROC address = module ? GetProcAddress(module, name) : NULL;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

void start_runtime() {
  HMODULE ole32 = load_system_library(L"ole32.dll");
  if (!ole32) fatal_stop(L"ole32.dll");
  auto co_initialize = resolve<HRESULT(WINAPI*)(void*)>(ole32, "CoInitialize");
  runtime.co_uninitialize = resolve<void(WINAPI*)()>(ole32, "CoUninitialize");
  if (!co_initialize || !runtime.co_uninitialize) fatal_stop(L"ole32.dll: CoInitialize");
  co_initialize(NULL);
  // From the modules the program imports anyway, so already loaded.
  runtime.get_console_window =
      resolve<decltype(&::GetConsoleWindow)>(GetModuleHandleW(L"kernel32.dll"), "GetConsoleWindow");
  runtime.msg_wait_ex = resolve<decltype(&::MsgWaitForMultipleObjectsEx)>(GetModuleHandleW(L"user32.dll"),
                                                                          "MsgWaitForMultipleObjectsEx");

  InitializeCriticalSection(&runtime.draw_lock);
  InitializeCriticalSection(&runtime.queue_lock);

  if (const wchar_t* missing = load_gdi_table()) fatal_stop(missing);

  HMODULE gdiplus = load_system_library(L"gdiplus.dll");
  if (!gdiplus) fatal_stop(L"gdiplus.dll");
  auto startup =
      resolve<int(WINAPI*)(ULONG_PTR*, const GdiplusStartupInput*, void*)>(gdiplus, "GdiplusStartup");
  runtime.gdiplus_shutdown = resolve<int(WINAPI*)(ULONG_PTR)>(gdiplus, "GdiplusShutdown");
  if (!startup || !runtime.gdiplus_shutdown) fatal_stop(L"gdiplus.dll: GdiplusStartup");
  const GdiplusStartupInput input = {1, NULL, FALSE, FALSE};
  if (startup(&runtime.gdiplus_token, &input, NULL) != 0) fatal_stop(L"GdiplusStartup");

  runtime.window_dc = NULL;
  runtime.memory_dc = NULL;
  runtime.image_device = new DrawOnImg();
  runtime.window_device = new DrawOnWnd();
  runtime.window = new GraphWnd();
}

void tear_down_runtime() {
  runtime.device = NULL;
  runtime.target = NULL;
  runtime.window_dc = NULL;
  runtime.memory_dc = NULL;
  delete runtime.window;
  runtime.window = NULL;
  delete runtime.window_device;
  runtime.window_device = NULL;
  delete runtime.image_device;
  runtime.image_device = NULL;
  runtime.gdiplus_shutdown(runtime.gdiplus_token);
  DeleteCriticalSection(&runtime.queue_lock);
  DeleteCriticalSection(&runtime.draw_lock);
  runtime.co_uninitialize();
}

}  // namespace

void add_reference() {
  if (runtime.reference_count++ == 0) start_runtime();
}

void drop_reference() {
  if (runtime.reference_count <= 0) return;
  if (--runtime.reference_count == 1) tear_down_runtime();
}

LONG reference_count() { return runtime.reference_count; }

DrawOnImg* device() {
  safe_point();
  return current_device();
}

void set_target(IMAGE* image) {
  DrawLock lock;
  GraphWnd* window = runtime.window;
  if (image) {
    runtime.target = image;
    runtime.device = runtime.image_device;
    runtime.window_dc = NULL;
    runtime.memory_dc = image->memory_dc;
  } else if (window && window->hwnd.load()) {
    runtime.target = window;
    runtime.device = runtime.window_device;
    runtime.window_dc = window->window_dc;
    runtime.memory_dc = window->memory_dc;
  } else {
    runtime.target = NULL;
    runtime.device = NULL;
    runtime.window_dc = NULL;
    runtime.memory_dc = NULL;
  }
}

HMODULE load_system_library(const wchar_t* name) {
  // By full path: a plain name, search flags or not, is answered with any
  // module of that name already loaded, wherever it came from.
  wchar_t path[MAX_PATH];
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  const size_t name_length = std::wcslen(name);
  if (length == 0 || length + 1 + name_length >= MAX_PATH) return NULL;
  path[length] = L'\\';
  std::wmemcpy(path + length + 1, name, name_length + 1);
  HMODULE module = LoadLibraryExW(path, NULL, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
  // Systems without the search flags: the DLL's own dependencies are then
  // looked for in its folder, the system directory, first.
  return LoadLibraryExW(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void fatal_stop(const wchar_t* what) {
  static const wchar_t intro[] = L"图形运行库无法启动，程序将退出。\n\n无法加载或创建：";
  const size_t intro_length = sizeof(intro) / sizeof(intro[0]) - 1;
  wchar_t text[intro_length + 128];
  std::wmemcpy(text, intro, intro_length);
  const size_t what_length = std::min(std::wcslen(what), sizeof(text) / sizeof(text[0]) - intro_length - 1);
  std::wmemcpy(text + intro_length, what, what_length);
  text[intro_length + what_length] = L'\0';
  MessageBoxW(NULL, text, L"Gravo", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  std::exit(EXIT_FAILURE);
}

}  // namespace Gravo
