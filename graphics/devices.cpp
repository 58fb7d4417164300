#include "graphics/devices.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>

#include "graphics/gdi_table.h"
#include "graphics/runtime.h"

namespace Gravo {

namespace {

IMAGE* target() { return runtime.target; }
HDC dc() { return runtime.memory_dc; }

bool same_font(const LOGFONTW& a, const LOGFONTW& b) {
  return a.lfHeight == b.lfHeight && a.lfWidth == b.lfWidth && a.lfEscapement == b.lfEscapement &&
         a.lfOrientation == b.lfOrientation && a.lfWeight == b.lfWeight && a.lfItalic == b.lfItalic &&
         a.lfUnderline == b.lfUnderline && a.lfStrikeOut == b.lfStrikeOut && a.lfCharSet == b.lfCharSet &&
         a.lfOutPrecision == b.lfOutPrecision && a.lfClipPrecision == b.lfClipPrecision &&
         a.lfQuality == b.lfQuality && a.lfPitchAndFamily == b.lfPitchAndFamily &&
         std::wcsncmp(a.lfFaceName, b.lfFaceName, LF_FACESIZE) == 0;
}

int rounded(double value) { return static_cast<int>(value < 0 ? value - 0.5 : value + 0.5); }

// One bit per pixel, set for black pixels, rows padded to whole words, as
// CreateBitmap expects.
HBRUSH make_pattern_brush(const IMAGE& pattern) {
  const int stride = (pattern.width + 15) / 16 * 2;
  const size_t size = static_cast<size_t>(stride) * pattern.height;
  BYTE* bits = new BYTE[size];
  std::memset(bits, 0, size);
  for (int y = 0; y < pattern.height; ++y) {
    for (int x = 0; x < pattern.width; ++x) {
      if ((pattern.pixels[y * pattern.width + x] & 0xFFFFFF) == 0) {
        bits[y * stride + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
      }
    }
  }
  HBITMAP bitmap = gdi.CreateBitmap(pattern.width, pattern.height, 1, 1, bits);
  delete[] bits;
  if (!bitmap) return NULL;
  LOGBRUSH brush = {BS_PATTERN, 0, reinterpret_cast<ULONG_PTR>(bitmap)};
  HBRUSH result = gdi.CreateBrushIndirect(&brush);
  gdi.DeleteObject(bitmap);
  return result;
}

// A packed DIB of the pattern image in fixed global memory.
HBRUSH make_dib_pattern_brush(const IMAGE& pattern) {
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = pattern.width;
  header.biHeight = pattern.height;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  const SIZE_T bits_size = static_cast<SIZE_T>(pattern.width) * pattern.height * 4;
  HGLOBAL memory = GlobalAlloc(GMEM_FIXED, sizeof(BITMAPINFOHEADER) + bits_size);
  if (!memory) return NULL;
  BYTE* dib = static_cast<BYTE*>(GlobalLock(memory));
  HBRUSH result = NULL;
  HDC screen = GetDC(NULL);
  if (dib && screen) {
    std::memcpy(dib, &header, sizeof(BITMAPINFOHEADER));
    HPALETTE old_palette =
        gdi.SelectPalette(screen, static_cast<HPALETTE>(gdi.GetStockObject(DEFAULT_PALETTE)), FALSE);
    gdi.RealizePalette(screen);
    const int rows = gdi.GetDIBits(screen, pattern.bitmap, 0, pattern.height, dib + sizeof(BITMAPINFOHEADER),
                                   reinterpret_cast<BITMAPINFO*>(dib), DIB_RGB_COLORS);
    if (old_palette) gdi.SelectPalette(screen, old_palette, FALSE);
    if (rows == pattern.height) {
      LOGBRUSH brush = {BS_DIBPATTERN, DIB_RGB_COLORS, reinterpret_cast<ULONG_PTR>(memory)};
      result = gdi.CreateBrushIndirect(&brush);
    }
  }
  if (screen) ReleaseDC(NULL, screen);
  if (dib) GlobalUnlock(memory);
  GlobalFree(memory);
  return result;
}

}  // namespace

DrawOnImg::~DrawOnImg() = default;

void DrawOnImg::clear() {
  IMAGE* image = target();
  if (!image->pixels) return;
  // A byte fill would also set the unused top byte of grey pixels, so it is
  // kept for black.
  const DWORD pixel = to_pixel(image->bk_color);
  const size_t count = static_cast<size_t>(image->width) * image->height;
  if (pixel == 0) {
    std::memset(image->pixels, 0, count * sizeof(DWORD));
  } else {
    std::fill_n(image->pixels, count, pixel);
  }
}

COLORREF DrawOnImg::get_line_color() { return target()->line_color; }

void DrawOnImg::set_line_color(COLORREF color) {
  target()->line_color = color;
  set_line_style_rec(&target()->line_style);
}

COLORREF DrawOnImg::get_text_color() { return target()->text_color; }

void DrawOnImg::set_text_color(COLORREF color) {
  target()->text_color = color;
  gdi.SetTextColor(dc(), color);
}

COLORREF DrawOnImg::get_bk_color() { return target()->bk_color; }

void DrawOnImg::set_bk_color(COLORREF color) {
  target()->bk_color = color;
  gdi.SetBkColor(dc(), color);
}

int DrawOnImg::get_bk_mode() { return gdi.GetBkMode(dc()); }

void DrawOnImg::set_bk_mode(int mode) { gdi.SetBkMode(dc(), mode); }

void DrawOnImg::set_origin(int x, int y) {
  target()->transform.eDx = static_cast<FLOAT>(x);
  target()->transform.eDy = static_cast<FLOAT>(y);
  gdi.SetWorldTransform(dc(), &target()->transform);
}

void DrawOnImg::set_clip_region(HRGN region) { gdi.SelectClipRgn(dc(), region); }

void DrawOnImg::clear_clip_region() {
  HRGN region = gdi.CreateRectRgn(0, 0, 0, 0);
  if (!region || gdi.GetClipRgn(dc(), region) != 1) {
    clear();
  } else {
    HBRUSH brush = gdi.CreateSolidBrush(target()->bk_color);
    if (brush) {
      // The clip region is in device units; fill it untransformed.
      gdi.SetWorldTransform(dc(), &identity_transform);
      gdi.FillRgn(dc(), region, brush);
      gdi.SetWorldTransform(dc(), &target()->transform);
      gdi.DeleteObject(brush);
    }
  }
  if (region) gdi.DeleteObject(region);
}

void DrawOnImg::get_line_style(LINESTYLE* out) {
  if (out) *out = target()->line_style;
}

void DrawOnImg::set_line_style(DWORD style, DWORD thickness, const DWORD* pattern, DWORD count) {
  LINESTYLE& own = target()->line_style;
  own.style = style;
  own.thickness = thickness;
  delete[] own.pattern;
  own.pattern = NULL;
  own.pattern_count = 0;
  if ((style & PS_STYLE_MASK) == PS_USERSTYLE && pattern && count) {
    own.pattern = new DWORD[count];
    std::copy(pattern, pattern + count, own.pattern);
    own.pattern_count = count;
  }
  set_line_style_rec(&own);
}

void DrawOnImg::set_line_style_rec(const LINESTYLE* style) {
  if (!style) return;
  LINESTYLE& own = target()->line_style;
  if (style != &own) own = *style;
  DWORD pen_type = own.style | PS_GEOMETRIC;
  if ((own.style & PS_STYLE_MASK) != PS_USERSTYLE) {
    delete[] own.pattern;
    own.pattern = NULL;
    own.pattern_count = 0;
  } else if (own.pattern_count == 0 || !own.pattern) {
    // A user style without dashes draws nothing.
    pen_type = (pen_type & ~static_cast<DWORD>(PS_STYLE_MASK)) | PS_NULL;
  }
  const bool dashed = (pen_type & PS_STYLE_MASK) == PS_USERSTYLE;
  LOGBRUSH brush = {BS_SOLID, target()->line_color, 0};
  replace_object(dc(), gdi.ExtCreatePen(pen_type, own.thickness, &brush, dashed ? own.pattern_count : 0,
                                        dashed ? own.pattern : NULL));
}

void DrawOnImg::get_fill_style(FILLSTYLE* out) {
  if (out) *out = target()->fill_style;
}

void DrawOnImg::set_fill_style(DWORD style, DWORD hatch, const IMAGE* pattern) {
  FILLSTYLE& own = target()->fill_style;
  own.style = style;
  if (style == BS_HATCHED) own.hatch = hatch;
  if ((style == BS_PATTERN || style == BS_DIBPATTERN) && pattern) {
    if (!own.pattern) own.pattern = new IMAGE();
    *own.pattern = *pattern;
  } else {
    delete own.pattern;
    own.pattern = NULL;
  }
  set_fill_style_rec(&own);
}

void DrawOnImg::set_fill_pattern(const BYTE rows[8]) {
  IMAGE pattern(8, 8);
  if (!pattern.pixels) return;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      pattern.pixels[y * 8 + x] = (rows[y] & (0x80 >> x)) ? 0xFFFFFF : 0;
    }
  }
  set_fill_style(BS_PATTERN, 0, &pattern);
}

