#include "ui_backend/ui_backend.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

nk_context context;
HDC windowDc = nullptr;

// Events taken from the runtime's queue that the toolkit has not been
// handed yet. Bounded like the runtime's own ring: past the bound the
// newest is dropped.
std::deque<GraphMessage> pendingInput;
const size_t kMaxPendingInput = 256;
// Whether the last feed handed the toolkit any event.
bool inputFed = false;

// Widths by text style and text. A width depends on nothing else, and the
// toolkit asks for the same few hundred every frame. The styles are few, so
// a style is found by comparing it, and only the text is hashed.
struct StyleWidths {
  LOGFONTW style;
  std::unordered_map<std::string, float> widths;
};
std::vector<StyleWidths> widthCache;
size_t cachedWidths = 0;
const size_t kMaxCachedWidths = 4096;

// The widths asked for since the last frame was rendered, in order. The
// toolkit asks for the same ones in the same order every frame, so most
// are answered by comparing with the one asked at that place last time,
// without hashing.
struct AskedWidth {
  LOGFONTW style;
  std::string text;
  float width;
};
std::vector<AskedWidth> askedWidths;
size_t nextAsked = 0;

StyleWidths* widthsOf(const LOGFONTW& style) {
  for (StyleWidths& kept : widthCache)
    if (std::memcmp(&kept.style, &style, sizeof(LOGFONTW)) == 0) return &kept;
  return nullptr;
}

// The last frame rendered, as compared by ui_backend_render_changed.
std::vector<unsigned char> lastFrame;
std::vector<unsigned char> thisFrame;
bool lastFrameComparable = false;
// Whether the last two frames rendered were the same: only then does the
// back buffer hold what rendering that frame again would give, since a
// frame starts from the drawing state (the clip region) the one before
// left behind.
bool frameSettled = false;

// The wizard never needs more polygon corners than this at once.
const int kMaxPolygonPoints = 64;

COLORREF toColorRef(nk_color c) { return static_cast<COLORREF>(c.r | (c.g << 8) | (c.b << 16)); }

// UTF-8 to a zero-terminated UTF-16 buffer that the caller frees; NULL when
// memory runs out. `length` is in bytes, or -1 for a terminated text.
wchar_t* toWide(const char* text, int length) {
  int units = MultiByteToWideChar(CP_UTF8, 0, text, length, nullptr, 0);
  if (units < 0) units = 0;
  wchar_t* wide = static_cast<wchar_t*>(std::calloc(static_cast<size_t>(units) + 1, sizeof(wchar_t)));
  if (wide && units > 0) MultiByteToWideChar(CP_UTF8, 0, text, length, wide, units);
  return wide;
}

const LOGFONTW* textStyleOf(const nk_user_font* font) {
  if (!font) return nullptr;
  const UiFont* owner = static_cast<const UiFont*>(font->userdata.ptr);
  return owner ? owner->text_style : nullptr;
}

// Line colour and line style, saved on construction and put back when the
// handler is done.
class SavedPen {
 public:
  SavedPen() : color_(gr_get_line_color()) { gr_get_line_style(&style_); }
  ~SavedPen() {
    gr_set_line_style_rec(&style_);
    gr_set_line_color(color_);
  }
  SavedPen(const SavedPen&) = delete;
  SavedPen& operator=(const SavedPen&) = delete;

 private:
  COLORREF color_;
  LINESTYLE style_;
};

class SavedLineColor {
 public:
  SavedLineColor() : color_(gr_get_line_color()) {}
  ~SavedLineColor() { gr_set_line_color(color_); }
  SavedLineColor(const SavedLineColor&) = delete;
  SavedLineColor& operator=(const SavedLineColor&) = delete;

 private:
  COLORREF color_;
};

