// The wizard's platform page in this process, driven frame by frame through
// the real window, with the texts of each frame read from the toolkit's
// command list before it is rendered.
#ifndef GRAVO_TESTS_E2E_PAGE_FRAMES_H
#define GRAVO_TESTS_E2E_PAGE_FRAMES_H

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/page_helpers.h"
#include "app/wizard_run.h"

namespace pagetest {

inline DWORD rgb(int r, int g, int b) { return static_cast<DWORD>(r << 16 | g << 8 | b); }

// One text of a frame, in window coordinates.
struct DrawnText {
  std::string text;
  int x;
  int y;
  int w;
  int h;
  nk_color colour;
  const nk_user_font* font;
};

class PageFrames : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(startWizard(session));
    // The tests give the page its catalogue themselves.
    session.detectionStarted = true;
    running = 1;
    currentPage = 2;
  }
  void TearDown() override {
    if (gr_window_handle()) shutdownWizard(session);
    running = 1;
    currentPage = 1;
  }

  PlatformPage& page() { return *session.app->platformPage; }
  CatalogueData& catalogue() { return page().catalogue; }

  // One frame as the wizard's loop runs it, keeping the frame's texts.
  void frame() {
    nk_context* ctx = session.ctx;
    nk_input_begin(ctx);
    GraphMessage message;
    while (gr_peek_message(&message, GM_ALL, true)) ui_backend_handle(session.hwnd, &message);
    nk_input_end(ctx);
    session.app->draw();
    texts.clear();
    const nk_command* cmd = nullptr;
    nk_foreach(cmd, ctx) {
      if (cmd->type != NK_COMMAND_TEXT) continue;
      const auto* t = reinterpret_cast<const nk_command_text*>(cmd);
      texts.push_back({std::string(t->string, static_cast<size_t>(t->length)), t->x, t->y, t->w, t->h,
                       t->foreground, t->font});
    }
    ui_backend_render(nk_rgb(99, 99, 99));
    gr_batch_flush();
  }

  DWORD pixel(int x, int y) const { return gr_image_buffer(nullptr)[y * 490 + x]; }

  // The first text of the frame equal to `wide`, or null.
  const DrawnText* find(const std::wstring& wide) const {
    const std::string utf8 = toUtf8(wide);
    for (const DrawnText& t : texts)
      if (t.text == utf8) return &t;
    return nullptr;
  }
  // The first text of the frame that `wide` begins with: a label cut at
  // the end of its rectangle is drawn only in part.
  const DrawnText* findStart(const std::wstring& wide) const {
    const std::string utf8 = toUtf8(wide);
    for (const DrawnText& t : texts)
      if (!t.text.empty() && utf8.compare(0, t.text.size(), t.text) == 0) return &t;
    return nullptr;
  }
  int countOf(const std::wstring& wide) const {
    const std::string utf8 = toUtf8(wide);
    int n = 0;
    for (const DrawnText& t : texts) n += t.text == utf8 ? 1 : 0;
    return n;
  }

  // Sends what the window gets from Windows for the pointer at (x, y).
  void mouse(UINT message, int x, int y, WPARAM buttons = 0) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(session.hwnd, message, buttons, MAKELPARAM(x, y), SMTO_NORMAL, 10000, &ignored);
  }
  void hover(int x, int y) {
    mouse(WM_MOUSEMOVE, x, y);
    frame();
  }
  // A click on the centre of a text that the last frame drew, held down
  // for one frame as a user's click is.
  void click(const std::wstring& label) {
    const DrawnText* t = find(label);
    ASSERT_NE(t, nullptr) << "nothing drawn to click";
    const int x = t->x + t->w / 2;
    const int y = t->y + t->h / 2;
    mouse(WM_MOUSEMOVE, x, y);
    mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    frame();
    mouse(WM_LBUTTONUP, x, y);
    frame();
  }

  WizardSession session;
  std::vector<DrawnText> texts;
};

}  // namespace pagetest

#endif
