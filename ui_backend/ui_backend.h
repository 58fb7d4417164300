// Glue between the Nuklear toolkit and the graphics runtime: the UI font and
// text measuring, runtime events as toolkit input, the toolkit's command list
// drawn on the runtime's current target, and the clipboard hooks.
//
// Every drawing call saves the runtime state it changes and restores it, so
// the pages' and the runtime's own drawing state is never disturbed.
#ifndef GRAVO_UI_BACKEND_UI_BACKEND_H
#define GRAVO_UI_BACKEND_UI_BACKEND_H

#include "graphics/gravo.h"
#include "ui_backend/toolkit_config.h"

// A toolkit font that measures and draws with its own runtime text style.
// The toolkit font's userdata points back at this record; any nk_user_font
// whose userdata points at a UiFont with `text_style` set (and nothing else)
// measures and draws with that style.
struct UiFont {
  nk_user_font nk;
  LOGFONTW* text_style;
};

// Makes `face` (UTF-8, at most 31 characters kept) at `height` and `width`
// the runtime's current font and captures it in a new UiFont. Returns NULL
// when memory runs out; the font change stays in force either way.
UiFont* ui_font_create(const char* face, int height, int width);
// Releases a font made by ui_font_create; NULL is allowed.
void ui_font_delete(UiFont* font);

// Finishes `font`, initialises the process-wide toolkit context with it and
// installs the clipboard hooks. `hdc` is the window's device context; the
// size is not needed by this backend. Returns NULL if the toolkit cannot be
// initialised.
nk_context* ui_backend_init(UiFont* font, HDC hdc, int width, int height);

// Turns one runtime event into toolkit input. Returns 1 if it did, 0 for a
// message the toolkit does not take (which is then dropped).
int ui_backend_handle(HWND hwnd, const GraphMessage* message);

// Input trickling. The loop drains the runtime's queue into
// ui_backend_queue every frame; ui_backend_feed, between nk_input_begin and
// nk_input_end, hands the kept events to the toolkit in order until one
// must wait for the next frame: a mouse button that already changed in this
// frame changing back (a press and its release, queued together behind a
// busy loop or sent back to back by a touchpad tap, would otherwise never
// click), or the pointer moving after a button changed. Returns how many
// events still wait.
void ui_backend_queue(const GraphMessage* message);
int ui_backend_feed(HWND hwnd);
// Whether the last ui_backend_feed handed the toolkit any event: the next
// frame may then look different even without input (a click's flags end).
int ui_backend_fed_input();
// As ui_backend_queue, for an event that arrived while an operation the user
// started blocked the loop: it was aimed at the screen as it stood before,
// so only releases (of a mouse button or a key), which leave no button or
// key held, and pointer motion, which tells where the pointer now rests,
// are kept; presses, characters and wheel turns are dropped.
void ui_backend_queue_stale(const GraphMessage* message);
// For a queue that had to drop events: every mouse button that the toolkit
// will still hold once the waiting events are handed on, but that Windows
// reports up, gets a release queued where the pointer is, so that no button
// stays held for a release that was lost.
void ui_backend_release_lost_buttons(HWND hwnd);

// Clears the current target to `clear` (which stays the background colour)
// and draws the frame's toolkit commands, then empties the command buffers.
void ui_backend_render(nk_color clear);
// As ui_backend_render, but a frame whose commands are those of the last
// two frames rendered is not drawn again (the back buffer already holds
// it): its command buffers are only emptied. `force` renders anyway. Returns
// 1 when it rendered.
int ui_backend_render_changed(nk_color clear, int force);

// Toolkit callbacks.
float ui_text_width(nk_handle handle, float height, const char* text, int length);
void ui_clipboard_paste(nk_handle handle, nk_text_edit* edit);
void ui_clipboard_copy(nk_handle handle, const char* text, int length);

#endif