// Fill and line colour, both set to the shape's colour for a filled shape.
class SavedFill {
 public:
  explicit SavedFill(nk_color color) : fill_(gr_get_fill_color()), line_(gr_get_line_color()) {
    gr_set_fill_color(toColorRef(color));
    gr_set_line_color(toColorRef(color));
  }
  ~SavedFill() {
    gr_set_fill_color(fill_);
    gr_set_line_color(line_);
  }
  SavedFill(const SavedFill&) = delete;
  SavedFill& operator=(const SavedFill&) = delete;

 private:
  COLORREF fill_;
  COLORREF line_;
};

void setSolidPen(DWORD style, unsigned short thickness, nk_color color) {
  gr_set_line_style(style, thickness, nullptr, 0);
  gr_set_line_color(toColorRef(color));
}

int pointsOf(const struct nk_vec2i* points, unsigned short count, int limit, POINT* out) {
  int n = count < limit ? count : limit;
  for (int i = 0; i < n; ++i) out[i] = {points[i].x, points[i].y};
  return n;
}

void drawScissor(const nk_command_scissor* c) {
  gr_set_clip_region(nullptr);
  HRGN region =
      CreateRectRgn(static_cast<int>(static_cast<float>(c->x)), static_cast<int>(static_cast<float>(c->y)),
                    static_cast<int>(static_cast<float>(c->x) + static_cast<float>(c->w) + 1.0f),
                    static_cast<int>(static_cast<float>(c->y) + static_cast<float>(c->h) + 1.0f));
  if (!region) return;
  gr_set_clip_region(region);
  DeleteObject(region);
}

void drawLine(const nk_command_line* c) {
  SavedPen saved;
  setSolidPen(PS_SOLID, c->line_thickness, c->color);
  gr_line(c->begin.x, c->begin.y, c->end.x, c->end.y);
}

void drawCurve(const nk_command_curve* c) {
  SavedLineColor saved;
  gr_set_line_color(toColorRef(c->color));
  // The thickness is left in force for the commands that follow.
  if (c->line_thickness != 1) gr_set_line_style(PS_SOLID, c->line_thickness, nullptr, 0);
  const POINT points[4] = {{c->begin.x, c->begin.y},
                           {c->ctrl[0].x, c->ctrl[0].y},
                           {c->ctrl[1].x, c->ctrl[1].y},
                           {c->end.x, c->end.y}};
  gr_bezier(points, 4);
}

void drawRect(const nk_command_rect* c) {
  SavedPen saved;
  setSolidPen(PS_SOLID, c->line_thickness, c->color);
  if (c->rounding == 0) {
    gr_rect(c->x, c->y, c->x + c->w, c->y + c->h);
  } else {
    gr_round_rect(c->x, c->y, c->x + c->w, c->y + c->h, c->rounding, c->rounding);
  }
}

void drawRectFilled(const nk_command_rect_filled* c) {
  SavedFill saved(c->color);
  if (c->rounding == 0) {
    gr_fill_rect(c->x, c->y, c->x + c->w, c->y + c->h);
  } else {
    gr_fill_round_rect(c->x, c->y, c->x + c->w, c->y + c->h, c->rounding, c->rounding);
  }
}

TRIVERTEX vertex(int x, int y, nk_color color) {
  TRIVERTEX v;
  v.x = x;
  v.y = y;
  v.Red = static_cast<COLOR16>(color.r << 8);
  v.Green = static_cast<COLOR16>(color.g << 8);
  v.Blue = static_cast<COLOR16>(color.b << 8);
  v.Alpha = 0xFF00;
  return v;
}

// Drawn on the window itself, not into the back buffer.
void drawRectMultiColor(const nk_command_rect_multi_color* c) {
  if (!windowDc) return;
  TRIVERTEX vertices[4] = {vertex(c->x, c->y, c->left), vertex(c->x + c->w, c->y, c->top),
                           vertex(c->x, c->y + c->h, c->right), vertex(c->x + c->w, c->y + c->h, c->bottom)};
  GRADIENT_TRIANGLE triangles[2] = {{0, 1, 2}, {2, 1, 3}};
  GdiGradientFill(windowDc, vertices, 4, triangles, 2, GRADIENT_FILL_TRIANGLE);
}