void DrawOnImg::set_fill_style_rec(const FILLSTYLE* style) {
  if (!style) return;
  FILLSTYLE& own = target()->fill_style;
  if (style != &own) own = *style;
  const bool has_pattern = own.pattern && own.pattern->pixels;
  HBRUSH brush = NULL;
  LOGBRUSH plain = {BS_SOLID, target()->fill_color, 0};
  switch (own.style) {
    case BS_SOLID:
      brush = gdi.CreateBrushIndirect(&plain);
      break;
    case BS_NULL:
      plain = {BS_NULL, 0, 0};
      brush = gdi.CreateBrushIndirect(&plain);
      break;
    case BS_HATCHED:
      plain = {BS_HATCHED, target()->fill_color, own.hatch};
      brush = gdi.CreateBrushIndirect(&plain);
      break;
    case BS_PATTERN:
      if (has_pattern) brush = make_pattern_brush(*own.pattern);
      break;
    case BS_DIBPATTERN:
      if (has_pattern) brush = make_dib_pattern_brush(*own.pattern);
      break;
    default:
      break;
  }
  replace_object(dc(), brush);
}

COLORREF DrawOnImg::get_fill_color() { return target()->fill_color; }

void DrawOnImg::set_fill_color(COLORREF color) {
  target()->fill_color = color;
  if (target()->fill_style.style == BS_SOLID) {
    replace_object(dc(), gdi.CreateSolidBrush(color));
  } else if (target()->fill_style.style == BS_HATCHED) {
    set_fill_style_rec(&target()->fill_style);
  }
}

