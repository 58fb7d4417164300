// The public gr_ operations: each forwards to the device of the current
// drawing target, and does nothing while there is none. The text operations
// are in text_wide.cpp and text_narrow.cpp, one for each build.
#include "graphics/devices.h"
#include "graphics/gdi_table.h"
#include "graphics/graph_wnd.h"
#include "graphics/gravo.h"
#include "graphics/runtime.h"

using Gravo::device;
using Gravo::runtime;

namespace {

// Whether the window reference of gr_open_window is held, so that surplus
// gr_close_window calls cannot drop references that images hold.
bool window_reference = false;

}  // namespace

HWND Gravo::open_program_window(int width, int height, int flags) {
  safe_point();
  add_reference();
  HWND hwnd = runtime.window_device->open_window(width, height, flags);
  window_reference = true;
  return hwnd;
}

HWND Gravo::program_window_handle() {
  safe_point();
  return runtime.window ? runtime.window->hwnd.load() : NULL;
}

HWND gr_open_window(int width, int height, int flags) {
  return Gravo::open_program_window(width, height, flags);
}

void gr_close_window() {
  Gravo::safe_point();
  if (!window_reference) return;
  window_reference = false;
  if (runtime.window_device) runtime.window_device->close_window();
  Gravo::drop_reference();
}

HWND gr_window_handle() { return Gravo::program_window_handle(); }

bool gr_peek_message(GraphMessage* out, BYTE filter, bool remove) {
  Gravo::safe_point();
  if (!runtime.window) return false;
  Gravo::QueueLock lock;
  return runtime.window->ring.peek(out, filter, remove);
}

bool gr_wait_message(DWORD timeout_ms) {
  Gravo::safe_point();
  Gravo::GraphWnd* window = runtime.window;
  if (!window || !window->hwnd.load()) return false;
  {
    Gravo::QueueLock lock;
    if (!window->ring.empty()) return true;
  }
  if (window->exposed.load()) return true;
  // The window thread sets the event after each record it queues, so a
  // record that came since the look above ends the wait at once; a setting
  // for a record already taken ends it early, which costs one look more.
  const bool woken = WaitForSingleObject(window->news_event, timeout_ms) == WAIT_OBJECT_0;
  Gravo::safe_point();
  return woken;
}

bool gr_input_lost() {
  Gravo::safe_point();
  return runtime.window && runtime.window->input_lost.exchange(false);
}

void gr_batch_begin() {
  Gravo::safe_point();
  if (runtime.window_device) runtime.window_device->batch_begin();
}

void gr_batch_flush() {
  Gravo::safe_point();
  if (runtime.window_device) runtime.window_device->batch_flush();
}

void gr_batch_end() {
  Gravo::safe_point();
  if (runtime.window_device) runtime.window_device->batch_end();
}

bool gr_window_exposed() {
  Gravo::safe_point();
  return runtime.window && runtime.window->exposed.exchange(false);
}

void gr_set_capture() {
  HWND hwnd = gr_window_handle();
  if (hwnd) SendMessageW(hwnd, Gravo::message_set_capture, 0, 0);
}

void gr_release_capture() {
  HWND hwnd = gr_window_handle();
  if (hwnd) SendMessageW(hwnd, Gravo::message_release_capture, 0, 0);
}

void gr_set_target(IMAGE* image) {
  Gravo::safe_point();
  if (runtime.reference_count > 0) Gravo::set_target(image);
}

DWORD* gr_image_buffer(IMAGE* image) {
  Gravo::safe_point();
  if (image) return image->pixels;
  return runtime.window ? runtime.window->pixels : NULL;
}

void gr_clear() {
  if (auto* d = device()) d->clear();
}

COLORREF gr_get_line_color() {
  auto* d = device();
  return d ? d->get_line_color() : 0;
}

void gr_set_line_color(COLORREF color) {
  if (auto* d = device()) d->set_line_color(color);
}