void drawCircle(const nk_command_circle* c) {
  SavedPen saved;
  setSolidPen(PS_SOLID, c->line_thickness, c->color);
  gr_ellipse(c->x, c->y, c->x + c->w, c->y + c->h);
}

void drawCircleFilled(const nk_command_circle_filled* c) {
  SavedFill saved(c->color);
  gr_fill_ellipse(c->x, c->y, c->x + c->w, c->y + c->h);
}

void drawArc(const nk_command_arc* c) {
  SavedPen saved;
  setSolidPen(PS_GEOMETRIC | PS_ENDCAP_FLAT, c->line_thickness, c->color);
  gr_arc(c->cx - c->r, c->cy - c->r, c->cx + c->r, c->cy + c->r, c->a[0], c->a[1]);
}

void drawArcFilled(const nk_command_arc_filled* c) {
  SavedFill saved(c->color);
  gr_fill_pie(c->cx - c->r, c->cy - c->r, c->cx + c->r, c->cy + c->r, c->a[0], c->a[1]);
}

void drawTriangle(const nk_command_triangle* c) {
  SavedLineColor saved;
  gr_set_line_color(toColorRef(c->color));
  const POINT points[4] = {{c->a.x, c->a.y}, {c->b.x, c->b.y}, {c->c.x, c->c.y}, {c->a.x, c->a.y}};
  gr_polygon(points, 4);
}

void drawTriangleFilled(const nk_command_triangle_filled* c) {
  SavedFill saved(c->color);
  const POINT points[3] = {{c->a.x, c->a.y}, {c->b.x, c->b.y}, {c->c.x, c->c.y}};
  gr_fill_polygon(points, 3);
}

void drawPolygon(const nk_command_polygon* c) {
  SavedPen saved;
  setSolidPen(PS_SOLID, c->line_thickness, c->color);
  POINT points[kMaxPolygonPoints];
  gr_polygon(points, pointsOf(c->points, c->point_count, kMaxPolygonPoints, points));
}

void drawPolygonFilled(const nk_command_polygon_filled* c) {
  SavedFill saved(c->color);
  POINT points[kMaxPolygonPoints];
  gr_fill_polygon(points, pointsOf(c->points, c->point_count, kMaxPolygonPoints, points));
}

void drawPolyline(const nk_command_polyline* c) {
  SavedPen saved;
  setSolidPen(PS_SOLID, c->line_thickness, c->color);
  if (c->point_count == 0) return;
  gr_move_to(c->points[0].x, c->points[0].y);
  for (int i = 1; i < c->point_count; ++i) gr_line_to(c->points[i].x, c->points[i].y);
}

void drawText(const nk_command_text* c) {
  wchar_t* wide = toWide(c->string, -1);
  if (!wide) return;
  const COLORREF text = gr_get_text_color();
  const COLORREF background = gr_get_bk_color();
  const int mode = gr_get_bk_mode();
  LOGFONTW font;
  gr_get_font(&font);

  const LOGFONTW* style = textStyleOf(c->font);
  if (style) gr_set_font(style);
  gr_set_bk_color(toColorRef(c->background));
  gr_set_text_color(toColorRef(c->foreground));
  gr_set_bk_mode(TRANSPARENT);
  gr_text_out(c->x, c->y, wide);

  gr_set_font(&font);
  gr_set_bk_mode(mode);
  gr_set_bk_color(background);
  gr_set_text_color(text);
  std::free(wide);
}

void drawImage(const nk_command_image* c) {
  const IMAGE* image = static_cast<const IMAGE*>(c->img.handle.ptr);
  if (image) gr_blit(c->x, c->y, c->w, c->h, image, 0, 0, SRCCOPY);
}