void DrawOnImg::get_aspect_ratio(float* x_scale, float* y_scale) {
  if (x_scale) *x_scale = target()->transform.eM11;
  if (y_scale) *y_scale = target()->transform.eM22;
}

void DrawOnImg::set_aspect_ratio(float x_scale, float y_scale) {
  target()->transform.eM11 = x_scale;
  target()->transform.eM22 = y_scale;
  gdi.SetWorldTransform(dc(), &target()->transform);
}

int DrawOnImg::get_rop2() { return gdi.GetROP2(dc()); }

void DrawOnImg::set_rop2(int mode) { gdi.SetROP2(dc(), mode); }

int DrawOnImg::get_poly_fill_mode() { return gdi.GetPolyFillMode(dc()); }

void DrawOnImg::set_poly_fill_mode(int mode) { gdi.SetPolyFillMode(dc(), mode); }

void DrawOnImg::reset_defaults() { reset_image_defaults(target()); }

COLORREF DrawOnImg::get_pixel(int x, int y) { return gdi.GetPixel(dc(), x, y); }

void DrawOnImg::put_pixel(int x, int y, COLORREF color) { gdi.SetPixelV(dc(), x, y, color); }

void DrawOnImg::line(int x1, int y1, int x2, int y2) {
  gdi.MoveToEx(dc(), x1, y1, NULL);
  gdi.LineTo(dc(), x2, y2);
}

template <typename Draw>
void DrawOnImg::outline(Draw draw) {
  const FILLSTYLE saved = target()->fill_style;
  if (saved.style == BS_NULL) {
    draw();
    return;
  }
  set_fill_style(BS_NULL, 0, NULL);
  draw();
  set_fill_style_rec(&saved);
}

