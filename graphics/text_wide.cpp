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

// The Visual C++ 2008 to 2026 libraries also serve programs built with
// /Zc:wchar_t-, to which wchar_t is unsigned short and so decorated as such.
// Visual C++ 6.0 knows no other wchar_t.
#if defined(_NATIVE_WCHAR_T_DEFINED) && !defined(GRAVO_CRT_VC6)
void gr_text_outW(int x, int y, const unsigned short* text) {
  gr_text_outW(x, y, reinterpret_cast<const wchar_t*>(text));
}

int gr_text_widthW(const unsigned short* text) {
  return gr_text_widthW(reinterpret_cast<const wchar_t*>(text));
}

int gr_text_heightW(const unsigned short* text) {
  return gr_text_heightW(reinterpret_cast<const wchar_t*>(text));
}
#endif
