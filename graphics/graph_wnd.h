// The graphics window object: its IMAGE part is the back buffer; it owns
// the event ring and the window thread that runs the message loop.
#ifndef GRAVO_GRAPHICS_GRAPH_WND_H
#define GRAVO_GRAPHICS_GRAPH_WND_H

#include <windows.h>

#include <atomic>
#include <cstdio>

#include "graphics/event_ring.h"
#include "graphics/gravo.h"

namespace Gravo {

// Filled by the opening thread, read by the window thread.
struct WindowStart {
  int x;  // -1 each for the default position
  int y;
  int width;  // client size
  int height;
  bool no_close;
  bool no_minimize;
  bool double_clicks;
  wchar_t title[MAX_PATH];
};

class GraphWnd : public IMAGE {
 public:
  GraphWnd();
  GraphWnd(const GraphWnd&) = delete;
  GraphWnd& operator=(const GraphWnd&) = delete;
  ~GraphWnd() override;
  // Resizes the back buffer and the window with it.
  void resize(int width, int height) override;

  // Closes the window from any thread: the window thread destroys it, and
  // another caller waits until that thread has ended.
  void close_window();
  // Closing proper; runs on the window thread only.
  void close_on_window_thread();
  // Waits for a finished window thread and forgets its handle.
  void join_thread();
  void set_batch(bool on);

  bool console_at_start = false;
  HANDLE ready_event = NULL;
  EventRing ring;
  FILE* console_out = NULL;
  FILE* console_in = NULL;
  std::atomic<HWND> hwnd{NULL};
  HDC window_dc = NULL;
  std::atomic<bool> batch{false};
  // Wakes the window thread, which waits for messages while batch drawing
  // is on: when the batch flag changes, so that it takes up refreshing again
  // when batch drawing ends, and after each flush, because some systems
  // (Wine among them) put on the screen what was drawn on a window only when
  // the window's thread next turns to its messages.
  HANDLE wake_event = NULL;
  // Set when Windows asks for the window to be painted (uncovered, restored);
  // while batch drawing is on only the program can present, so it learns of
  // it through gr_window_exposed.
  std::atomic<bool> exposed{false};
  // Wakes a program thread waiting in gr_wait_message: set when an event is
  // queued or dropped, when the window is exposed and when the process is
  // about to end.
  HANDLE news_event = NULL;
  // Set when the full queue had to drop an event; read by gr_input_lost.
  std::atomic<bool> input_lost{false};

  WindowStart start = {};
  HANDLE thread = NULL;
  DWORD thread_id = 0;
  // Set while the window is destroyed at the program's request, so that
  // only a destruction by the user (the close box) ends the process.
  bool close_requested = false;
  bool end_process = false;
  bool console_rect_known = false;
  RECT console_rect = {};
};

// The title of a window opened by the program at `path`: the file name
// without its extension.
void window_title_from_path(const wchar_t* path, wchar_t (&title)[MAX_PATH]);

// Private window messages.
const UINT message_set_capture = 0x0401;
const UINT message_release_capture = 0x0402;
const UINT message_close = 0x0403;

}  // namespace Gravo

#endif