template <typename Draw>
void DrawOnImg::solid(Draw draw) {
  const LINESTYLE saved = target()->line_style;
  if (saved.style == PS_NULL) {
    draw();
    return;
  }
  set_line_style(PS_NULL, 1, NULL, 0);
  draw();
  set_line_style_rec(&saved);
}

template <typename Draw>
void DrawOnImg::in_bk_color(Draw draw) {
  const int saved_rop = get_rop2();
  const COLORREF saved_color = target()->fill_color;
  const FILLSTYLE saved_style = target()->fill_style;
  const COLORREF bk = target()->bk_color;
  if (saved_rop != R2_COPYPEN) set_rop2(R2_COPYPEN);
  if (saved_color != bk) set_fill_color(bk);
  if (saved_style.style != BS_SOLID) set_fill_style(BS_SOLID, 0, NULL);
  draw();
  if (saved_color != bk) set_fill_color(saved_color);
  if (saved_style.style != BS_SOLID) set_fill_style_rec(&saved_style);
  if (saved_rop != R2_COPYPEN) set_rop2(saved_rop);
}

void DrawOnImg::rect(int left, int top, int right, int bottom) {
  outline([&] { fill_rect(left, top, right, bottom); });
}

void DrawOnImg::fill_rect(int left, int top, int right, int bottom) {
  gdi.Rectangle(dc(), left, top, right, bottom);
}

void DrawOnImg::solid_rect(int left, int top, int right, int bottom) {
  solid([&] {
    fill_rect(std::min(left, right), std::min(top, bottom), std::max(left, right) + 1,
              std::max(top, bottom) + 1);
  });
}

void DrawOnImg::clear_rect(int left, int top, int right, int bottom) {
  in_bk_color([&] { solid_rect(left, top, right, bottom); });
}

void DrawOnImg::arc_points(int left, int top, int right, int bottom, double start_angle, double end_angle,
                           POINT* start, POINT* end) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  const int rx = (right - left) / 2;
  const int ry = (bottom - top) / 2;
  const double cx = left + rx;
  const double cy = top + ry;
  auto point = [&](double angle, POINT* out) {
    if (!out) return;
    if (angle == 0) {
      out->x = rounded(cx + rx);
      out->y = rounded(cy);
    } else {
      out->x = rounded(cx + rx * std::cos(angle));
      out->y = rounded(cy - ry * std::sin(angle));
    }
  };
  point(start_angle, start);
  point(end_angle, end);
}

void DrawOnImg::circle(int x, int y, int radius) {
  outline([&] { fill_circle(x, y, radius); });
}

void DrawOnImg::fill_circle(int x, int y, int radius) {
  gdi.Ellipse(dc(), x - radius, y - radius, x + radius, y + radius);
}

void DrawOnImg::solid_circle(int x, int y, int radius) {
  solid([&] { fill_circle(x, y, radius); });
}

void DrawOnImg::clear_circle(int x, int y, int radius) {
  in_bk_color([&] { solid_circle(x, y, radius); });
}

void DrawOnImg::ellipse(int left, int top, int right, int bottom) {
  outline([&] { fill_ellipse(left, top, right, bottom); });
}

void DrawOnImg::fill_ellipse(int left, int top, int right, int bottom) {
  gdi.Ellipse(dc(), left, top, right, bottom);
}

void DrawOnImg::solid_ellipse(int left, int top, int right, int bottom) {
  solid([&] { fill_ellipse(left, top, right, bottom); });
}

void DrawOnImg::clear_ellipse(int left, int top, int right, int bottom) {
  in_bk_color([&] { solid_ellipse(left, top, right, bottom); });
}

void DrawOnImg::round_rect(int left, int top, int right, int bottom, int corner_width, int corner_height) {
  outline([&] { fill_round_rect(left, top, right, bottom, corner_width, corner_height); });
}

void DrawOnImg::fill_round_rect(int left, int top, int right, int bottom, int corner_width,
                                int corner_height) {
  gdi.RoundRect(dc(), left, top, right, bottom, corner_width, corner_height);
}

