#include "app/page_helpers.h"

#include <cstring>
#include <new>

#include "ui_backend/toolkit_widgets.h"

std::string toUtf8(const std::wstring& wide) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return std::string();
  try {
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &utf8[0], bytes, nullptr, nullptr);
    utf8.resize(static_cast<size_t>(bytes) - 1);
    return utf8;
  } catch (const std::bad_alloc&) {
    return std::string();
  }
}

const nk_user_font* makePageFont(nk_user_font& userFont, UiFont& backendFont, LOGFONTW& logfont,
                                 const nk_style* style, int height, int weight, int escapement,
                                 int orientation) {
  userFont.height = style->font->height;
  userFont.width = style->font->width;

  logfont = LOGFONTW();
  logfont.lfHeight = height;
  logfont.lfWidth = 0;
  logfont.lfEscapement = escapement;
  logfont.lfOrientation = orientation;
  logfont.lfWeight = weight;
  logfont.lfCharSet = DEFAULT_CHARSET;
  logfont.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  logfont.lfClipPrecision = 0;
  logfont.lfQuality = PROOF_QUALITY;
  logfont.lfPitchAndFamily = 0;
  wcscpy(logfont.lfFaceName, L"Segoe UI");

  backendFont.text_style = &logfont;
  userFont.userdata = nk_handle_ptr(&backendFont);
  return &userFont;
}

void offsetLabel(nk_context* ctx, const char* text, nk_flags alignment, const nk_user_font* font,
                 struct nk_vec2 offset, nk_color colour) {
  if (!ctx || !ctx->current || !ctx->current->layout || !text || !font) return;
  struct nk_rect bounds;
  ui_alloc_widget_space(ctx, &bounds);
  bounds.x += offset.x;
  bounds.y += offset.y;
  ui_draw_widget_text(&ctx->current->buffer, bounds, text, static_cast<int>(std::strlen(text)), alignment,
                      font, ctx->style.text.padding, ctx->style.window.background, colour);
}

nk_style_button makeButtonStyle(const nk_context* ctx) {
  nk_style_button style = ctx->style.button;
  style.normal = nk_style_item_color(nk_rgb(222, 222, 222));
  style.hover = nk_style_item_color(nk_rgb(255, 255, 255));
  style.active = nk_style_item_color(nk_rgb(255, 255, 255));
  style.text_normal = nk_rgb(66, 66, 66);
  style.text_hover = nk_rgb(88, 88, 88);
  style.text_active = nk_rgb(88, 88, 88);
  return style;
}
