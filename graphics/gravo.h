// Gravo graphics library: one graphics window per process with its own
// message thread and event queue, an off-screen back buffer, and GDI drawing
// on the current drawing target (the window's back buffer or an IMAGE).
//
// A C++ header (any dialect from C++98 on). Include "graphics.h" or
// "gravo.h" and link one of the two builds of the library:
//   libgravo.a  / Gravoa.lib  texts are char strings in the ANSI code page
//                             (programs built without UNICODE);
//   libgravow.a / Gravow.lib  texts are UTF-16 wchar_t strings (programs
//                             built with UNICODE).
// As with Windows' own A and W functions, the text functions exist as
// gr_text_outA and gr_text_outW and so on, and the plain names below pick
// one by UNICODE. Each build holds only its own kind, so a program that mixes
// them up gets an undefined reference to the other kind when it links.
// Everything else is the same in both builds. With MinGW: g++ prog.cpp
// -lgravo (or -DUNICODE ... -lgravow); Visual C++ picks its library itself.
// GDI, GDI+ and COM are loaded at run time from the system directory; the
// library needs user32 and shell32, which MinGW links by default and this
// header names for Visual C++.
//
// Colours are COLORREF values (0x00BBGGRR, as made by RGB()); image pixels
// are 0x00RRGGBB. Every gr_ function acts on the process-wide current target
// and is meant to be called from the program's own thread. Drawing calls made
// while there is no target (no window open, no image chosen) do nothing.
#ifndef GRAVO_GRAVO_H
#define GRAVO_GRAVO_H

#include <windows.h>

// With Visual C++ the header names what the library needs beyond the C
// runtime, so that a plain "cl prog.cpp" links, and keeps its declarations
// apart from the program's compiler switches, as the Windows headers do:
// its functions are __cdecl whatever /Gz or /Gr say, and its structures
// keep their natural layout whatever /Zp says. The packing named is the
// widest alignment of their members, a pointer's: the Microsoft layout
// rules disregard a pack wider than a pointer, and /Zp1 would then stay.
#ifdef _MSC_VER
#ifdef UNICODE
#pragma comment(lib, "Gravow.lib")
#else
#pragma comment(lib, "Gravoa.lib")
#endif
#pragma comment(lib, "user32.lib")
#pragma comment(lib, "shell32.lib")
#define GRAVO_CALL __cdecl
#else
#define GRAVO_CALL
#endif
#ifdef _WIN64
#pragma pack(push, 8)
#else
#pragma pack(push, 4)
#endif

// Category bits of a GraphMessage kind, used as gr_peek_message filters.
enum {
  GM_MOUSE = 1,   // kinds 0x0200 to 0x020A (the Windows mouse message numbers)
  GM_KEY = 2,     // 0x0100 key down (also system keys), 0x0101 key up
  GM_CHAR = 4,    // 0x0102 one UTF-16 code unit
  GM_WINDOW = 8,  // 0x0003 move, 0x0005 size, 0x0006 activate
  GM_ALL = 255
};

// One event of the window's queue, copied by value. Which variant applies
// depends on the category of `kind`.
struct GraphMessage {
  WORD kind;
  union {
    struct {  // GM_MOUSE
      BYTE ctrl_down : 1;
      BYTE shift_down : 1;
      BYTE left_down : 1;
      BYTE middle_down : 1;
      BYTE right_down : 1;
      SHORT x;  // client coordinates, also for the wheel
      SHORT y;
      SHORT wheel_delta;  // multiples of 120 for wheel messages
    };
    struct {  // GM_KEY
      BYTE virtual_key;
      BYTE scan_code;
      BYTE is_extended : 1;
      BYTE was_down : 1;  // auto-repeat
    };
    struct {      // GM_CHAR
      WORD unit;  // a UTF-16 code unit, in both builds
    };
    struct {  // GM_WINDOW: the raw message parameters
      DWORD wparam;
      DWORD lparam;
    };
  };
};

class IMAGE;

// Pen description: Windows pen style bits (PS_*), thickness in pixels and,
// for PS_USERSTYLE (7) only, an owned array of dash lengths.
class LINESTYLE {
 public:
  LINESTYLE();
  LINESTYLE(const LINESTYLE& other);
  LINESTYLE& operator=(const LINESTYLE& other);
  virtual ~LINESTYLE();

  DWORD style;
  DWORD thickness;
  DWORD* pattern;
  DWORD pattern_count;
};

// Brush description: Windows brush style (0 BS_SOLID, 1 BS_NULL, 2 BS_HATCHED,
// 3 BS_PATTERN, 5 BS_DIBPATTERN), hatch (HS_*, style 2) and an owned pattern
// image (styles 3 and 5).
class FILLSTYLE {
 public:
  FILLSTYLE();
  FILLSTYLE(const FILLSTYLE& other);
  FILLSTYLE& operator=(const FILLSTYLE& other);
  virtual ~FILLSTYLE();