void DrawOnImg::solid_round_rect(int left, int top, int right, int bottom, int corner_width,
                                 int corner_height) {
  solid([&] { fill_round_rect(left, top, right, bottom, corner_width, corner_height); });
}

void DrawOnImg::clear_round_rect(int left, int top, int right, int bottom, int corner_width,
                                 int corner_height) {
  in_bk_color([&] { solid_round_rect(left, top, right, bottom, corner_width, corner_height); });
}

void DrawOnImg::arc(int left, int top, int right, int bottom, double start_angle, double end_angle) {
  POINT start, end;
  arc_points(left, top, right, bottom, start_angle, end_angle, &start, &end);
  gdi.Arc(dc(), left, top, right, bottom, start.x, start.y, end.x, end.y);
}

void DrawOnImg::pie(int left, int top, int right, int bottom, double start_angle, double end_angle) {
  outline([&] { fill_pie(left, top, right, bottom, start_angle, end_angle); });
}

void DrawOnImg::fill_pie(int left, int top, int right, int bottom, double start_angle, double end_angle) {
  POINT start, end;
  arc_points(left, top, right, bottom, start_angle, end_angle, &start, &end);
  gdi.Pie(dc(), left, top, right, bottom, start.x, start.y, end.x, end.y);
}

void DrawOnImg::solid_pie(int left, int top, int right, int bottom, double start_angle, double end_angle) {
  solid([&] { fill_pie(left, top, right, bottom, start_angle, end_angle); });
}

void DrawOnImg::clear_pie(int left, int top, int right, int bottom, double start_angle, double end_angle) {
  in_bk_color([&] { solid_pie(left, top, right, bottom, start_angle, end_angle); });
}

void DrawOnImg::polyline(const POINT* points, int count) {
  if (points && count > 0) gdi.Polyline(dc(), points, count);
}

void DrawOnImg::polygon(const POINT* points, int count) {
  outline([&] { fill_polygon(points, count); });
}

void DrawOnImg::fill_polygon(const POINT* points, int count) {
  if (points && count > 0) gdi.Polygon(dc(), points, count);
}

void DrawOnImg::solid_polygon(const POINT* points, int count) {
  solid([&] { fill_polygon(points, count); });
}

void DrawOnImg::clear_polygon(const POINT* points, int count) {
  in_bk_color([&] { solid_polygon(points, count); });
}

void DrawOnImg::bezier(const POINT* points, int count) {
  if (points && count > 0) gdi.PolyBezier(dc(), points, count);
}

void DrawOnImg::flood_fill(int x, int y, COLORREF color, UINT fill_type) {
  gdi.ExtFloodFill(dc(), x, y, color, fill_type);
}

void DrawOnImg::text_out(int x, int y, const wchar_t* text) {
  if (text) gdi.TextOutW(dc(), x, y, text, static_cast<int>(std::wcslen(text)));
}

void DrawOnImg::draw_text(const wchar_t* text, RECT* rect, UINT format) {
  if (text && rect) DrawTextW(dc(), text, -1, rect, format);
}

int DrawOnImg::text_width(const wchar_t* text) {
  SIZE size = {0, 0};
  if (text) gdi.GetTextExtentPoint32W(dc(), text, static_cast<int>(std::wcslen(text)), &size);
  return size.cx;
}

int DrawOnImg::text_height(const wchar_t* text) {
  SIZE size = {0, 0};
  if (text) gdi.GetTextExtentPoint32W(dc(), text, static_cast<int>(std::wcslen(text)), &size);
  return size.cy;
}

void DrawOnImg::set_font(const LOGFONTW* font) {
  if (!font) return;
  // The description of the font selected now: asking for it again changes
  // nothing, and a new font object would only have GDI look the face up
  // once more. Text measuring switches fonts back and forth for every call.
  LOGFONTW current;
  if (gdi.GetObjectW(gdi.GetCurrentObject(dc(), OBJ_FONT), sizeof(current), &current) ==
          static_cast<int>(sizeof(current)) &&
      same_font(current, *font)) {
    return;
  }
  replace_object(dc(), gdi.CreateFontIndirectW(font));
}

