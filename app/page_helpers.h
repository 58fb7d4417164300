// Text, font and button helpers shared by the wizard's pages.
#ifndef GRAVO_APP_PAGE_HELPERS_H
#define GRAVO_APP_PAGE_HELPERS_H

#include <string>

#include "ui_backend/ui_backend.h"

// UTF-16 to UTF-8, the encoding of every text handed to the toolkit. Stops
// at the first terminator; an empty string when memory runs out.
std::string toUtf8(const std::wstring& wide);

// Fills the three records of a page font, which the page keeps at fixed
// addresses: `logfont` gets the text style, `backendFont` points at it and
// `userFont` at `backendFont`. The toolkit font takes the height and width
// callback of `style`'s current font, so rows are laid out as for the UI font
// while the glyphs are measured and drawn with `logfont`. Returns &userFont.
const nk_user_font* makePageFont(nk_user_font& userFont, UiFont& backendFont, LOGFONTW& logfont,
                                 const nk_style* style, int height, int weight, int escapement,
                                 int orientation);

// A label in `font` and `colour` that takes the next widget rectangle of the
// current row and is drawn shifted by `offset`, aligned within the shifted
// rectangle as a toolkit label is. Does nothing outside a window.
void offsetLabel(nk_context* ctx, const char* text, nk_flags alignment, const nk_user_font* font,
                 struct nk_vec2 offset, nk_color colour);

// The wizard's button look: the context's button style with grey faces and
// dark grey text.
nk_style_button makeButtonStyle(const nk_context* ctx);

#endif
