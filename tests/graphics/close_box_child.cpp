// A program with a frame loop like the wizard's, for the close-box tests.
// With the argument "idle" it opens the window and then blocks outside the
// runtime. Exit code 3 means the frame loop still ran during the exit
// handlers.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "graphics/gravo.h"

namespace {

volatile LONG frames = 0;
std::vector<int> frame_data(4096);

void check_loop_stopped() {
  const LONG before = frames;
  Sleep(50);
  if (frames != before) _exit(3);
}

}  // namespace

int main(int argc, char** argv) {
  std::atexit(check_loop_stopped);
  if (!gr_open_window(200, 120)) return 2;
  if (argc > 1 && std::strcmp(argv[1], "idle") == 0) {
    for (;;) Sleep(INFINITE);
  }
  gr_batch_begin();
  for (;;) {
    GraphMessage message;
    while (gr_peek_message(&message, GM_ALL, true)) {
    }
    gr_set_bk_color(RGB(frames % 256, 99, 99));
    gr_clear();
    gr_fill_rect(10, 10, 50, 40);
    frame_data[frames % frame_data.size()] = frames;
    gr_batch_flush();
    InterlockedIncrement(&frames);
    Sleep(10);
  }
}
