// Compiles Nuklear itself, once for the whole program, and exposes the two
// internal layout and text routines that the pages' shifted labels reuse.
#define NK_IMPLEMENTATION
#include "ui_backend/toolkit_config.h"
#include "ui_backend/toolkit_widgets.h"

void ui_alloc_widget_space(struct nk_context* ctx, struct nk_rect* bounds) {
  nk_panel_alloc_space(bounds, ctx);
}

void ui_draw_widget_text(struct nk_command_buffer* out, struct nk_rect bounds, const char* text, int length,
                         nk_flags alignment, const struct nk_user_font* font, struct nk_vec2 padding,
                         struct nk_color background, struct nk_color foreground) {
  struct nk_text style;
  style.padding = padding;
  style.background = background;
  style.text = foreground;
  nk_widget_text(out, bounds, text, length, &style, alignment, font);
}
