// Only in the Visual C++ libraries. A program built with NO_STRICT (or with
// an old SDK that has no STRICT) sees every handle as void*, and Microsoft's
// name decoration, which names the return type too, then asks for
// gr_open_window, gr_window_handle and gr_set_clip_region with void* where
// the library defines them with the handle structures. These definitions
// answer under the NO_STRICT names and forward to the library's own.
#define NO_STRICT
#include "graphics/gravo.h"
#include "graphics/runtime.h"

struct HRGN__;
void gr_set_clip_region(HRGN__* region);

HWND gr_open_window(int width, int height, int flags) {
  return Gravo::open_program_window(width, height, flags);
}

HWND gr_window_handle() { return Gravo::program_window_handle(); }

void gr_set_clip_region(HRGN region) { gr_set_clip_region(static_cast<HRGN__*>(region)); }