  DWORD style;
  DWORD hatch;
  IMAGE* pattern;
};

// Off-screen 32-bit image with its own memory device context and drawing
// state (colours, styles, font, clip region). Creating the first image (or
// opening the window) starts the runtime. Copying an image copies its
// pixels. The fields belong to the runtime; read them, change them only
// through the gr_ functions while the image is the target.
class IMAGE {
 public:
  explicit IMAGE(int width = 0, int height = 0);
  IMAGE(const IMAGE& other);
  IMAGE& operator=(const IMAGE& other);
  virtual ~IMAGE();
  // Keeps the old content at the top left; the rest is the background colour.
  // Does nothing when width or height is 0.
  virtual void resize(int width, int height);

  int width;
  int height;
  HBITMAP bitmap;
  HDC memory_dc;
  XFORM transform;
  COLORREF line_color;
  COLORREF fill_color;
  COLORREF text_color;
  COLORREF bk_color;
  DWORD* pixels;  // width * height pixels 0x00RRGGBB, rows top-down
  LINESTYLE line_style;
  FILLSTYLE fill_style;
};

// gr_open_window flags.
enum {
  GR_WINDOW_CONSOLE = 1,      // allocate a console if the process has none
  GR_WINDOW_NO_CLOSE = 2,     // no close command (CS_NOCLOSE)
  GR_WINDOW_NO_MINIMIZE = 4,  // no minimize box
  GR_WINDOW_DBLCLKS = 8       // deliver double-click messages
};

// Opens the graphics window with a client area of width x height (closing an
// open one first), makes it the drawing target with default drawing state and
// a black back buffer, and returns its handle. Closing it with its close box
// ends the process with exit code 0 at the program thread's next gr_ call.
HWND GRAVO_CALL gr_open_window(int width, int height, int flags = 0);
// Closes the window; the runtime stops once nothing uses it any more.
void GRAVO_CALL gr_close_window();
// The window's handle, or NULL while no window is open.
HWND GRAVO_CALL gr_window_handle();

// Takes the oldest queued event. Events of categories not in `filter` that
// stand ahead of the first match are discarded. `out` may be NULL. Without
// `remove` the event stays queued. Returns false when nothing matches.
bool GRAVO_CALL gr_peek_message(GraphMessage* out, BYTE filter = GM_ALL, bool remove = true);
// Waits until an event is queued, the window is exposed (see
// gr_window_exposed) or `timeout_ms` milliseconds pass (INFINITE for no
// limit), so that a program with nothing to do costs nothing. Returns at once
// when an event waits already. False when the time ran out or no window is
// open; true may also come without news, so check the queue.
bool GRAVO_CALL gr_wait_message(DWORD timeout_ms);
// Whether the queue was full and had to drop an event since the last call.
// Pointer motion gives way first, so it is rarely anything else; when it is,
// a program that tracks mouse buttons from the queue can ask Windows which
// buttons are down (GetAsyncKeyState) to keep none held that is up.
bool GRAVO_CALL gr_input_lost();

// Batch drawing: while on, the window is not refreshed automatically (about
// 60 times a second); gr_batch_flush presents the back buffer.
void GRAVO_CALL gr_batch_begin();
void GRAVO_CALL gr_batch_flush();
void GRAVO_CALL gr_batch_end();
// Whether the window was exposed (uncovered, restored) since the last call:
// while batch drawing is on, a program that presents only changed frames
// presents again when this says so.
bool GRAVO_CALL gr_window_exposed();

// Mouse capture for the graphics window (done by its own thread).
void GRAVO_CALL gr_set_capture();
void GRAVO_CALL gr_release_capture();

// Makes `image` the drawing target, or the window with NULL.
void GRAVO_CALL gr_set_target(IMAGE* image = NULL);
// Pixel buffer of `image`, or of the window's back buffer with NULL: width *
// height pixels 0x00RRGGBB, rows top-down, valid until the image is resized.
// Writing to it draws directly.
DWORD* GRAVO_CALL gr_image_buffer(IMAGE* image = NULL);

// Fills the whole target with the background colour, ignoring the clip region.
void GRAVO_CALL gr_clear();

COLORREF GRAVO_CALL gr_get_line_color();
void GRAVO_CALL gr_set_line_color(COLORREF color);
COLORREF GRAVO_CALL gr_get_text_color();
void GRAVO_CALL gr_set_text_color(COLORREF color);
COLORREF GRAVO_CALL gr_get_bk_color();
void GRAVO_CALL gr_set_bk_color(COLORREF color);
int GRAVO_CALL gr_get_bk_mode();
void GRAVO_CALL gr_set_bk_mode(int mode);  // TRANSPARENT (1) or OPAQUE (2)
COLORREF GRAVO_CALL gr_get_fill_color();
void GRAVO_CALL gr_set_fill_color(COLORREF color);

