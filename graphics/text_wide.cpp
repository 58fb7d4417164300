// The text operations of the UTF-16 build (libgravow.a, and the wizard).
#include "graphics/devices.h"
#include "graphics/gravo.h"
#include "graphics/runtime.h"

using Gravo::device;

void gr_text_outW(int x, int y, const wchar_t* text) {
  if (Gravo::DrawOnImg* d = device()) d->text_out(x, y, text);
}

int gr_text_widthW(const wchar_t* text) {
  Gravo::DrawOnImg* d = device();
  return d ? d->text_width(text) : 0;
}

int gr_text_heightW(const wchar_t* text) {
  Gravo::DrawOnImg* d = device();
  return d ? d->text_height(text) : 0;
}

void gr_get_fontW(LOGFONTW* out) {
  if (Gravo::DrawOnImg* d = device()) d->get_font(out);
}

void gr_set_fontW(const LOGFONTW* font) {
  if (Gravo::DrawOnImg* d = device()) d->set_font(font);
}
