#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ui_backend/ui_backend.h"

namespace {

const int kWidth = 200;
const int kHeight = 150;

// A real graphics window whose back buffer is the drawing target, with the
// UI font and the toolkit context made as the wizard makes them.
class Backend : public ::testing::Test {
 protected:
  void SetUp() override {
    hwnd = gr_open_window(kWidth, kHeight, 0);
    ASSERT_NE(hwnd, nullptr);
    font = ui_font_create("Segoe UI", 17, 0);
    ASSERT_NE(font, nullptr);
    ctx = ui_backend_init(font, GetDC(hwnd), kWidth, kHeight);
    ASSERT_NE(ctx, nullptr);
    ctx->style.window.fixed_background = nk_style_item_color(nk_rgb(0, 0, 0));
    nk_input_begin(ctx);
  }
  void TearDown() override {
    ui_font_delete(font);
    gr_close_window();
  }

  int handle(WORD kind) {
    GraphMessage m{};
    m.kind = kind;
    return ui_backend_handle(hwnd, &m);
  }
  int mouse(WORD kind, SHORT x, SHORT y, SHORT wheel = 0) {
    GraphMessage m{};
    m.kind = kind;
    m.x = x;
    m.y = y;
    m.wheel_delta = wheel;
    return ui_backend_handle(hwnd, &m);
  }
  int key(WORD kind, BYTE vk) {
    GraphMessage m{};
    m.kind = kind;
    m.virtual_key = vk;
    return ui_backend_handle(hwnd, &m);
  }
  int character(WORD unit) {
    GraphMessage m{};
    m.kind = WM_CHAR;
    m.unit = unit;
    return ui_backend_handle(hwnd, &m);
  }
  const nk_mouse_button& button(nk_buttons b) const { return ctx->input.mouse.buttons[b]; }
  HWND captureOwner() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info);
    return info.hwndCapture;
  }

  // Everything drawn between begin() and render() lands in a toolkit window
  // covering the whole target, on black.
  nk_command_buffer* begin(float w = kWidth, float h = kHeight) {
    nk_begin(ctx, "test", nk_rect(0, 0, w, h), NK_WINDOW_NO_SCROLLBAR);
    return nk_window_get_canvas(ctx);
  }
  void render() {
    nk_end(ctx);
    ui_backend_render(nk_rgb(0, 0, 0));
  }
  DWORD pixel(int x, int y) const { return gr_image_buffer(nullptr)[y * kWidth + x]; }

  void queue(WORD kind, SHORT x, SHORT y) {
    GraphMessage m{};
    m.kind = kind;
    m.x = x;
    m.y = y;
    ui_backend_queue(&m);
  }
  // One frame as the wizard's loop runs it: the queued events this frame
  // takes, then `layout` in a toolkit window over the whole target.
  template <class Layout>
  void loopFrame(Layout layout, nk_flags flags = NK_WINDOW_NO_SCROLLBAR) {
    ui_backend_feed(hwnd);
    nk_input_end(ctx);
    if (nk_begin(ctx, "loop", nk_rect(0, 0, kWidth, kHeight), flags)) layout();
    nk_end(ctx);
    ui_backend_render(nk_rgb(0, 0, 0));
    nk_input_begin(ctx);
  }
  // A frame with one button at the top left; whether it clicked.
  bool buttonFrame() {
    bool clicked = false;
    loopFrame([&] {
      nk_layout_row_static(ctx, 30, 80, 1);
      clicked = nk_button_label(ctx, "OK");
    });
    return clicked;
  }

  HWND hwnd = nullptr;
  UiFont* font = nullptr;
  nk_context* ctx = nullptr;
};

void setCtrl(bool down) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = down ? 0x80 : 0;
  keys[VK_LCONTROL] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

LOGFONTW logFont(const wchar_t* face, int height) {
  LOGFONTW f{};
  f.lfHeight = height;
  f.lfCharSet = DEFAULT_CHARSET;
  wcscpy(f.lfFaceName, face);
  return f;
}

