#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/page_helpers.h"

namespace {

class PageHelpers : public ::testing::Test {
 protected:
  void SetUp() override {
    hwnd = gr_open_window(490, 328, 0);
    ASSERT_NE(hwnd, nullptr);
    font = ui_font_create("Segoe UI", 17, 0);
    ASSERT_NE(font, nullptr);
    ctx = ui_backend_init(font, nullptr, 490, 328);
    ASSERT_NE(ctx, nullptr);
  }
  void TearDown() override {
    nk_clear(ctx);
    ui_font_delete(font);
    gr_close_window();
  }

  std::vector<nk_command_text> texts() {
    std::vector<nk_command_text> found;
    const nk_command* cmd = nullptr;
    nk_foreach(cmd, ctx) {
      if (cmd->type == NK_COMMAND_TEXT) found.push_back(*reinterpret_cast<const nk_command_text*>(cmd));
    }
    nk_clear(ctx);
    return found;
  }

  HWND hwnd = nullptr;
  UiFont* font = nullptr;
  nk_context* ctx = nullptr;
};

TEST(ToUtf8, ConvertsUpToTheTerminator) {
  EXPECT_EQ(toUtf8(L""), "");
  EXPECT_EQ(toUtf8(L"欢迎使用 \u201CGravo\u201D"), u8"欢迎使用 “Gravo”");
  EXPECT_EQ(toUtf8(std::wstring(L"ab\0cd", 5)), "ab");
}

TEST_F(PageHelpers, PageFontMeasuresWithItsOwnStyleAtTheUiFontHeight) {
  nk_user_font user{};
  UiFont backend{};
  LOGFONTW style;
  std::memset(&style, 0x55, sizeof(style));
  const nk_user_font* made = makePageFont(user, backend, style, &ctx->style, 80, 0, -900, -900);
  EXPECT_EQ(made, &user);
  EXPECT_EQ(user.height, 17.0f);
  EXPECT_EQ(user.width, ctx->style.font->width);
  EXPECT_EQ(user.userdata.ptr, &backend);
  EXPECT_EQ(backend.text_style, &style);
  EXPECT_EQ(style.lfHeight, 80);
  EXPECT_EQ(style.lfWidth, 0);
  EXPECT_EQ(style.lfEscapement, -900);
  EXPECT_EQ(style.lfOrientation, -900);
  EXPECT_EQ(style.lfWeight, 0);
  EXPECT_EQ(style.lfItalic, 0);
  EXPECT_EQ(style.lfCharSet, DEFAULT_CHARSET);
  EXPECT_EQ(style.lfOutPrecision, OUT_TT_ONLY_PRECIS);
  EXPECT_EQ(style.lfClipPrecision, 0);
  EXPECT_EQ(style.lfQuality, PROOF_QUALITY);
  EXPECT_EQ(style.lfPitchAndFamily, 0);
  EXPECT_STREQ(style.lfFaceName, L"Segoe UI");
  // The 22-unit title font is wider than the 17-unit UI font it lays out as.
  makePageFont(user, backend, style, &ctx->style, 22, FW_HEAVY, 0, 0);
  EXPECT_GT(user.width(user.userdata, user.height, "Gravo", 5),
            ctx->style.font->width(ctx->style.font->userdata, 17, "Gravo", 5));
}

TEST_F(PageHelpers, OffsetLabelLandsWhereAToolkitLabelWouldPlusItsOffset) {
  const nk_user_font* uiFont = ctx->style.font;
  const nk_flags alignments[] = {NK_TEXT_LEFT, NK_TEXT_CENTERED, NK_TEXT_ALIGN_LEFT, NK_TEXT_RIGHT};
  for (nk_flags alignment : alignments) {
    SCOPED_TRACE(alignment);
    std::vector<nk_command_text> labels;
    for (int variant = 0; variant < 2; ++variant) {
      nk_begin(ctx, "", nk_rect(0, 0, 343, 283), NK_WINDOW_NO_SCROLLBAR);
      nk_layout_row_dynamic(ctx, 5, 1);
      nk_layout_row_dynamic(ctx, 18, 3);
      if (variant == 0) {
        for (int i = 0; i < 4; ++i) nk_label_colored(ctx, "Gravo", alignment, nk_rgb(1, 2, 3));
      } else {
        for (int i = 0; i < 4; ++i) {
          offsetLabel(ctx, "Gravo", alignment, uiFont, nk_vec2(i == 3 ? 145 : 0, i == 3 ? 30 : 0),
                      nk_rgb(1, 2, 3));
        }
      }
      nk_end(ctx);
      std::vector<nk_command_text> found = texts();
      ASSERT_EQ(found.size(), 4u);
      if (variant == 0) {
        labels = found;
        continue;
      }
      for (int i = 0; i < 4; ++i) {
        const int dx = i == 3 ? 145 : 0;
        const int dy = i == 3 ? 30 : 0;
        EXPECT_EQ(found[i].x, labels[i].x + dx) << i;
        EXPECT_EQ(found[i].y, labels[i].y + dy) << i;
        EXPECT_EQ(found[i].w, labels[i].w) << i;
        EXPECT_EQ(found[i].h, labels[i].h) << i;
        EXPECT_EQ(found[i].foreground.r, 1);
      }
    }
  }
}

TEST_F(PageHelpers, OffsetLabelOutsideAWindowAddsNothing) {
  offsetLabel(ctx, "Gravo", NK_TEXT_LEFT, ctx->style.font, nk_vec2(0, 0), nk_rgb(0, 0, 0));
  EXPECT_TRUE(texts().empty());
}

TEST_F(PageHelpers, ButtonStyleChangesOnlyFacesAndTextColours) {
  const nk_style_button style = makeButtonStyle(ctx);
  const nk_style_button& base = ctx->style.button;
  EXPECT_EQ(style.normal.type, NK_STYLE_ITEM_COLOR);
  EXPECT_EQ(style.normal.data.color.r, 222);
  EXPECT_EQ(style.hover.data.color.g, 255);
  EXPECT_EQ(style.active.data.color.b, 255);
  EXPECT_EQ(style.text_normal.r, 66);
  EXPECT_EQ(style.text_hover.r, 88);
  EXPECT_EQ(style.text_active.r, 88);
  EXPECT_EQ(style.border, base.border);
  EXPECT_EQ(style.rounding, base.rounding);
  EXPECT_EQ(style.padding.x, base.padding.x);
  EXPECT_EQ(style.text_alignment, base.text_alignment);
  EXPECT_EQ(std::memcmp(&style.border_color, &base.border_color, sizeof(nk_color)), 0);
}

}  // namespace
