// The wizard's first page: the logo panel, the introduction and the bottom
// bar with the source-page link, Next and Cancel.
#ifndef GRAVO_APP_WELCOME_PAGE_H
#define GRAVO_APP_WELCOME_PAGE_H

#include "ui_backend/ui_backend.h"

class WelcomePage {
 public:
  WelcomePage(nk_context* ctx, int width, int height);

  // Height 80, turned to run from top to bottom.
  const nk_user_font* makeLogoFont();
  // Height 22, heavy, upright.
  const nk_user_font* makeTitleFont();
  // Lays out one frame. Next stores 2 through `currentPage`; Cancel stores 0
  // through `running`.
  void draw(int* running, int* currentPage);

  nk_context* ctx;
  int width;
  int height;
  LOGFONTW logoLogfont{};
  LOGFONTW titleLogfont{};
  UiFont logoBackendFont{};
  UiFont titleBackendFont{};
  nk_user_font logoFont{};
  nk_user_font titleFont{};
};

#endif