// A page-style font: only the text style of the backend record is set.
struct PageFont {
  explicit PageFont(int height) : style(logFont(L"Segoe UI", height)) {
    backend.text_style = &style;
    user.userdata = nk_handle_ptr(&backend);
    user.height = static_cast<float>(height);
    user.width = ui_text_width;
  }
  LOGFONTW style;
  UiFont backend{};
  nk_user_font user{};
};

TEST_F(Backend, MouseMessagesBecomeButtonsMotionAndCapture) {
  EXPECT_EQ(mouse(WM_MOUSEMOVE, -5, 300), 1);
  EXPECT_EQ(ctx->input.mouse.pos.x, -5.0f);
  EXPECT_EQ(ctx->input.mouse.pos.y, 300.0f);

  EXPECT_EQ(mouse(WM_LBUTTONDOWN, 10, 20), 1);
  EXPECT_TRUE(button(NK_BUTTON_LEFT).down);
  EXPECT_EQ(button(NK_BUTTON_LEFT).clicked_pos.x, 10.0f);
  EXPECT_EQ(captureOwner(), hwnd);
  EXPECT_EQ(mouse(WM_LBUTTONDBLCLK, 10, 20), 1);
  EXPECT_TRUE(button(NK_BUTTON_DOUBLE).down);
  // The release ends the double-click state as well.
  EXPECT_EQ(mouse(WM_LBUTTONUP, 11, 21), 1);
  EXPECT_FALSE(button(NK_BUTTON_DOUBLE).down);
  EXPECT_EQ(button(NK_BUTTON_DOUBLE).clicked, 2u);
  EXPECT_EQ(button(NK_BUTTON_DOUBLE).clicked_pos.x, 11.0f);
  EXPECT_FALSE(button(NK_BUTTON_LEFT).down);
  EXPECT_EQ(captureOwner(), nullptr);

  EXPECT_EQ(mouse(WM_RBUTTONDOWN, 30, 40), 1);
  EXPECT_TRUE(button(NK_BUTTON_RIGHT).down);
  EXPECT_EQ(captureOwner(), hwnd);
  EXPECT_EQ(mouse(WM_RBUTTONUP, 30, 40), 1);
  EXPECT_FALSE(button(NK_BUTTON_RIGHT).down);
  EXPECT_EQ(mouse(WM_MBUTTONDOWN, 50, 60), 1);
  EXPECT_TRUE(button(NK_BUTTON_MIDDLE).down);
  EXPECT_EQ(button(NK_BUTTON_MIDDLE).clicked_pos.y, 60.0f);
  EXPECT_EQ(mouse(WM_MBUTTONUP, 50, 60), 1);
  EXPECT_FALSE(button(NK_BUTTON_MIDDLE).down);
  EXPECT_EQ(captureOwner(), nullptr);

  // Right and middle double-clicks and window messages are not toolkit input.
  EXPECT_EQ(mouse(WM_RBUTTONDBLCLK, 1, 1), 0);
  EXPECT_EQ(mouse(WM_MBUTTONDBLCLK, 1, 1), 0);
  EXPECT_EQ(handle(WM_SIZE), 0);
  EXPECT_FALSE(button(NK_BUTTON_RIGHT).down);
}

TEST_F(Backend, WheelScrollsOneStepPerNotch) {
  EXPECT_EQ(mouse(WM_MOUSEWHEEL, 5, 5, 120), 1);
  EXPECT_FLOAT_EQ(ctx->input.mouse.scroll_delta.y, 1.0f);
  EXPECT_FLOAT_EQ(ctx->input.mouse.scroll_delta.x, 0.0f);
  nk_input_end(ctx);
  nk_input_begin(ctx);
  EXPECT_EQ(mouse(WM_MOUSEWHEEL, 5, 5, -240), 1);
  EXPECT_FLOAT_EQ(ctx->input.mouse.scroll_delta.y, -2.0f);
}