void drawCommand(const nk_command* cmd) {
  switch (cmd->type) {
    case NK_COMMAND_SCISSOR:
      drawScissor(reinterpret_cast<const nk_command_scissor*>(cmd));
      break;
    case NK_COMMAND_LINE:
      drawLine(reinterpret_cast<const nk_command_line*>(cmd));
      break;
    case NK_COMMAND_CURVE:
      drawCurve(reinterpret_cast<const nk_command_curve*>(cmd));
      break;
    case NK_COMMAND_RECT:
      drawRect(reinterpret_cast<const nk_command_rect*>(cmd));
      break;
    case NK_COMMAND_RECT_FILLED:
      drawRectFilled(reinterpret_cast<const nk_command_rect_filled*>(cmd));
      break;
    case NK_COMMAND_RECT_MULTI_COLOR:
      drawRectMultiColor(reinterpret_cast<const nk_command_rect_multi_color*>(cmd));
      break;
    case NK_COMMAND_CIRCLE:
      drawCircle(reinterpret_cast<const nk_command_circle*>(cmd));
      break;
    case NK_COMMAND_CIRCLE_FILLED:
      drawCircleFilled(reinterpret_cast<const nk_command_circle_filled*>(cmd));
      break;
    case NK_COMMAND_ARC:
      drawArc(reinterpret_cast<const nk_command_arc*>(cmd));
      break;
    case NK_COMMAND_ARC_FILLED:
      drawArcFilled(reinterpret_cast<const nk_command_arc_filled*>(cmd));
      break;
    case NK_COMMAND_TRIANGLE:
      drawTriangle(reinterpret_cast<const nk_command_triangle*>(cmd));
      break;
    case NK_COMMAND_TRIANGLE_FILLED:
      drawTriangleFilled(reinterpret_cast<const nk_command_triangle_filled*>(cmd));
      break;
    case NK_COMMAND_POLYGON:
      drawPolygon(reinterpret_cast<const nk_command_polygon*>(cmd));
      break;
    case NK_COMMAND_POLYGON_FILLED:
      drawPolygonFilled(reinterpret_cast<const nk_command_polygon_filled*>(cmd));
      break;
    case NK_COMMAND_POLYLINE:
      drawPolyline(reinterpret_cast<const nk_command_polyline*>(cmd));
      break;
    case NK_COMMAND_TEXT:
      drawText(reinterpret_cast<const nk_command_text*>(cmd));
      break;
    case NK_COMMAND_IMAGE:
      drawImage(reinterpret_cast<const nk_command_image*>(cmd));
      break;
    case NK_COMMAND_NOP:
    case NK_COMMAND_CUSTOM:
      break;
  }
}

struct ButtonChange {
  nk_buttons button;
  bool down;
};

// The toolkit buttons a mouse-button message sets, in order, and what it
// does with the mouse capture (1 takes it, -1 lets it go).
struct ButtonMessage {
  WORD kind;
  int capture;
  int count;
  ButtonChange changes[2];
};

const ButtonMessage kButtonMessages[] = {
    {WM_LBUTTONDOWN, 1, 1, {{NK_BUTTON_LEFT, true}, {NK_BUTTON_LEFT, true}}},
    // Ends any double-click state before the release itself.
    {WM_LBUTTONUP, -1, 2, {{NK_BUTTON_DOUBLE, false}, {NK_BUTTON_LEFT, false}}},
    {WM_LBUTTONDBLCLK, 0, 1, {{NK_BUTTON_DOUBLE, true}, {NK_BUTTON_DOUBLE, true}}},
    {WM_RBUTTONDOWN, 1, 1, {{NK_BUTTON_RIGHT, true}, {NK_BUTTON_RIGHT, true}}},
    {WM_RBUTTONUP, -1, 1, {{NK_BUTTON_RIGHT, false}, {NK_BUTTON_RIGHT, false}}},
    {WM_MBUTTONDOWN, 1, 1, {{NK_BUTTON_MIDDLE, true}, {NK_BUTTON_MIDDLE, true}}},
    {WM_MBUTTONUP, -1, 1, {{NK_BUTTON_MIDDLE, false}, {NK_BUTTON_MIDDLE, false}}},
};

