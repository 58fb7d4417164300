// The wizard's second page: the list of development environments with their
// install and uninstall buttons. It owns the catalogue data for the run.
#ifndef GRAVO_APP_PLATFORM_PAGE_H
#define GRAVO_APP_PLATFORM_PAGE_H

#include "ui_backend/ui_backend.h"

class PlatformPage {
 public:
  PlatformPage(nk_context* ctx, int width, int height);

  // Lays out one frame. Back stores 1 through `currentPage`; Close stores 0
  // through `running`.
  void draw(int* running, int* currentPage);
  // Finds the installed environments; called once, after the first frame.
  void detect();

  nk_context* ctx;
  int width;
  int height;
};

#endif