TEST_F(Backend, CharactersBelowSpaceAreDropped) {
  EXPECT_EQ(character(L'a'), 1);
  EXPECT_EQ(character(0x4E2D), 1);
  EXPECT_EQ(character(L'\b'), 0);
  EXPECT_EQ(character(L'\t'), 0);
  EXPECT_EQ(character(L'\r'), 0);
  EXPECT_EQ(character(31), 0);
  EXPECT_EQ(std::string(ctx->input.keyboard.text, ctx->input.keyboard.text_len), u8"a中");
}

TEST_F(Backend, KeyTableRowsWithAndWithoutCtrl) {
  struct Row {
    BYTE vk;
    bool ctrl;
    std::vector<nk_keys> keys;  // empty: not handled
  };
  const Row rows[] = {
      {VK_SHIFT, false, {NK_KEY_SHIFT}},
      {VK_LSHIFT, false, {NK_KEY_SHIFT}},
      {VK_RSHIFT, false, {NK_KEY_SHIFT}},
      {VK_DELETE, false, {NK_KEY_DEL}},
      {VK_RETURN, false, {NK_KEY_ENTER}},
      {VK_TAB, false, {NK_KEY_TAB}},
      {VK_BACK, false, {NK_KEY_BACKSPACE}},
      {VK_LEFT, false, {NK_KEY_LEFT}},
      {VK_LEFT, true, {NK_KEY_TEXT_WORD_LEFT}},
      {VK_RIGHT, false, {NK_KEY_RIGHT}},
      {VK_RIGHT, true, {NK_KEY_TEXT_WORD_RIGHT}},
      {VK_HOME, false, {NK_KEY_TEXT_START, NK_KEY_SCROLL_START}},
      {VK_END, false, {NK_KEY_TEXT_END, NK_KEY_SCROLL_END}},
      {VK_NEXT, false, {NK_KEY_SCROLL_DOWN}},
      {VK_PRIOR, false, {NK_KEY_SCROLL_UP}},
      {'A', true, {NK_KEY_TEXT_SELECT_ALL}},
      {'C', true, {NK_KEY_COPY}},
      {'V', true, {NK_KEY_PASTE}},
      {'X', true, {NK_KEY_CUT}},
      {'Z', true, {NK_KEY_TEXT_UNDO}},
      {'R', true, {NK_KEY_TEXT_REDO}},
      {'A', false, {}},
      {'C', false, {}},
      {'V', false, {}},
      {'Z', false, {}},
      {'Q', true, {}},
      {VK_UP, false, {}},
      {VK_DOWN, true, {}},
  };
  const WORD downKinds[] = {WM_KEYDOWN, WM_SYSKEYDOWN};
  const WORD upKinds[] = {WM_KEYUP, WM_SYSKEYUP};
  for (int variant = 0; variant < 2; ++variant) {
    for (const Row& row : rows) {
      SCOPED_TRACE(testing::Message()
                   << "key " << int(row.vk) << " ctrl " << row.ctrl << " kind " << downKinds[variant]);
      setCtrl(row.ctrl);
      nk_input_begin(ctx);
      EXPECT_EQ(key(downKinds[variant], row.vk), row.keys.empty() ? 0 : 1);
      for (int k = 0; k < NK_KEY_MAX; ++k) {
        const bool expected = std::find(row.keys.begin(), row.keys.end(), k) != row.keys.end();
        EXPECT_EQ(ctx->input.keyboard.keys[k].down != 0, expected) << "toolkit key " << k;
        EXPECT_EQ(ctx->input.keyboard.keys[k].clicked, expected ? 1u : 0u) << "toolkit key " << k;
      }
      EXPECT_EQ(key(upKinds[variant], row.vk), row.keys.empty() ? 0 : 1);
      for (nk_keys k : row.keys) EXPECT_FALSE(ctx->input.keyboard.keys[k].down);
    }
  }
  setCtrl(false);
}