void GRAVO_CALL gr_get_line_style(LINESTYLE* out);
// `pattern` and `count` are used only with PS_USERSTYLE; a user style
// without a pattern draws nothing.
void GRAVO_CALL gr_set_line_style(DWORD style, DWORD thickness, const DWORD* pattern = NULL, DWORD count = 0);
void GRAVO_CALL gr_set_line_style_rec(const LINESTYLE* style);

// Clips drawing to a copy of `region`; NULL removes clipping. The caller
// keeps ownership of the region.
void GRAVO_CALL gr_set_clip_region(HRGN region);

// Shapes. "fill" shapes have an outline in the line colour and a fill in the
// fill style; the others are outlines only. Angles are radians.
void GRAVO_CALL gr_line(int x1, int y1, int x2, int y2);
void GRAVO_CALL gr_rect(int left, int top, int right, int bottom);
void GRAVO_CALL gr_fill_rect(int left, int top, int right, int bottom);
void GRAVO_CALL gr_round_rect(int left, int top, int right, int bottom, int corner_width, int corner_height);
void GRAVO_CALL gr_fill_round_rect(int left, int top, int right, int bottom, int corner_width,
                                   int corner_height);
void GRAVO_CALL gr_ellipse(int left, int top, int right, int bottom);
void GRAVO_CALL gr_fill_ellipse(int left, int top, int right, int bottom);
void GRAVO_CALL gr_arc(int left, int top, int right, int bottom, double start_angle, double end_angle);
void GRAVO_CALL gr_fill_pie(int left, int top, int right, int bottom, double start_angle, double end_angle);
void GRAVO_CALL gr_polygon(const POINT* points, int count);
void GRAVO_CALL gr_fill_polygon(const POINT* points, int count);
void GRAVO_CALL gr_bezier(const POINT* points, int count);  // count = 1 + 3n

// Text in the current font, text colour, background colour and mode; the
// A forms (libgravo.a) take the ANSI code page, the W forms (libgravow.a)
// UTF-16. A NULL text draws nothing and measures 0. The font functions take
// the LOGFONT of the same kind; the face name of a new target is "System".
void GRAVO_CALL gr_text_outA(int x, int y, const char* text);
int GRAVO_CALL gr_text_widthA(const char* text);
int GRAVO_CALL gr_text_heightA(const char* text);
void GRAVO_CALL gr_get_fontA(LOGFONTA* out);
void GRAVO_CALL gr_set_fontA(const LOGFONTA* font);

void GRAVO_CALL gr_text_outW(int x, int y, const wchar_t* text);
int GRAVO_CALL gr_text_widthW(const wchar_t* text);
int GRAVO_CALL gr_text_heightW(const wchar_t* text);
void GRAVO_CALL gr_get_fontW(LOGFONTW* out);
void GRAVO_CALL gr_set_fontW(const LOGFONTW* font);

#ifdef UNICODE
inline void GRAVO_CALL gr_text_out(int x, int y, const wchar_t* text) { gr_text_outW(x, y, text); }
inline int GRAVO_CALL gr_text_width(const wchar_t* text) { return gr_text_widthW(text); }
inline int GRAVO_CALL gr_text_height(const wchar_t* text) { return gr_text_heightW(text); }
inline void GRAVO_CALL gr_get_font(LOGFONTW* out) { gr_get_fontW(out); }
inline void GRAVO_CALL gr_set_font(const LOGFONTW* font) { gr_set_fontW(font); }
#else
inline void GRAVO_CALL gr_text_out(int x, int y, const char* text) { gr_text_outA(x, y, text); }
inline int GRAVO_CALL gr_text_width(const char* text) { return gr_text_widthA(text); }
inline int GRAVO_CALL gr_text_height(const char* text) { return gr_text_heightA(text); }
inline void GRAVO_CALL gr_get_font(LOGFONTA* out) { gr_get_fontA(out); }
inline void GRAVO_CALL gr_set_font(const LOGFONTA* font) { gr_set_fontA(font); }
#endif

// A pen position of the runtime's own, starting at (0, 0).
void GRAVO_CALL gr_move_to(int x, int y);
void GRAVO_CALL gr_line_to(int x, int y);

// Copies a width x height block of `source` at (source_x, source_y) to
// (x, y) of the target with the raster operation `rop` (e.g. SRCCOPY).
void GRAVO_CALL gr_blit(int x, int y, int width, int height, const IMAGE* source, int source_x, int source_y,
                        DWORD rop);

#pragma pack(pop)

#endif
