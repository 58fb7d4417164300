// Nuklear's own widget-space and widget-text routines, which the toolkit
// keeps internal, reachable from C++ so that a label drawn at a shifted
// position takes exactly the place and alignment of a toolkit label.
#ifndef GRAVO_UI_BACKEND_TOOLKIT_WIDGETS_H
#define GRAVO_UI_BACKEND_TOOLKIT_WIDGETS_H

#include "ui_backend/toolkit_config.h"

#ifdef __cplusplus
extern "C" {
#endif

// Reserves the next widget rectangle of the current layout row, as every
// widget does. The caller has checked that a window with a layout is current.
void ui_alloc_widget_space(struct nk_context* ctx, struct nk_rect* bounds);

// Draws `length` bytes of UTF-8 text into `out`, aligned in `bounds` exactly
// as a toolkit label is.
void ui_draw_widget_text(struct nk_command_buffer* out, struct nk_rect bounds, const char* text, int length,
                         nk_flags alignment, const struct nk_user_font* font, struct nk_vec2 padding,
                         struct nk_color background, struct nk_color foreground);

#ifdef __cplusplus
}
#endif

#endif