TEST_F(Backend, PolygonDrawsFirst64PointsPolylineDrawsAll) {
  // 64 points along y = 10, then six more that go down to y = 100 at x = 120.
  std::vector<float> points;
  for (int i = 0; i < 64; ++i) points.insert(points.end(), {10.0f + i, 10.0f});
  points.insert(points.end(), {120, 10, 120, 100, 110, 100, 100, 100, 90, 100, 80, 100});
  ASSERT_EQ(points.size(), 140u);

  gr_set_line_color(RGB(1, 2, 3));
  gr_set_line_style(PS_DASH, 2);
  nk_command_buffer* canvas = begin();
  nk_stroke_polygon(canvas, points.data(), 70, 1, nk_rgb(255, 255, 255));
  render();
  EXPECT_EQ(pixel(40, 10), 0xFFFFFFu);
  EXPECT_EQ(pixel(120, 50), 0u) << "a point past the 64th was drawn";
  LINESTYLE style;
  gr_get_line_style(&style);
  EXPECT_EQ(style.style, static_cast<DWORD>(PS_DASH));
  EXPECT_EQ(style.thickness, 2u);
  EXPECT_EQ(gr_get_line_color(), RGB(1, 2, 3));

  canvas = begin();
  nk_stroke_polyline(canvas, points.data(), 70, 1, nk_rgb(255, 255, 255));
  render();
  EXPECT_EQ(pixel(40, 10), 0xFFFFFFu);
  EXPECT_EQ(pixel(120, 50), 0xFFFFFFu);
  EXPECT_EQ(pixel(85, 100), 0xFFFFFFu);
  gr_get_line_style(&style);
  EXPECT_EQ(style.thickness, 2u);
  EXPECT_EQ(gr_get_line_color(), RGB(1, 2, 3));
}

TEST_F(Backend, CurveLeavesItsThicknessOtherShapesRestoreThePen) {
  gr_set_line_color(RGB(1, 2, 3));
  gr_set_fill_color(RGB(4, 5, 6));
  gr_set_line_style(PS_SOLID, 2);
  nk_command_buffer* canvas = begin();
  nk_stroke_line(canvas, 10, 10, 100, 10, 4, nk_rgb(255, 0, 0));
  nk_stroke_rect(canvas, nk_rect(10, 20, 30, 30), 0, 3, nk_rgb(0, 255, 0));
  nk_fill_rect(canvas, nk_rect(50, 20, 30, 30), 5, nk_rgb(0, 0, 255));
  nk_stroke_circle(canvas, nk_rect(90, 20, 30, 30), 1, nk_rgb(255, 255, 0));
  nk_fill_triangle(canvas, 130, 50, 150, 20, 170, 50, nk_rgb(255, 0, 255));
  render();
  EXPECT_EQ(pixel(50, 10), 0xFF0000u);
  EXPECT_EQ(pixel(10, 35), 0x00FF00u);
  EXPECT_EQ(pixel(65, 35), 0x0000FFu);
  EXPECT_EQ(pixel(150, 45), 0xFF00FFu);
  LINESTYLE style;
  gr_get_line_style(&style);
  EXPECT_EQ(style.thickness, 2u);
  EXPECT_EQ(gr_get_line_color(), RGB(1, 2, 3));
  EXPECT_EQ(gr_get_fill_color(), RGB(4, 5, 6));

  canvas = begin();
  nk_stroke_curve(canvas, 10, 100, 40, 60, 80, 140, 110, 100, 3, nk_rgb(255, 255, 255));
  render();
  gr_get_line_style(&style);
  EXPECT_EQ(style.thickness, 3u);
  EXPECT_EQ(gr_get_line_color(), RGB(1, 2, 3));
  EXPECT_EQ(pixel(10, 100), 0xFFFFFFu);
}

