// The two drawing devices. DrawOnImg draws on the current target's memory
// DC; DrawOnWnd, used while the window is the target, does the same under
// the drawing lock that the window thread's refresh also takes, and adds
// the window operations. The virtual operations keep this slot order.
#ifndef GRAVO_GRAPHICS_DEVICES_H
#define GRAVO_GRAPHICS_DEVICES_H

#include <windows.h>

#include "graphics/gravo.h"

namespace Gravo {

class DrawOnImg {
 public:
  DrawOnImg() = default;
  DrawOnImg(const DrawOnImg&) = delete;
  DrawOnImg& operator=(const DrawOnImg&) = delete;
  virtual ~DrawOnImg();

  // Fills every pixel with the background colour; ignores clip and transform.
  virtual void clear();
  virtual COLORREF get_line_color();
  virtual void set_line_color(COLORREF color);
  virtual COLORREF get_text_color();
  virtual void set_text_color(COLORREF color);
  virtual COLORREF get_bk_color();
  virtual void set_bk_color(COLORREF color);
  virtual int get_bk_mode();
  virtual void set_bk_mode(int mode);
  virtual void set_origin(int x, int y);
  virtual void set_clip_region(HRGN region);
  // Fills the clip region with the background colour (all with none).
  virtual void clear_clip_region();
  virtual void get_line_style(LINESTYLE* out);
  virtual void set_line_style(DWORD style, DWORD thickness, const DWORD* pattern, DWORD count);
  virtual void set_line_style_rec(const LINESTYLE* style);
  virtual void get_fill_style(FILLSTYLE* out);
  virtual void set_fill_style(DWORD style, DWORD hatch, const IMAGE* pattern);
  // Eight rows, bit 7 leftmost; set bits white, clear bits black.
  virtual void set_fill_pattern(const BYTE rows[8]);
  virtual void set_fill_style_rec(const FILLSTYLE* style);
  virtual COLORREF get_fill_color();
  virtual void set_fill_color(COLORREF color);
  virtual void get_aspect_ratio(float* x_scale, float* y_scale);
  virtual void set_aspect_ratio(float x_scale, float y_scale);
  virtual int get_rop2();
  virtual void set_rop2(int mode);
  virtual int get_poly_fill_mode();
  virtual void set_poly_fill_mode(int mode);
  virtual void reset_defaults();
  virtual COLORREF get_pixel(int x, int y);
  virtual void put_pixel(int x, int y, COLORREF color);
  virtual void line(int x1, int y1, int x2, int y2);
  virtual void rect(int left, int top, int right, int bottom);
  virtual void fill_rect(int left, int top, int right, int bottom);
  // Corners in any order; the right and bottom rows are included.
  virtual void solid_rect(int left, int top, int right, int bottom);
  virtual void clear_rect(int left, int top, int right, int bottom);
  virtual void arc_points(int left, int top, int right, int bottom, double start_angle, double end_angle,
                          POINT* start, POINT* end);
  virtual void circle(int x, int y, int radius);
  virtual void fill_circle(int x, int y, int radius);
  virtual void solid_circle(int x, int y, int radius);
  virtual void clear_circle(int x, int y, int radius);
  virtual void ellipse(int left, int top, int right, int bottom);
  virtual void fill_ellipse(int left, int top, int right, int bottom);
  virtual void solid_ellipse(int left, int top, int right, int bottom);
  virtual void clear_ellipse(int left, int top, int right, int bottom);
  virtual void round_rect(int left, int top, int right, int bottom, int corner_width, int corner_height);
  virtual void fill_round_rect(int left, int top, int right, int bottom, int corner_width, int corner_height);
  virtual void solid_round_rect(int left, int top, int right, int bottom, int corner_width,
                                int corner_height);
  virtual void clear_round_rect(int left, int top, int right, int bottom, int corner_width,
                                int corner_height);
  virtual void arc(int left, int top, int right, int bottom, double start_angle, double end_angle);
  virtual void pie(int left, int top, int right, int bottom, double start_angle, double end_angle);
  virtual void fill_pie(int left, int top, int right, int bottom, double start_angle, double end_angle);
  virtual void solid_pie(int left, int top, int right, int bottom, double start_angle, double end_angle);
  virtual void clear_pie(int left, int top, int right, int bottom, double start_angle, double end_angle);
  virtual void polyline(const POINT* points, int count);
  virtual void polygon(const POINT* points, int count);
  virtual void fill_polygon(const POINT* points, int count);
  virtual void solid_polygon(const POINT* points, int count);
  virtual void clear_polygon(const POINT* points, int count);
  virtual void bezier(const POINT* points, int count);
  virtual void flood_fill(int x, int y, COLORREF color, UINT fill_type);
  virtual void text_out(int x, int y, const wchar_t* text);
  virtual void draw_text(const wchar_t* text, RECT* rect, UINT format);
  virtual int text_width(const wchar_t* text);
  virtual int text_height(const wchar_t* text);
  virtual void set_font(const LOGFONTW* font);
  virtual void set_font_full(LONG height, LONG width, const wchar_t* face, LONG escapement, LONG orientation,
                             LONG weight, BYTE italic, BYTE underline, BYTE strike_out, BYTE char_set,
                             BYTE out_precision, BYTE clip_precision, BYTE quality, BYTE pitch_and_family);
  virtual void set_font_styled(LONG height, LONG width, const wchar_t* face, LONG escapement,
                               LONG orientation, LONG weight, BYTE italic, BYTE underline, BYTE strike_out);
  virtual void set_font_size(LONG height, LONG width, const wchar_t* face);
  virtual void get_font(LOGFONTW* out);
  virtual int width();
  virtual int height();

