// A program as a library user writes it, compiled by the proof test against
// the headers and libraries that an install put into a MinGW toolchain, in
// both text kinds (with and without UNICODE). It draws a known picture and
// keeps its window open until the window is closed.
#include <graphics.h>

int main() {
  const HWND window = gr_open_window(240, 160);
  // As the program's windows.h spells the handle types (STRICT or not).
  if (gr_window_handle() != window) return 1;
  gr_set_clip_region(NULL);
  gr_set_bk_color(RGB(20, 40, 60));
  gr_clear();

  gr_set_line_color(RGB(200, 30, 40));
  gr_set_fill_color(RGB(200, 30, 40));
  gr_fill_rect(20, 20, 100, 80);

  gr_set_line_color(RGB(30, 180, 60));
  gr_set_fill_color(RGB(30, 180, 60));
  gr_fill_ellipse(130, 20, 220, 110);

  gr_set_line_color(RGB(250, 220, 0));
  gr_set_line_style(PS_SOLID, 3);
  gr_line(10, 145, 230, 145);

  // An image of its own, drawn on while it is the target, then copied in.
  IMAGE tile(30, 20);
  gr_set_target(&tile);
  gr_set_bk_color(RGB(40, 60, 220));
  gr_clear();
  gr_set_target();
  gr_blit(190, 115, 30, 20, &tile, 0, 0, SRCCOPY);

  LOGFONT font;
  gr_get_font(&font);
  font.lfHeight = 20;
  gr_set_font(&font);
  gr_set_text_color(RGB(255, 255, 255));
  gr_set_bk_mode(TRANSPARENT);
  gr_text_out(20, 95, TEXT("Gravo"));
  // The text's box, for the checker: a white bar of the measured width.
  const int width = gr_text_width(TEXT("Gravo"));
  const int height = gr_text_height(TEXT("Gravo"));
  gr_set_line_color(RGB(255, 255, 255));
  gr_set_line_style(PS_SOLID, 1);
  gr_line(20, 95 + height + 2, 20 + width, 95 + height + 2);

  // Closing the window ends the program at its next gr_ call.
  for (;;) {
    GraphMessage message;
    while (gr_peek_message(&message)) {
    }
    Sleep(10);
  }
}
