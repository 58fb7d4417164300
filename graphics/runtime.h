// Process-wide state of the graphics runtime: reference count, locks, the
// device and window singletons and the current drawing target.
#ifndef GRAVO_GRAPHICS_RUNTIME_H
#define GRAVO_GRAPHICS_RUNTIME_H

#include <windows.h>

#include "graphics/gravo.h"

struct HWND__;

namespace Gravo {

class DrawOnImg;
class DrawOnWnd;
class GraphWnd;

// Plain data without constructors or destructors, so nothing of it is torn
// down by the process exit handlers.
struct RuntimeState {
  LONG reference_count;
  CRITICAL_SECTION draw_lock;
  CRITICAL_SECTION queue_lock;
  DrawOnImg* image_device;
  DrawOnWnd* window_device;
  GraphWnd* window;
  // The current target and what drawing goes through.
  DrawOnImg* device;
  IMAGE* target;
  HDC window_dc;
  HDC memory_dc;
  HWND console;
  POINT pen_position;
  void(WINAPI* co_uninitialize)();
  // Functions newer than Windows NT 4.0, which the Visual C++ 6.0 library
  // may not import: null where the system lacks them.
  decltype(&::GetConsoleWindow) get_console_window;
  decltype(&::MsgWaitForMultipleObjectsEx) msg_wait_ex;
  int(WINAPI* gdiplus_shutdown)(ULONG_PTR token);
  ULONG_PTR gdiplus_token;
};

extern RuntimeState runtime;

inline const XFORM identity_transform = {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};

// One reference more; the first starts the runtime.
void add_reference();
// One reference less; when only the window object's own is left, the
// runtime is torn down.
void drop_reference();
LONG reference_count();

// gr_open_window and gr_window_handle, whatever the caller's windows.h makes
// of HWND (no_strict.cpp).
HWND__* open_program_window(int width, int height, int flags);
HWND__* program_window_handle();

// Makes the image, or with null the window, the drawing target.
void set_target(IMAGE* image);

// The device of the current target, or null while there is none.
inline DrawOnImg* current_device() { return runtime.device; }
// The same, for a public operation: passes the safe point first.
DrawOnImg* device();

class DrawLock {
 public:
  DrawLock() { EnterCriticalSection(&runtime.draw_lock); }
  ~DrawLock() { LeaveCriticalSection(&runtime.draw_lock); }
  DrawLock(const DrawLock&) = delete;
  DrawLock& operator=(const DrawLock&) = delete;
};

class QueueLock {
 public:
  QueueLock() { EnterCriticalSection(&runtime.queue_lock); }
  ~QueueLock() { LeaveCriticalSection(&runtime.queue_lock); }
  QueueLock(const QueueLock&) = delete;
  QueueLock& operator=(const QueueLock&) = delete;
};

// Loads a DLL from the system directory only, never from the executable's
// folder or the current directory. Null on failure.
HMODULE load_system_library(const wchar_t* name);

// Tells the user that the runtime cannot work and ends the process.
[[noreturn]] void fatal_stop(const wchar_t* what);

// The drawing state of a freshly made image, applied to `image`.
void reset_image_defaults(IMAGE* image);

// Selects `object` into `dc` and deletes the object it replaces. Does
// nothing when `object` is null (its creation failed).
void replace_object(HDC dc, HGDIOBJ object);

// COLORREF 0x00BBGGRR to pixel 0x00RRGGBB.
inline DWORD to_pixel(COLORREF color) {
  return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}

// Called on entry of every public operation: while the window thread ends
// the process, the calling thread stops here for good (see graph_wnd.cpp).
void safe_point();

}  // namespace Gravo

#endif
