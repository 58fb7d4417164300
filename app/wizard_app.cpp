#include "app/wizard_app.h"

int running = 1;
int currentPage = 1;
int uiFontHeight = 17;

WizardApp::WizardApp(nk_context* ctx, int width, int height)
    : ctx(ctx),
      width(width),
      height(height),
      welcomePage(std::make_unique<WelcomePage>(ctx, width, height)),
      platformPage(std::make_unique<PlatformPage>(ctx, width, height)) {}

void WizardApp::draw() {
  nk_style& style = ctx->style;
  style.window.padding = nk_vec2(0, 0);
  style.window.group_padding = nk_vec2(0, 0);
  style.scrollv.normal.data.color = nk_rgb(222, 222, 222);
  style.scrollv.hover.data.color = nk_rgb(222, 222, 222);
  style.scrollv.active.data.color = nk_rgb(222, 222, 222);
  style.scrollv.cursor_normal.data.color = nk_rgb(166, 166, 166);
  style.scrollv.cursor_hover.data.color = nk_rgb(110, 100, 110);
  style.scrollv.cursor_active.data.color = nk_rgb(110, 100, 110);

  if (currentPage == 1) {
    welcomePage->draw(&running, &currentPage);
  } else if (currentPage == 2) {
    platformPage->draw(&running, &currentPage);
  }
}

void WizardApp::detect() { platformPage->detect(); }

bool WizardApp::takeUserOperation() {
  const bool ran = platformPage->ranOperation;
  platformPage->ranOperation = false;
  return ran;
}