TEST_F(Backend, TextCommandDrawsInItsFontAndRestoresTextState) {
  LOGFONTW small = logFont(L"Courier New", 13);
  gr_set_font(&small);
  gr_set_text_color(RGB(10, 20, 30));
  gr_set_bk_mode(OPAQUE);
  PageFont big(40);

  nk_command_buffer* canvas = begin();
  nk_draw_text(canvas, nk_rect(10, 10, 180, 50), "WWW", 3, &big.user, nk_rgb(0, 255, 0), nk_rgb(255, 0, 0));
  render();

  int lowest = -1;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const DWORD p = pixel(x, y);
      if ((p >> 16) > 200 && ((p >> 8) & 0xFF) < 80 && (p & 0xFF) < 80) lowest = y;
      // Transparent text: the command's green background never shows.
      ASSERT_NE(p, 0x00FF00u) << x << "," << y;
    }
  }
  EXPECT_GT(lowest, 10 + 20) << "text was not drawn with the 40-unit font";

  LOGFONTW after;
  gr_get_font(&after);
  EXPECT_EQ(after.lfHeight, 13);
  EXPECT_STREQ(after.lfFaceName, L"Courier New");
  EXPECT_EQ(gr_get_text_color(), RGB(10, 20, 30));
  EXPECT_EQ(gr_get_bk_mode(), OPAQUE);
  // The frame's clear colour stays the background colour.
  EXPECT_EQ(gr_get_bk_color(), RGB(0, 0, 0));
}

TEST_F(Backend, TextWidthMeasuresWithTheFontStyleAndRestoresTheFont) {
  LOGFONTW small = logFont(L"Courier New", 13);
  gr_set_font(&small);
  PageFont big(40);
  const float bigWidth = ui_text_width(big.user.userdata, 40, "Gravo", 5);
  const int smallWidth = gr_text_width(L"Gravo");
  EXPECT_GT(bigWidth, 2.0f * smallWidth);
  // Only the given bytes are measured.
  EXPECT_LT(ui_text_width(big.user.userdata, 40, "Gravo", 2), bigWidth);
  EXPECT_EQ(ui_text_width(big.user.userdata, 40, nullptr, 5), 0.0f);
  EXPECT_EQ(ui_text_width(nk_handle_ptr(nullptr), 40, "Gravo", 5), 0.0f);

  LOGFONTW after;
  gr_get_font(&after);
  EXPECT_EQ(after.lfHeight, 13);
  EXPECT_STREQ(after.lfFaceName, L"Courier New");
}

TEST_F(Backend, ScissorClipsTheCommandsThatFollow) {
  nk_command_buffer* canvas = begin(50, 50);
  nk_fill_rect(canvas, nk_rect(40, 40, 40, 40), 0, nk_rgb(255, 0, 0));
  render();
  EXPECT_EQ(pixel(45, 45), 0xFF0000u);
  EXPECT_EQ(pixel(60, 60), 0u);
  EXPECT_EQ(pixel(75, 45), 0u);
}

std::wstring clipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const wchar_t* p = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = p;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

// Puts `bytes` bytes of memory holding `text` (terminated) on the clipboard.
void setClipboard(const std::wstring& text, size_t bytes) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  ASSERT_NE(block, nullptr);
  char* p = static_cast<char*>(GlobalLock(block));
  std::memset(p, 'x', bytes);
  std::memcpy(p, text.c_str(), std::min(bytes, (text.size() + 1) * sizeof(wchar_t)));
  GlobalUnlock(block);
  EXPECT_NE(SetClipboardData(CF_UNICODETEXT, block), nullptr);
  CloseClipboard();
}

