// The wizard object: its two pages and the per-frame style it lays them out
// with. Also the program-wide flags that the pages' buttons write.
#ifndef GRAVO_APP_WIZARD_APP_H
#define GRAVO_APP_WIZARD_APP_H

#include <memory>

#include "app/platform_page.h"
#include "app/welcome_page.h"

// The frame loop runs while this is non-zero; a page clears it to end the
// program.
extern int running;
// The page laid out: 1 welcome, 2 platforms; any other value shows nothing.
extern int currentPage;
// Height of the UI font in logical units.
extern int uiFontHeight;

class WizardApp {
 public:
  WizardApp(nk_context* ctx, int width, int height);

  // Applies the per-frame style overrides and lays out the current page.
  // Called between the end of toolkit input and rendering.
  void draw();
  // Runs the platform page's environment detection.
  void detect();
  // Whether a page ran an operation of the user's (install, uninstall, the
  // folder chooser) since the last call.
  bool takeUserOperation();

  nk_context* ctx;
  int width;
  int height;
  std::unique_ptr<WelcomePage> welcomePage;
  std::unique_ptr<PlatformPage> platformPage;
};

#endif