void DrawOnImg::take_face(LOGFONTW* font, const wchar_t* face) {
  if (face) {
    std::wcsncpy(font->lfFaceName, face, LF_FACESIZE - 1);
    font->lfFaceName[LF_FACESIZE - 1] = L'\0';
  } else {
    LOGFONTW current = {};
    get_font(&current);
    std::memcpy(font->lfFaceName, current.lfFaceName, sizeof(font->lfFaceName));
  }
}

void DrawOnImg::set_font_full(LONG height, LONG width, const wchar_t* face, LONG escapement, LONG orientation,
                              LONG weight, BYTE italic, BYTE underline, BYTE strike_out, BYTE char_set,
                              BYTE out_precision, BYTE clip_precision, BYTE quality, BYTE pitch_and_family) {
  LOGFONTW font = {};
  font.lfHeight = height;
  font.lfWidth = width;
  font.lfEscapement = escapement;
  font.lfOrientation = orientation;
  font.lfWeight = weight;
  font.lfItalic = italic;
  font.lfUnderline = underline;
  font.lfStrikeOut = strike_out;
  font.lfCharSet = char_set;
  font.lfOutPrecision = out_precision;
  font.lfClipPrecision = clip_precision;
  font.lfQuality = quality;
  font.lfPitchAndFamily = pitch_and_family;
  take_face(&font, face);
  set_font(&font);
}

void DrawOnImg::set_font_styled(LONG height, LONG width, const wchar_t* face, LONG escapement,
                                LONG orientation, LONG weight, BYTE italic, BYTE underline, BYTE strike_out) {
  LOGFONTW font = {};
  get_font(&font);
  font.lfHeight = height;
  font.lfWidth = width;
  font.lfEscapement = escapement;
  font.lfOrientation = orientation;
  font.lfWeight = weight;
  font.lfItalic = italic;
  font.lfUnderline = underline;
  font.lfStrikeOut = strike_out;
  take_face(&font, face);
  set_font(&font);
}

void DrawOnImg::set_font_size(LONG height, LONG width, const wchar_t* face) {
  LOGFONTW font = {};
  get_font(&font);
  font.lfHeight = height;
  font.lfWidth = width;
  take_face(&font, face);
  set_font(&font);
}

void DrawOnImg::get_font(LOGFONTW* out) {
  if (out) gdi.GetObjectW(gdi.GetCurrentObject(dc(), OBJ_FONT), sizeof(LOGFONTW), out);
}

int DrawOnImg::width() { return target()->width; }

int DrawOnImg::height() { return target()->height; }

// The window device: the same operations under the drawing lock. The
// composite ones are inherited and lock through the operations they call.

DrawOnWnd::~DrawOnWnd() = default;

void DrawOnWnd::clear() {
  DrawLock lock;
  DrawOnImg::clear();
}

void DrawOnWnd::set_text_color(COLORREF color) {
  DrawLock lock;
  DrawOnImg::set_text_color(color);
}

void DrawOnWnd::set_bk_color(COLORREF color) {
  DrawLock lock;
  DrawOnImg::set_bk_color(color);
}

int DrawOnWnd::get_bk_mode() {
  DrawLock lock;
  return DrawOnImg::get_bk_mode();
}

void DrawOnWnd::set_bk_mode(int mode) {
  DrawLock lock;
  DrawOnImg::set_bk_mode(mode);
}

void DrawOnWnd::set_origin(int x, int y) {
  DrawLock lock;
  DrawOnImg::set_origin(x, y);
}

void DrawOnWnd::set_clip_region(HRGN region) {
  DrawLock lock;
  DrawOnImg::set_clip_region(region);
}

void DrawOnWnd::clear_clip_region() {
  DrawLock lock;
  DrawOnImg::clear_clip_region();
}

void DrawOnWnd::set_line_style_rec(const LINESTYLE* style) {
  DrawLock lock;
  DrawOnImg::set_line_style_rec(style);
}

void DrawOnWnd::set_fill_style_rec(const FILLSTYLE* style) {
  DrawLock lock;
  DrawOnImg::set_fill_style_rec(style);
}

