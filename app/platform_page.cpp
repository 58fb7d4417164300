#include "app/platform_page.h"

#include <objbase.h>
#include <shlobj.h>

#include <array>

#include "app/page_helpers.h"
#include "platforms/catalogue.h"
#include "platforms/entry_ops.h"

namespace {

const nk_color kHeaderBand = nk_rgb(250, 250, 250);
const nk_color kBody = nk_rgb(235, 235, 209);
const nk_color kDarkText = nk_rgb(33, 33, 33);
const nk_color kSeparator = nk_rgb(123, 123, 123);
const nk_color kTooltipText = nk_rgb(233, 233, 233);
// Program-wide place of the message popup, relative to the window.
const struct nk_rect kPopupRect = {120, 100, 220, 80};
const float kTooltipWidth = 340;
const float kIncludeLineExtra = 1.0f;
const float kLibLineExtra = 1.5f;
const UINT kChooserFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_UAHINT;

void fill(nk_context* ctx, struct nk_rect rect, nk_color colour) {
  nk_fill_rect(nk_window_get_canvas(ctx), rect, 0, colour);
}

// A run of 41 em dashes.
std::string separatorText() {
  std::wstring dashes(41, L'\u2014');
  return toUtf8(dashes);
}

}  // namespace

float tooltipRowHeight(int textWidth, float lineHeight, float extra) {
  return lineHeight * (static_cast<float>(textWidth) / kTooltipWidth + extra);
}

PlatformPage::PlatformPage(nk_context* ctx, int width, int height) : ctx(ctx), width(width), height(height) {}

const nk_user_font* PlatformPage::makeTitleFont() {
  return makePageFont(titleFont, titleBackendFont, titleLogfont, &ctx->style, 22, FW_HEAVY, 0, 0);
}

void PlatformPage::detect() {
  if (catalogueBuilt) return;
  catalogueBuilt = true;
  buildCatalogue(catalogue);
}

void PlatformPage::install(const PlatformEntry& entry) {
  ranOperation = true;
  message = installMessage(installEntry(catalogue, entry));
  popupOpen = true;
}

void PlatformPage::uninstall(const PlatformEntry& entry) {
  ranOperation = true;
  message = uninstallEntry(catalogue, entry);
  popupOpen = true;
}

void PlatformPage::useChosenDirectory(PlatformEntry& entry, const std::wstring& dir) {
  if (dir.empty()) return;
  const std::wstring why = detectInChosenDirectory(catalogue, entry, dir);
  if (why.empty()) return;
  message = why;
  popupOpen = true;
}

std::wstring PlatformPage::chooseDirectory() {
  ranOperation = true;
  Sleep(100);
  // The new dialog style needs an apartment on this thread; the runtime has
  // usually made one already, and each successful call is balanced.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  BROWSEINFOW info;
  ZeroMemory(&info, sizeof(info));
  info.hwndOwner = GetForegroundWindow();
  info.ulFlags = kChooserFlags;
  std::wstring chosen;
  if (PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info)) {
    std::array<wchar_t, MAX_PATH> path{};
    if (SHGetPathFromIDListW(list, path.data())) chosen = path.data();
    CoTaskMemFree(list);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  handBackButtonRelease();
  return chosen;
}

void PlatformPage::handBackButtonRelease() {
  // The button went up over the dialog, so the toolkit still holds it down
  // and would ignore the user's next press: give the window the release.
  const HWND window = gr_window_handle();
  POINT cursor;
  if (!window || (GetAsyncKeyState(VK_LBUTTON) & 0x8000) || !GetCursorPos(&cursor) ||
      !ScreenToClient(window, &cursor))
    return;
  PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(cursor.x, cursor.y));
}

void PlatformPage::drawLine(const std::wstring& text, float y, float extra, bool listHovered,
                            float lineHeight) {
  nk_layout_space_push(ctx, nk_rect(110, y, 230, 13));
  const struct nk_rect bounds = nk_widget_bounds(ctx);
  nk_label_colored(ctx, toUtf8(text).c_str(), NK_TEXT_LEFT, kDarkText);
  if (!listHovered || popupOpen || !nk_input_is_mouse_hovering_rect(&ctx->input, bounds)) return;
  if (nk_tooltip_begin(ctx, kTooltipWidth)) {
    const float rowHeight = tooltipRowHeight(gr_text_width(text.c_str()), lineHeight, extra);
    nk_layout_row_static(ctx, rowHeight, static_cast<int>(kTooltipWidth) - 10, 1);
    nk_label_colored_wrap(ctx, toUtf8(text).c_str(), kTooltipText);
    nk_tooltip_end(ctx);
  }
}