const ButtonMessage* buttonMessage(WORD kind) {
  for (const ButtonMessage& b : kButtonMessages)
    if (b.kind == kind) return &b;
  return nullptr;
}

bool anyButtonChangedThisFrame() {
  for (const nk_mouse_button& b : context.input.mouse.buttons)
    if (b.clicked) return true;
  return false;
}

// The toolkit sees a button only as it stands at the end of a frame's
// input, so a press and its release in one frame would never click: a
// button that already changed in this frame waits for the next one before
// it changes back. The pointer waits too after a button change, so a press
// is judged where it was made. Every later event waits behind it, keeping
// the order.
bool mustWaitForNextFrame(const GraphMessage& m) {
  if (m.kind == WM_MOUSEMOVE) return anyButtonChangedThisFrame();
  const ButtonMessage* b = buttonMessage(m.kind);
  if (!b) return false;
  for (int i = 0; i < b->count; ++i) {
    const nk_mouse_button& state = context.input.mouse.buttons[b->changes[i].button];
    if (state.clicked && (state.down != 0) != b->changes[i].down) return true;
  }
  return false;
}

void appendBytes(std::vector<unsigned char>& out, const void* data, size_t size) {
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  out.insert(out.end(), bytes, bytes + size);
}

// The bytes that decide what a frame draws: the clear colour, where the
// walk of the command list begins, the command memory, which holds every
// command with the links the walk follows, and the text style of every
// text command (kept outside the list, behind the font's userdata). False
// when a command draws something else kept outside the list (an image's
// pixels), which cannot be compared this way.
bool describeFrame(nk_color clear, std::vector<unsigned char>& out) {
  out.clear();
  appendBytes(out, &clear, sizeof(clear));
  const nk_command* first = nk__begin(&context);
  const unsigned char* memory = static_cast<const unsigned char*>(context.memory.memory.ptr);
  const nk_size start =
      first ? static_cast<nk_size>(reinterpret_cast<const unsigned char*>(first) - memory) : 0;
  appendBytes(out, &start, sizeof(start));
  for (const nk_command* cmd = first; cmd; cmd = nk__next(&context, cmd)) {
    if (cmd->type == NK_COMMAND_IMAGE || cmd->type == NK_COMMAND_CUSTOM) return false;
    if (cmd->type != NK_COMMAND_TEXT) continue;
    if (const LOGFONTW* style = textStyleOf(reinterpret_cast<const nk_command_text*>(cmd)->font))
      appendBytes(out, style, sizeof(LOGFONTW));
  }
  if (memory) appendBytes(out, memory, context.memory.allocated);
  return true;
}

int handleKey(BYTE virtualKey, bool down, bool ctrl) {
  switch (virtualKey) {
    case VK_SHIFT:
    case VK_LSHIFT:
    case VK_RSHIFT:
      nk_input_key(&context, NK_KEY_SHIFT, down);
      return 1;
    case VK_DELETE:
      nk_input_key(&context, NK_KEY_DEL, down);
      return 1;
    case VK_RETURN:
      nk_input_key(&context, NK_KEY_ENTER, down);
      return 1;
    case VK_TAB:
      nk_input_key(&context, NK_KEY_TAB, down);
      return 1;
    case VK_BACK:
      nk_input_key(&context, NK_KEY_BACKSPACE, down);
      return 1;
    case VK_LEFT:
      nk_input_key(&context, ctrl ? NK_KEY_TEXT_WORD_LEFT : NK_KEY_LEFT, down);
      return 1;
    case VK_RIGHT:
      nk_input_key(&context, ctrl ? NK_KEY_TEXT_WORD_RIGHT : NK_KEY_RIGHT, down);
      return 1;
    case VK_HOME:
      nk_input_key(&context, NK_KEY_TEXT_START, down);
      nk_input_key(&context, NK_KEY_SCROLL_START, down);
      return 1;
    case VK_END:
      nk_input_key(&context, NK_KEY_TEXT_END, down);
      nk_input_key(&context, NK_KEY_SCROLL_END, down);
      return 1;
    case VK_NEXT:
      nk_input_key(&context, NK_KEY_SCROLL_DOWN, down);
      return 1;
    case VK_PRIOR:
      nk_input_key(&context, NK_KEY_SCROLL_UP, down);
      return 1;
    default:
      break;
  }
  if (!ctrl) return 0;
  switch (virtualKey) {
    case 'A':
      nk_input_key(&context, NK_KEY_TEXT_SELECT_ALL, down);
      return 1;
    case 'C':
      nk_input_key(&context, NK_KEY_COPY, down);
      return 1;
    case 'V':
      nk_input_key(&context, NK_KEY_PASTE, down);
      return 1;
    case 'X':
      nk_input_key(&context, NK_KEY_CUT, down);
      return 1;
    case 'Z':
      nk_input_key(&context, NK_KEY_TEXT_UNDO, down);
      return 1;
    case 'R':
      nk_input_key(&context, NK_KEY_TEXT_REDO, down);
      return 1;
    default:
      return 0;
  }
}

}  // namespace