void DrawOnWnd::set_fill_color(COLORREF color) {
  DrawLock lock;
  DrawOnImg::set_fill_color(color);
}

void DrawOnWnd::set_aspect_ratio(float x_scale, float y_scale) {
  DrawLock lock;
  DrawOnImg::set_aspect_ratio(x_scale, y_scale);
}

int DrawOnWnd::get_rop2() {
  DrawLock lock;
  return DrawOnImg::get_rop2();
}

void DrawOnWnd::set_rop2(int mode) {
  DrawLock lock;
  DrawOnImg::set_rop2(mode);
}

int DrawOnWnd::get_poly_fill_mode() {
  DrawLock lock;
  return DrawOnImg::get_poly_fill_mode();
}

void DrawOnWnd::set_poly_fill_mode(int mode) {
  DrawLock lock;
  DrawOnImg::set_poly_fill_mode(mode);
}

COLORREF DrawOnWnd::get_pixel(int x, int y) {
  DrawLock lock;
  return DrawOnImg::get_pixel(x, y);
}

void DrawOnWnd::put_pixel(int x, int y, COLORREF color) {
  DrawLock lock;
  DrawOnImg::put_pixel(x, y, color);
}

void DrawOnWnd::line(int x1, int y1, int x2, int y2) {
  DrawLock lock;
  DrawOnImg::line(x1, y1, x2, y2);
}

void DrawOnWnd::fill_rect(int left, int top, int right, int bottom) {
  DrawLock lock;
  DrawOnImg::fill_rect(left, top, right, bottom);
}

void DrawOnWnd::fill_circle(int x, int y, int radius) {
  DrawLock lock;
  DrawOnImg::fill_circle(x, y, radius);
}

void DrawOnWnd::fill_ellipse(int left, int top, int right, int bottom) {
  DrawLock lock;
  DrawOnImg::fill_ellipse(left, top, right, bottom);
}

void DrawOnWnd::fill_round_rect(int left, int top, int right, int bottom, int corner_width,
                                int corner_height) {
  DrawLock lock;
  DrawOnImg::fill_round_rect(left, top, right, bottom, corner_width, corner_height);
}

void DrawOnWnd::arc(int left, int top, int right, int bottom, double start_angle, double end_angle) {
  DrawLock lock;
  DrawOnImg::arc(left, top, right, bottom, start_angle, end_angle);
}

void DrawOnWnd::fill_pie(int left, int top, int right, int bottom, double start_angle, double end_angle) {
  DrawLock lock;
  DrawOnImg::fill_pie(left, top, right, bottom, start_angle, end_angle);
}

void DrawOnWnd::polyline(const POINT* points, int count) {
  DrawLock lock;
  DrawOnImg::polyline(points, count);
}

void DrawOnWnd::fill_polygon(const POINT* points, int count) {
  DrawLock lock;
  DrawOnImg::fill_polygon(points, count);
}

void DrawOnWnd::bezier(const POINT* points, int count) {
  DrawLock lock;
  DrawOnImg::bezier(points, count);
}

void DrawOnWnd::flood_fill(int x, int y, COLORREF color, UINT fill_type) {
  DrawLock lock;
  DrawOnImg::flood_fill(x, y, color, fill_type);
}

void DrawOnWnd::text_out(int x, int y, const wchar_t* text) {
  DrawLock lock;
  DrawOnImg::text_out(x, y, text);
}

void DrawOnWnd::draw_text(const wchar_t* text, RECT* rect, UINT format) {
  DrawLock lock;
  DrawOnImg::draw_text(text, rect, format);
}

int DrawOnWnd::text_width(const wchar_t* text) {
  DrawLock lock;
  return DrawOnImg::text_width(text);
}

int DrawOnWnd::text_height(const wchar_t* text) {
  DrawLock lock;
  return DrawOnImg::text_height(text);
}

void DrawOnWnd::set_font(const LOGFONTW* font) {
  DrawLock lock;
  DrawOnImg::set_font(font);
}

void DrawOnWnd::get_font(LOGFONTW* out) {
  DrawLock lock;
  DrawOnImg::get_font(out);
}

}  // namespace Gravo