void PlatformPage::drawRow(PlatformEntry& entry, const nk_style_button& buttonStyle, bool listHovered,
                           float lineHeight) {
  const float w = static_cast<float>(width);
  nk_layout_space_begin(ctx, NK_STATIC, 35, 5);
  nk_layout_space_push(ctx, nk_rect(0, 0, 110, 30));
  nk_label_colored(ctx, toUtf8(entry.label).c_str(), NK_TEXT_LEFT, kDarkText);
  if (entry.detected) {
    drawLine(entry.includeLine, 0, kIncludeLineExtra, listHovered, lineHeight);
    drawLine(entry.libLine, 16, kLibLineExtra, listHovered, lineHeight);
    nk_layout_space_push(ctx, nk_rect(w - 135, 0, 45, 30));
    if (nk_button_label_styled(ctx, &buttonStyle, u8"安装")) install(entry);
    nk_layout_space_push(ctx, nk_rect(w - 85, 0, 45, 30));
    if (nk_button_label_styled(ctx, &buttonStyle, u8"卸载")) uninstall(entry);
  } else {
    nk_layout_space_push(ctx, nk_rect(110, 0, 230, 30));
    nk_label(ctx, toUtf8(entry.statusText).c_str(), NK_TEXT_LEFT);
    nk_layout_space_push(ctx, nk_rect(w - 135, 0, 95, 30));
    if (nk_button_label_styled(ctx, &buttonStyle, u8"选择安装目录")) {
      useChosenDirectory(entry, chooseDirectory());
    }
  }
  nk_layout_space_end(ctx);
}

void PlatformPage::drawPopup(const nk_style_button& buttonStyle) {
  if (!nk_popup_begin(ctx, NK_POPUP_STATIC, "", NK_WINDOW_NO_SCROLLBAR, kPopupRect)) {
    popupOpen = false;
    return;
  }
  nk_layout_row_dynamic(ctx, 5, 1);
  nk_layout_row_dynamic(ctx, 16, 1);
  nk_label_colored(ctx, toUtf8(message).c_str(), NK_TEXT_CENTERED, kDarkText);
  nk_layout_row_dynamic(ctx, 10, 1);
  nk_layout_row_dynamic(ctx, 25, 1);
  if (nk_button_label_styled(ctx, &buttonStyle, "OK")) {
    popupOpen = false;
    nk_popup_close(ctx);
  }
  nk_popup_end(ctx);
}

void PlatformPage::draw(int* running, int* currentPage) {
  const float w = static_cast<float>(width);
  const float h = static_cast<float>(height);

  if (nk_begin(ctx, "", nk_rect(0, 0, w, h), NK_WINDOW_NO_SCROLLBAR)) {
    fill(ctx, nk_rect(0, 0, w, 45), kHeaderBand);
    fill(ctx, nk_rect(0, 45, w, h), kBody);

    nk_layout_row_dynamic(ctx, 16, 1);
    const nk_user_font* font = makeTitleFont();
    offsetLabel(ctx, u8"  执行安装", NK_TEXT_LEFT, font, nk_vec2(0, 0), kDarkText);

    nk_layout_row_dynamic(ctx, 1, 1);
    nk_layout_row_dynamic(ctx, 16, 1);
    nk_label_colored(ctx, u8"        请针对您所用的开发平台，选择安装或卸载。", NK_TEXT_LEFT, kDarkText);

    nk_layout_row_dynamic(ctx, 8, 1);
    nk_layout_row_dynamic(ctx, 16, 1);
    nk_label_colored(ctx, u8"  在下面中找到您所用的开发平台，点击右侧的\u201C安装\u201D将 Gravo 库安装至",
                     NK_TEXT_LEFT, kDarkText);
    nk_label_colored(ctx, u8"  该开发平台。或点击右侧的\u201C卸载\u201D将 Gravo 库从该开发平台移除。",
                     NK_TEXT_LEFT, kDarkText);

    const nk_style_button normalStyle = makeButtonStyle(ctx);

    nk_layout_row_dynamic(ctx, 6, 1);
    const float ratio[] = {1.0f};
    nk_layout_row(ctx, NK_DYNAMIC, h - 160, 1, ratio);
    // The list group is drawn on the body colour; this stays for later frames.
    ctx->style.window.fixed_background.data.color = kBody;

    const struct nk_rect listBounds = nk_widget_bounds(ctx);
    const bool listHovered = nk_input_is_mouse_hovering_rect(&ctx->input, listBounds);
    if (nk_group_begin(ctx, "group_p2_list", 0)) {
      const float lineHeight = static_cast<float>(gr_text_height(L"天"));
      for (PlatformEntry* entry : catalogue.shownEntries) {
        drawRow(*entry, normalStyle, listHovered, lineHeight);
      }
      nk_group_end(ctx);
    }

    if (popupOpen) drawPopup(normalStyle);

    nk_layout_row_dynamic(ctx, 6, 1);
    nk_label_colored(ctx, separatorText().c_str(), NK_TEXT_LEFT, kSeparator);

    nk_layout_row_dynamic(ctx, 1, 1);
    nk_layout_space_begin(ctx, NK_STATIC, 25, 2);
    nk_layout_space_push(ctx, nk_rect(w - 200, 0, 80, 25));
    if (nk_button_label_styled(ctx, &normalStyle, u8"< 上一步")) *currentPage = 1;
    nk_layout_space_push(ctx, nk_rect(w - 100, 0, 80, 25));
    if (nk_button_label_styled(ctx, &normalStyle, u8"关闭")) *running = 0;
    nk_layout_space_end(ctx);
  }
  nk_end(ctx);
}