UiFont* ui_font_create(const char* face, int height, int width) {
  LOGFONTW wanted;
  gr_get_font(&wanted);
  wanted.lfHeight = height;
  wanted.lfWidth = width;
  wanted.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  wanted.lfQuality = PROOF_QUALITY;
  // The face name holds 31 characters and the terminator.
  wmemset(wanted.lfFaceName, L'\0', LF_FACESIZE);
  if (wchar_t* wide = toWide(face ? face : "", -1)) {
    wcsncpy(wanted.lfFaceName, wide, LF_FACESIZE - 1);
    std::free(wide);
  }
  gr_set_font(&wanted);

  UiFont* font = static_cast<UiFont*>(std::calloc(1, sizeof(UiFont)));
  LOGFONTW* style = static_cast<LOGFONTW*>(std::calloc(1, sizeof(LOGFONTW)));
  if (!font || !style) {
    std::free(font);
    std::free(style);
    return nullptr;
  }
  gr_get_font(style);
  font->text_style = style;
  return font;
}

void ui_font_delete(UiFont* font) {
  if (!font) return;
  std::free(font->text_style);
  std::free(font);
}

nk_context* ui_backend_init(UiFont* font, HDC hdc, int, int) {
  if (!font || !font->text_style) return nullptr;
  font->nk.userdata = nk_handle_ptr(font);
  font->nk.height = static_cast<float>(font->text_style->lfHeight);
  font->nk.width = ui_text_width;
  windowDc = hdc;
  pendingInput.clear();
  lastFrameComparable = false;
  frameSettled = false;
  if (!nk_init_default(&context, &font->nk)) return nullptr;
  context.clip.paste = ui_clipboard_paste;
  context.clip.copy = ui_clipboard_copy;
  return &context;
}

namespace {

// The width of a text in a style, from the kept widths or measured.
float keptOrMeasuredWidth(const UiFont* font, const char* text, int length) {
  static std::string key;
  key.assign(text, static_cast<size_t>(length));
  StyleWidths* kept = widthsOf(*font->text_style);
  if (kept) {
    const auto cached = kept->widths.find(key);
    if (cached != kept->widths.end()) return cached->second;
  }

  wchar_t* wide = static_cast<wchar_t*>(std::calloc(static_cast<size_t>(length) + 1, sizeof(wchar_t)));
  if (!wide) return 0.0f;
  MultiByteToWideChar(CP_UTF8, 0, text, length, wide, length);

  LOGFONTW saved;
  gr_get_font(&saved);
  gr_set_font(font->text_style);
  const int width = gr_text_width(wide);
  gr_set_font(&saved);
  std::free(wide);
  // Labels the user changes (chosen directories) add widths; the bound
  // keeps a long session from growing it without end.
  if (cachedWidths >= kMaxCachedWidths) {
    widthCache.clear();
    cachedWidths = 0;
    kept = nullptr;
  }
  if (!kept) {
    widthCache.push_back({*font->text_style, {}});
    kept = &widthCache.back();
  }
  kept->widths.emplace(key, static_cast<float>(width));
  ++cachedWidths;
  return static_cast<float>(width);
}

}  // namespace

