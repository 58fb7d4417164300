#include "app/welcome_page.h"

#include <shellapi.h>

#include <initializer_list>

#include "app/page_helpers.h"
#include "platforms/addresses.h"

namespace {

const nk_color kLogoPanel = nk_rgb(33, 23, 129);
const nk_color kLogoText = nk_rgb(170, 170, 170);
const nk_color kSummaryPanel = nk_rgb(245, 245, 239);
const nk_color kDarkText = nk_rgb(33, 33, 33);
const nk_color kSeparator = nk_rgb(100, 100, 100);
const nk_color kBottomBar = nk_rgb(235, 235, 209);

void fill(nk_context* ctx, struct nk_rect rect, nk_color colour) {
  nk_fill_rect(nk_window_get_canvas(ctx), rect, 0, colour);
}

void labels(nk_context* ctx, std::initializer_list<const char*> texts) {
  for (const char* text : texts) nk_label_colored(ctx, text, NK_TEXT_LEFT, kDarkText);
}

}  // namespace

WelcomePage::WelcomePage(nk_context* ctx, int width, int height) : ctx(ctx), width(width), height(height) {}

const nk_user_font* WelcomePage::makeLogoFont() {
  return makePageFont(logoFont, logoBackendFont, logoLogfont, &ctx->style, 80, FW_DONTCARE, -900, -900);
}

const nk_user_font* WelcomePage::makeTitleFont() {
  return makePageFont(titleFont, titleBackendFont, titleLogfont, &ctx->style, 22, FW_HEAVY, 0, 0);
}

void WelcomePage::draw(int* running, int* currentPage) {
  const float w = static_cast<float>(width);
  const float h = static_cast<float>(height);
  ctx->style.window.background = nk_rgb(77, 77, 77);

  if (nk_begin(ctx, "", nk_rect(0, 0, w, h), NK_WINDOW_NO_SCROLLBAR)) {
    const float ratios[] = {0.3f, 0.7f};
    nk_layout_row(ctx, NK_DYNAMIC, h - 45, 2, ratios);

    if (nk_group_begin(ctx, "group_p1_logo", NK_WINDOW_NO_SCROLLBAR)) {
      nk_layout_space_begin(ctx, NK_STATIC, h - 100, 2);
      fill(ctx, nk_rect(0, 0, w * 0.3f, h - 45), kLogoPanel);
      const nk_user_font* font = makeLogoFont();
      // Width and height swapped: the name runs from top to bottom.
      nk_layout_space_push(ctx, nk_rect(0, 0, h - 45, w * 0.3f));
      offsetLabel(ctx, "Gravo", NK_TEXT_ALIGN_LEFT, font, nk_vec2(145, 30), kLogoText);
      nk_layout_space_end(ctx);
      nk_group_end(ctx);
    }

    if (nk_group_begin(ctx, "group_p1_summary", NK_WINDOW_NO_SCROLLBAR)) {
      fill(ctx, nk_rect(w * 0.3f, 0, w * 0.7f, h - 45), kSummaryPanel);
      const nk_user_font* font = makeTitleFont();
      nk_layout_row_dynamic(ctx, 5, 1);
      nk_layout_row_dynamic(ctx, 24, 1);
      offsetLabel(ctx, toUtf8(L"欢迎使用 \u201CGravo 26.9.25\u201D 安装向导").c_str(), NK_TEXT_CENTERED, font,
                  nk_vec2(0, 0), kDarkText);
      nk_layout_row_dynamic(ctx, 15, 1);
      nk_layout_row_dynamic(ctx, 18, 1);
      labels(ctx, {u8"  Gravo 库为 C/C++ 提供了简单的绘图接口，可以帮助", u8"  您快速编写图形程序。"});
      nk_layout_row_dynamic(ctx, 7, 1);
      nk_layout_row_dynamic(ctx, 18, 1);
      labels(ctx,
             {u8"  这个向导将帮助您安装 Gravo 库到指定开发环境中。",
              u8"  Gravo 目前支持 Visual C++ 6.0 / 2008 ~ 2026，", u8"  MinGW 4.9.2、8.1.0 及以上版本。"});
      nk_layout_row_dynamic(ctx, 7, 1);
      nk_layout_row_dynamic(ctx, 18, 1);
      labels(ctx, {u8"  如果您希望手动安装 Gravo，请参见帮助文件。"});
      nk_layout_row_dynamic(ctx, 7, 1);
      nk_layout_row_dynamic(ctx, 18, 1);
      labels(ctx, {u8"  单击 [下一步] 继续。"});
      nk_group_end(ctx);
    }

    fill(ctx, nk_rect(0, 283, w, 1), kSeparator);
    fill(ctx, nk_rect(0, 284, w, 45), kBottomBar);

    const nk_style_button normalStyle = makeButtonStyle(ctx);
    nk_style_button linkStyle = makeButtonStyle(ctx);
    linkStyle.border = 0;
    // The link shows no button face: its faces are the bar's colour.
    linkStyle.normal.data.color = kBottomBar;
    linkStyle.hover.data.color = kBottomBar;
    linkStyle.active.data.color = kBottomBar;
    linkStyle.text_normal = nk_rgb(111, 111, 111);
    linkStyle.text_hover = nk_rgb(33, 122, 183);

    nk_layout_space_begin(ctx, NK_STATIC, 10, 3);
    nk_layout_space_push(ctx, nk_rect(20, 7, 110, 25));
    if (nk_button_label_styled(ctx, &linkStyle, u8"[安装程序源码]")) {
      ShellExecuteW(nullptr, L"open", kSourcePageUrl, nullptr, nullptr, SW_SHOWNORMAL);
    }
    nk_layout_space_push(ctx, nk_rect(w - 200, 7, 80, 25));
    if (nk_button_label_styled(ctx, &normalStyle, u8"下一步 >")) *currentPage = 2;
    nk_layout_space_push(ctx, nk_rect(w - 100, 7, 80, 25));
    if (nk_button_label_styled(ctx, &normalStyle, u8"取消")) *running = 0;
    nk_layout_space_end(ctx);
  }
  nk_end(ctx);
}