std::string pasted(const std::wstring& text, size_t bytes) {
  setClipboard(text, bytes);
  nk_text_edit edit;
  nk_textedit_init_default(&edit);
  edit.mode = NK_TEXT_EDIT_MODE_INSERT;
  ui_clipboard_paste(nk_handle_ptr(nullptr), &edit);
  std::string result(static_cast<const char*>(nk_str_get_const(&edit.string)), nk_str_len_char(&edit.string));
  nk_textedit_free(&edit);
  return result;
}

TEST_F(Backend, ClipboardCopiesAndPastesUnicodeText) {
  const std::string utf8 = u8"中文 abc";
  ui_clipboard_copy(nk_handle_ptr(nullptr), utf8.c_str(), static_cast<int>(utf8.size()));
  EXPECT_EQ(clipboardText(), L"中文 abc");
  // Only `length` bytes are copied.
  ui_clipboard_copy(nk_handle_ptr(nullptr), utf8.c_str(), 3);
  EXPECT_EQ(clipboardText(), L"中");

  EXPECT_EQ(pasted(L"粘贴 ok", 8 * sizeof(wchar_t)), u8"粘贴 ok");
  // An empty text pastes nothing; a block larger than its text pastes the text.
  EXPECT_EQ(pasted(L"", sizeof(wchar_t)), "");
  EXPECT_EQ(pasted(L"ab", 64), "ab");

  OpenClipboard(nullptr);
  EmptyClipboard();
  CloseClipboard();
}

TEST_F(Backend, QueuedPressesAndReleasesReachTheToolkitOneChangeAFrame) {
  // A tap: pointer, press and release in one frame. The release waits a
  // frame, and the pointer moving off waits behind it.
  queue(WM_MOUSEMOVE, 40, 15);
  queue(WM_LBUTTONDOWN, 40, 15);
  queue(WM_LBUTTONUP, 40, 15);
  queue(WM_MOUSEMOVE, 150, 100);
  EXPECT_TRUE(buttonFrame());
  EXPECT_TRUE(button(NK_BUTTON_LEFT).down);
  EXPECT_FALSE(buttonFrame());
  EXPECT_FALSE(button(NK_BUTTON_LEFT).down);
  EXPECT_EQ(ctx->input.mouse.pos.x, 40.0f);
  buttonFrame();
  EXPECT_EQ(ctx->input.mouse.pos.x, 150.0f);
  EXPECT_EQ(ui_backend_feed(hwnd), 0);

  // A double click queued whole clicks twice, as at hand speed.
  const WORD clicks[] = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP};
  for (WORD kind : clicks) queue(kind, 40, 15);
  int clicked = 0;
  for (int frame = 0; frame < 5; ++frame) clicked += buttonFrame() ? 1 : 0;
  EXPECT_EQ(clicked, 2);
  // With double-click messages the double click reaches the toolkit in the
  // first release's frame and ends in the next.
  const WORD doubleClick[] = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
  for (WORD kind : doubleClick) queue(kind, 40, 15);
  buttonFrame();
  buttonFrame();
  EXPECT_TRUE(button(NK_BUTTON_DOUBLE).down);
  buttonFrame();
  EXPECT_FALSE(button(NK_BUTTON_DOUBLE).down);
  EXPECT_FALSE(button(NK_BUTTON_LEFT).down);
}