float ui_text_width(nk_handle handle, float, const char* text, int length) {
  const UiFont* font = static_cast<const UiFont*>(handle.ptr);
  if (!font || !font->text_style || !text || length <= 0) return 0.0f;
  const size_t size = static_cast<size_t>(length);
  if (nextAsked < askedWidths.size()) {
    const AskedWidth& asked = askedWidths[nextAsked];
    if (asked.text.size() == size && std::memcmp(asked.text.data(), text, size) == 0 &&
        std::memcmp(&asked.style, font->text_style, sizeof(LOGFONTW)) == 0) {
      ++nextAsked;
      return asked.width;
    }
  }
  const float width = keptOrMeasuredWidth(font, text, length);
  if (nextAsked < askedWidths.size()) {
    askedWidths[nextAsked] = {*font->text_style, std::string(text, size), width};
  } else if (askedWidths.size() < kMaxCachedWidths) {
    askedWidths.push_back({*font->text_style, std::string(text, size), width});
  }
  ++nextAsked;
  return width;
}

int ui_backend_handle(HWND, const GraphMessage* m) {
  if (!m) return 0;
  if (const ButtonMessage* b = buttonMessage(m->kind)) {
    for (int i = 0; i < b->count; ++i)
      nk_input_button(&context, b->changes[i].button, m->x, m->y, b->changes[i].down);
    if (b->capture > 0) gr_set_capture();
    if (b->capture < 0) gr_release_capture();
    return 1;
  }
  switch (m->kind) {
    case WM_MOUSEMOVE:
      nk_input_motion(&context, m->x, m->y);
      return 1;
    case WM_MOUSEWHEEL:
      nk_input_scroll(&context, nk_vec2(0.0f, static_cast<float>(m->wheel_delta / 120.0)));
      return 1;
    case WM_CHAR:
      // Control characters arrive as keys (Backspace, Tab, Enter) instead.
      if (m->unit < 32) return 0;
      nk_input_unicode(&context, m->unit);
      return 1;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      const bool down = m->kind == WM_KEYDOWN || m->kind == WM_SYSKEYDOWN;
      const bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
      return handleKey(m->virtual_key, down, ctrl);
    }
    default:
      return 0;
  }
}

void ui_backend_queue(const GraphMessage* message) {
  if (message && pendingInput.size() < kMaxPendingInput) pendingInput.push_back(*message);
}

int ui_backend_feed(HWND hwnd) {
  inputFed = false;
  while (!pendingInput.empty() && !mustWaitForNextFrame(pendingInput.front())) {
    ui_backend_handle(hwnd, &pendingInput.front());
    pendingInput.pop_front();
    inputFed = true;
  }
  return static_cast<int>(pendingInput.size());
}

int ui_backend_fed_input() { return inputFed ? 1 : 0; }

void ui_backend_queue_stale(const GraphMessage* message) {
  if (!message) return;
  const ButtonMessage* b = buttonMessage(message->kind);
  const bool release = b ? !b->changes[0].down : message->kind == WM_KEYUP || message->kind == WM_SYSKEYUP;
  if (release || message->kind == WM_MOUSEMOVE) ui_backend_queue(message);
}