 private:
  // Replaces the face of `font` with at most 31 characters of `face`, or
  // with the current face when there is none.
  void take_face(LOGFONTW* font, const wchar_t* face);
  template <typename Draw>
  void outline(Draw draw);
  template <typename Draw>
  void solid(Draw draw);
  template <typename Draw>
  void in_bk_color(Draw draw);
};

class DrawOnWnd : public DrawOnImg {
 public:
  ~DrawOnWnd() override;

  void clear() override;
  void set_text_color(COLORREF color) override;
  void set_bk_color(COLORREF color) override;
  int get_bk_mode() override;
  void set_bk_mode(int mode) override;
  void set_origin(int x, int y) override;
  void set_clip_region(HRGN region) override;
  void clear_clip_region() override;
  void set_line_style_rec(const LINESTYLE* style) override;
  void set_fill_style_rec(const FILLSTYLE* style) override;
  void set_fill_color(COLORREF color) override;
  void set_aspect_ratio(float x_scale, float y_scale) override;
  int get_rop2() override;
  void set_rop2(int mode) override;
  int get_poly_fill_mode() override;
  void set_poly_fill_mode(int mode) override;
  COLORREF get_pixel(int x, int y) override;
  void put_pixel(int x, int y, COLORREF color) override;
  void line(int x1, int y1, int x2, int y2) override;
  void fill_rect(int left, int top, int right, int bottom) override;
  void fill_circle(int x, int y, int radius) override;
  void fill_ellipse(int left, int top, int right, int bottom) override;
  void fill_round_rect(int left, int top, int right, int bottom, int corner_width,
                       int corner_height) override;
  void arc(int left, int top, int right, int bottom, double start_angle, double end_angle) override;
  void fill_pie(int left, int top, int right, int bottom, double start_angle, double end_angle) override;
  void polyline(const POINT* points, int count) override;
  void fill_polygon(const POINT* points, int count) override;
  void bezier(const POINT* points, int count) override;
  void flood_fill(int x, int y, COLORREF color, UINT fill_type) override;
  void text_out(int x, int y, const wchar_t* text) override;
  void draw_text(const wchar_t* text, RECT* rect, UINT format) override;
  int text_width(const wchar_t* text) override;
  int text_height(const wchar_t* text) override;
  void set_font(const LOGFONTW* font) override;
  void get_font(LOGFONTW* out) override;

  virtual HWND open_window(int width, int height, int flags);
  virtual void close_window();
  virtual void batch_begin();
  // Inclusive rectangle.
  virtual void batch_flush_rect(int left, int top, int right, int bottom);
  virtual void batch_flush();
  virtual void batch_end_rect(int left, int top, int right, int bottom);
  virtual void batch_end();
};

}  // namespace Gravo

#endif
