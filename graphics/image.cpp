#include <algorithm>
#include <cstring>
#include <cwchar>

#include "graphics/gdi_table.h"
#include "graphics/gravo.h"
#include "graphics/runtime.h"

LINESTYLE::LINESTYLE() : style(PS_SOLID), thickness(1), pattern(NULL), pattern_count(0) {}

LINESTYLE::LINESTYLE(const LINESTYLE& other) : LINESTYLE() { *this = other; }

LINESTYLE& LINESTYLE::operator=(const LINESTYLE& other) {
  if (this == &other) return *this;
  style = other.style;
  thickness = other.thickness;
  delete[] pattern;
  pattern = NULL;
  pattern_count = 0;
  if (other.pattern && other.pattern_count && (other.style & PS_STYLE_MASK) == PS_USERSTYLE) {
    pattern = new DWORD[other.pattern_count];
    std::copy(other.pattern, other.pattern + other.pattern_count, pattern);
    pattern_count = other.pattern_count;
  }
  return *this;
}

LINESTYLE::~LINESTYLE() { delete[] pattern; }

FILLSTYLE::FILLSTYLE() : style(BS_SOLID), hatch(0), pattern(NULL) {}

FILLSTYLE::FILLSTYLE(const FILLSTYLE& other) : FILLSTYLE() { *this = other; }

FILLSTYLE& FILLSTYLE::operator=(const FILLSTYLE& other) {
  if (this == &other) return *this;
  style = other.style;
  hatch = other.hatch;
  if ((style == BS_PATTERN || style == BS_DIBPATTERN) && other.pattern) {
    if (!pattern) pattern = new IMAGE();
    *pattern = *other.pattern;
  } else {
    delete pattern;
    pattern = NULL;
  }
  return *this;
}

FILLSTYLE::~FILLSTYLE() { delete pattern; }

IMAGE::IMAGE(int width, int height)
    : width(0),
      height(0),
      bitmap(NULL),
      memory_dc(NULL),
      transform(Gravo::identity_transform),
      line_color(0xFFFFFF),
      fill_color(0xFFFFFF),
      text_color(0xFFFFFF),
      bk_color(0),
      pixels(NULL) {
  Gravo::add_reference();
  Gravo::DrawLock lock;
  memory_dc = Gravo::gdi.CreateCompatibleDC(Gravo::runtime.window_dc);
  if (memory_dc) Gravo::reset_image_defaults(this);
  if (width && height) {
    IMAGE::resize(width, height);
  } else {
    this->width = width;
    this->height = height;
  }
}

IMAGE::IMAGE(const IMAGE& other) : IMAGE(0, 0) { *this = other; }

IMAGE& IMAGE::operator=(const IMAGE& other) {
  if (this == &other) return *this;
  if (!memory_dc) {
    Gravo::DrawLock lock;
    memory_dc = Gravo::gdi.CreateCompatibleDC(Gravo::runtime.window_dc);
    if (memory_dc) Gravo::reset_image_defaults(this);
  }
  // Not under the lock: the window's resize waits for its own thread, which
  // may be waiting for the lock to refresh.
  resize(other.width, other.height);
  Gravo::DrawLock lock;
  if (memory_dc && other.memory_dc) {
    Gravo::gdi.BitBlt(memory_dc, 0, 0, other.width, other.height, other.memory_dc, 0, 0, SRCCOPY);
  }
  return *this;
}

IMAGE::~IMAGE() {
  {
    Gravo::DrawLock lock;
    if (Gravo::runtime.target == this) Gravo::set_target(NULL);
    if (memory_dc) {
      Gravo::replace_object(memory_dc, Gravo::gdi.GetStockObject(WHITE_PEN));
      Gravo::replace_object(memory_dc, Gravo::gdi.GetStockObject(BLACK_BRUSH));
      Gravo::replace_object(memory_dc, Gravo::gdi.GetStockObject(SYSTEM_FONT));
      Gravo::gdi.DeleteDC(memory_dc);
    }
    if (bitmap) Gravo::gdi.DeleteObject(bitmap);
  }
  Gravo::drop_reference();
}

void IMAGE::resize(int new_width, int new_height) {
  if (new_width <= 0 || new_height <= 0 || !memory_dc) return;
  Gravo::DrawLock lock;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = new_width;
  info.bmiHeader.biHeight = -new_height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = NULL;
  HBITMAP new_bitmap = Gravo::gdi.CreateDIBSection(NULL, &info, DIB_RGB_COLORS, &bits, NULL, 0);
  // Without a new bitmap the image keeps its old one and its size.
  if (!new_bitmap || !bits) {
    if (new_bitmap) Gravo::gdi.DeleteObject(new_bitmap);
    return;
  }
  DWORD* new_pixels = static_cast<DWORD*>(bits);
  std::fill_n(new_pixels, static_cast<size_t>(new_width) * new_height, Gravo::to_pixel(bk_color));
  if (bitmap) {
    HDC copy_dc = Gravo::gdi.CreateCompatibleDC(NULL);
    if (copy_dc) {
      HGDIOBJ previous = Gravo::gdi.SelectObject(copy_dc, new_bitmap);
      Gravo::gdi.SetWorldTransform(memory_dc, &Gravo::identity_transform);
      Gravo::gdi.BitBlt(copy_dc, 0, 0, std::min(width, new_width), std::min(height, new_height), memory_dc, 0,
                        0, SRCCOPY);
      Gravo::gdi.SetWorldTransform(memory_dc, &transform);
      Gravo::gdi.SelectObject(copy_dc, previous);
      Gravo::gdi.DeleteDC(copy_dc);
    }
  }
  Gravo::replace_object(memory_dc, new_bitmap);
  bitmap = new_bitmap;
  pixels = new_pixels;
  width = new_width;
  height = new_height;
}

namespace Gravo {

void replace_object(HDC dc, HGDIOBJ object) {
  if (!object) return;
  HGDIOBJ previous = gdi.SelectObject(dc, object);
  if (previous && previous != object) gdi.DeleteObject(previous);
}

void reset_image_defaults(IMAGE* image) {
  DrawLock lock;
  image->transform = identity_transform;
  image->line_color = 0xFFFFFF;
  image->fill_color = 0xFFFFFF;
  image->text_color = 0xFFFFFF;
  image->bk_color = 0;
  image->line_style.style = PS_SOLID;
  image->line_style.thickness = 1;
  delete[] image->line_style.pattern;
  image->line_style.pattern = NULL;
  image->fill_style.style = BS_SOLID;
  delete image->fill_style.pattern;
  image->fill_style.pattern = NULL;

  HDC dc = image->memory_dc;
  gdi.SetGraphicsMode(dc, GM_ADVANCED);
  gdi.SetBkMode(dc, OPAQUE);
  gdi.SetBkColor(dc, 0);
  replace_object(dc, gdi.CreatePen(PS_SOLID, 1, 0xFFFFFF));
  replace_object(dc, gdi.CreateSolidBrush(0xFFFFFF));
  gdi.SetTextColor(dc, 0xFFFFFF);
  gdi.SetWorldTransform(dc, &identity_transform);
  gdi.SelectClipRgn(dc, NULL);
  LOGFONTW font = {};
  font.lfHeight = 16;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = NONANTIALIASED_QUALITY;
  std::wcscpy(font.lfFaceName, L"System");
  replace_object(dc, gdi.CreateFontIndirectW(&font));
}

}  // namespace Gravo