TEST_F(Backend, StaleInputKeepsOnlyReleasesAndThePointer) {
  queue(WM_MOUSEMOVE, 40, 15);
  queue(WM_LBUTTONDOWN, 40, 15);
  EXPECT_TRUE(buttonFrame());
  EXPECT_TRUE(ui_backend_fed_input());
  // Made while that click's operation ran: its release, pointer, a second
  // click, wheel, Shift and a character. Only the releases and the pointer
  // arrive.
  const WORD kinds[] = {WM_LBUTTONUP, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_MOUSEWHEEL,
                        WM_KEYDOWN,   WM_CHAR,      WM_LBUTTONUP,   WM_KEYUP};
  for (WORD kind : kinds) {
    GraphMessage m{};
    m.kind = kind;
    m.x = kind == WM_MOUSEMOVE ? 60 : 40;
    m.y = 15;
    if (kind == WM_MOUSEWHEEL) m.wheel_delta = 120;
    if (kind == WM_KEYDOWN || kind == WM_KEYUP) m.virtual_key = VK_SHIFT;
    if (kind == WM_CHAR) m.unit = L'a';
    ui_backend_queue_stale(&m);
  }
  int clicks = 0;
  for (int frame = 0; frame < 3; ++frame) {
    bool clicked = false;
    loopFrame([&] {
      nk_layout_row_static(ctx, 30, 80, 1);
      clicked = nk_button_label(ctx, "OK");
      EXPECT_EQ(ctx->input.mouse.scroll_delta.y, 0.0f);
      EXPECT_EQ(ctx->input.keyboard.text_len, 0);
      EXPECT_EQ(ctx->input.keyboard.keys[NK_KEY_SHIFT].clicked, 0u);
    });
    clicks += clicked ? 1 : 0;
  }
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(button(NK_BUTTON_LEFT).down);
  EXPECT_EQ(ctx->input.mouse.pos.x, 60.0f);
  EXPECT_EQ(ui_backend_feed(hwnd), 0);
}

TEST_F(Backend, AButtonWhoseReleaseWasLostIsReleased) {
  queue(WM_LBUTTONDOWN, 40, 15);
  queue(WM_MBUTTONDOWN, 40, 15);
  buttonFrame();
  ASSERT_TRUE(button(NK_BUTTON_LEFT).down);
  // The middle button's release still waits; the left one's was lost.
  queue(WM_MBUTTONUP, 40, 15);
  ui_backend_release_lost_buttons(hwnd);
  buttonFrame();
  EXPECT_FALSE(button(NK_BUTTON_LEFT).down);
  EXPECT_FALSE(button(NK_BUTTON_MIDDLE).down);
  // Nothing held, nothing to release.
  ui_backend_release_lost_buttons(hwnd);
  EXPECT_EQ(ui_backend_feed(hwnd), 0);
  EXPECT_FALSE(ui_backend_fed_input());
}

TEST_F(Backend, ScrollBarDragMovesTheViewAcrossFrames) {
  float scrolled = 0;
  auto tallList = [&] {
    nk_layout_row_dynamic(ctx, 30, 1);
    for (int row = 0; row < 20; ++row) nk_label(ctx, "row", NK_TEXT_LEFT);
    scrolled = static_cast<float>(ctx->current->scrollbar.y);
  };
  loopFrame(tallList, 0);
  queue(WM_MOUSEMOVE, kWidth - 5, 12);
  queue(WM_LBUTTONDOWN, kWidth - 5, 12);
  queue(WM_MOUSEMOVE, kWidth - 5, 40);
  loopFrame(tallList, 0);
  EXPECT_EQ(scrolled, 0.0f);
  loopFrame(tallList, 0);
  EXPECT_GT(scrolled, 0.0f);
  queue(WM_LBUTTONUP, kWidth - 5, 40);
  loopFrame(tallList, 0);
  EXPECT_FALSE(button(NK_BUTTON_LEFT).down);
}

TEST_F(Backend, KeptWidthsFollowTheTextStyleNotItsRecord) {
  PageFont page(17);
  const nk_handle handle = nk_handle_ptr(&page.backend);
  const float narrow = ui_text_width(handle, 0, "Gravo", 5);
  EXPECT_EQ(ui_text_width(handle, 0, "Gravo", 5), narrow);
  // The same record, made larger: measured anew.
  page.style.lfHeight = 34;
  EXPECT_GT(ui_text_width(handle, 0, "Gravo", 5), narrow * 1.5f);
  EXPECT_EQ(ui_text_width(handle, 0, "Gravo", 4), ui_text_width(handle, 0, "Grav", 4));
}

}  // namespace