COLORREF gr_get_text_color() {
  auto* d = device();
  return d ? d->get_text_color() : 0;
}

void gr_set_text_color(COLORREF color) {
  if (auto* d = device()) d->set_text_color(color);
}

COLORREF gr_get_bk_color() {
  auto* d = device();
  return d ? d->get_bk_color() : 0;
}

void gr_set_bk_color(COLORREF color) {
  if (auto* d = device()) d->set_bk_color(color);
}

int gr_get_bk_mode() {
  auto* d = device();
  return d ? d->get_bk_mode() : 0;
}

void gr_set_bk_mode(int mode) {
  if (auto* d = device()) d->set_bk_mode(mode);
}

COLORREF gr_get_fill_color() {
  auto* d = device();
  return d ? d->get_fill_color() : 0;
}

void gr_set_fill_color(COLORREF color) {
  if (auto* d = device()) d->set_fill_color(color);
}

void gr_get_line_style(LINESTYLE* out) {
  if (auto* d = device()) d->get_line_style(out);
}

void gr_set_line_style(DWORD style, DWORD thickness, const DWORD* pattern, DWORD count) {
  if (auto* d = device()) d->set_line_style(style, thickness, pattern, count);
}

void gr_set_line_style_rec(const LINESTYLE* style) {
  if (auto* d = device()) d->set_line_style_rec(style);
}

void gr_set_clip_region(HRGN region) {
  if (auto* d = device()) d->set_clip_region(region);
}

void gr_line(int x1, int y1, int x2, int y2) {
  if (auto* d = device()) d->line(x1, y1, x2, y2);
}

void gr_rect(int left, int top, int right, int bottom) {
  if (auto* d = device()) d->rect(left, top, right, bottom);
}

void gr_fill_rect(int left, int top, int right, int bottom) {
  if (auto* d = device()) d->fill_rect(left, top, right, bottom);
}

void gr_round_rect(int left, int top, int right, int bottom, int corner_width, int corner_height) {
  if (auto* d = device()) d->round_rect(left, top, right, bottom, corner_width, corner_height);
}

void gr_fill_round_rect(int left, int top, int right, int bottom, int corner_width, int corner_height) {
  if (auto* d = device()) {
    d->fill_round_rect(left, top, right, bottom, corner_width, corner_height);
  }
}

void gr_ellipse(int left, int top, int right, int bottom) {
  if (auto* d = device()) d->ellipse(left, top, right, bottom);
}

void gr_fill_ellipse(int left, int top, int right, int bottom) {
  if (auto* d = device()) d->fill_ellipse(left, top, right, bottom);
}

void gr_arc(int left, int top, int right, int bottom, double start_angle, double end_angle) {
  if (auto* d = device()) d->arc(left, top, right, bottom, start_angle, end_angle);
}

void gr_fill_pie(int left, int top, int right, int bottom, double start_angle, double end_angle) {
  if (auto* d = device()) d->fill_pie(left, top, right, bottom, start_angle, end_angle);
}

void gr_polygon(const POINT* points, int count) {
  if (auto* d = device()) d->polygon(points, count);
}

void gr_fill_polygon(const POINT* points, int count) {
  if (auto* d = device()) d->fill_polygon(points, count);
}

void gr_bezier(const POINT* points, int count) {
  if (auto* d = device()) d->bezier(points, count);
}

void gr_move_to(int x, int y) {
  Gravo::safe_point();
  runtime.pen_position = {x, y};
}

void gr_line_to(int x, int y) {
  if (auto* d = device()) d->line(runtime.pen_position.x, runtime.pen_position.y, x, y);
  runtime.pen_position = {x, y};
}

void gr_blit(int x, int y, int width, int height, const IMAGE* source, int source_x, int source_y,
             DWORD rop) {
  if (!device() || !source || !source->memory_dc) return;
  Gravo::DrawLock lock;
  Gravo::gdi.BitBlt(runtime.memory_dc, x, y, width, height, source->memory_dc, source_x, source_y, rop);
}