void ui_backend_release_lost_buttons(HWND hwnd) {
  struct Button {
    nk_buttons button;
    WORD release;
    int key;
  };
  // GetAsyncKeyState reads the buttons as they are wired, before the
  // swap of left and right that the messages already have.
  const bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
  const Button buttons[] = {{NK_BUTTON_LEFT, WM_LBUTTONUP, swapped ? VK_RBUTTON : VK_LBUTTON},
                            {NK_BUTTON_RIGHT, WM_RBUTTONUP, swapped ? VK_LBUTTON : VK_RBUTTON},
                            {NK_BUTTON_MIDDLE, WM_MBUTTONUP, VK_MBUTTON}};
  POINT pointer = {static_cast<LONG>(context.input.mouse.pos.x),
                   static_cast<LONG>(context.input.mouse.pos.y)};
  POINT screen;
  if (GetCursorPos(&screen) && ScreenToClient(hwnd, &screen)) pointer = screen;
  for (const Button& b : buttons) {
    bool held = context.input.mouse.buttons[b.button].down != 0;
    for (const GraphMessage& m : pendingInput) {
      const ButtonMessage* change = buttonMessage(m.kind);
      if (change && change->changes[change->count - 1].button == b.button)
        held = change->changes[change->count - 1].down;
    }
    if (!held || (GetAsyncKeyState(b.key) & 0x8000)) continue;
    GraphMessage release{};
    release.kind = b.release;
    release.x = static_cast<SHORT>(pointer.x);
    release.y = static_cast<SHORT>(pointer.y);
    ui_backend_queue(&release);
  }
}

namespace {

// Renders the frame whose description `thisFrame` holds (when comparable).
void renderDescribed(nk_color clear, bool comparable) {
  nextAsked = 0;
  frameSettled = comparable && lastFrameComparable && thisFrame == lastFrame;
  lastFrame.swap(thisFrame);
  lastFrameComparable = comparable;
  gr_set_bk_color(toColorRef(clear));
  gr_clear();
  const nk_command* cmd = nullptr;
  nk_foreach(cmd, &context) drawCommand(cmd);
  nk_clear(&context);
}

}  // namespace

void ui_backend_render(nk_color clear) { renderDescribed(clear, describeFrame(clear, thisFrame)); }

int ui_backend_render_changed(nk_color clear, int force) {
  const bool comparable = describeFrame(clear, thisFrame);
  if (!force && frameSettled && comparable && thisFrame == lastFrame) {
    nextAsked = 0;
    nk_clear(&context);
    return 0;
  }
  renderDescribed(clear, comparable);
  return 1;
}

void ui_clipboard_paste(nk_handle, nk_text_edit* edit) {
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(nullptr)) return;
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  const SIZE_T size = data ? GlobalSize(data) : 0;
  if (data && size != 1) {
    const wchar_t* wide = static_cast<const wchar_t*>(GlobalLock(data));
    if (wide) {
      // A block may be larger than its text: stop at the terminator.
      const int units = static_cast<int>(wcsnlen(wide, (size - 1) / 2));
      const int bytes =
          units ? WideCharToMultiByte(CP_UTF8, 0, wide, units, nullptr, 0, nullptr, nullptr) : 0;
      char* utf8 = bytes > 0 ? static_cast<char*>(std::malloc(static_cast<size_t>(bytes))) : nullptr;
      if (utf8) {
        WideCharToMultiByte(CP_UTF8, 0, wide, units, utf8, bytes, nullptr, nullptr);
        // The toolkit's paste inserts `len` glyphs, not bytes: a byte count
        // would read past the buffer for any non-ASCII text.
        nk_textedit_paste(edit, utf8, nk_utf_len(utf8, bytes));
        std::free(utf8);
      }
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
}

void ui_clipboard_copy(nk_handle, const char* text, int length) {
  if (!text || length <= 0 || !OpenClipboard(nullptr)) return;
  const int units = MultiByteToWideChar(CP_UTF8, 0, text, length, nullptr, 0);
  if (units > 0) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (static_cast<SIZE_T>(units) + 1) * sizeof(wchar_t));
    wchar_t* wide = block ? static_cast<wchar_t*>(GlobalLock(block)) : nullptr;
    if (wide) {
      MultiByteToWideChar(CP_UTF8, 0, text, length, wide, units);
      wide[units] = L'\0';
      GlobalUnlock(block);
      // The clipboard owns the block only once it has accepted it.
      if (!SetClipboardData(CF_UNICODETEXT, block)) GlobalFree(block);
    } else if (block) {
      GlobalFree(block);
    }
  }
  CloseClipboard();
}
