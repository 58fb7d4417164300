// Start-up, frame loop and shutdown of the wizard, in the order the program
// depends on: the window is shown before the first frame, detection runs
// after the first frame has been presented, and a page that ends the program
// still gets its frame rendered and presented.
#ifndef GRAVO_APP_WIZARD_RUN_H
#define GRAVO_APP_WIZARD_RUN_H

#include <memory>

#include "app/wizard_app.h"

// What one run of the wizard holds between start-up and shutdown.
struct WizardSession {
  HWND hwnd = nullptr;
  HDC hdc = nullptr;
  UiFont* uiFont = nullptr;
  nk_context* ctx = nullptr;
  std::unique_ptr<WizardApp> app;
  bool detectionStarted = false;
  // Frames laid out, and those of them rendered and presented: a frame that
  // draws what the window already shows is not drawn again.
  long framesLaidOut = 0;
  long framesRendered = 0;
  // Whether the last frame left nothing to do until the window has news: it
  // took no input, left none waiting, drew what the window already shows,
  // and detection has run.
  bool idle = false;
};

// Opens the window, creates the UI font and the toolkit context, builds the
// wizard and starts batch drawing. On failure everything already opened is
// closed again and false is returned.
bool startWizard(WizardSession& session);
// One frame: input, layout, render and present (unless the window already
// shows that frame and was not exposed), 10 ms pause; detection after the
// first. Input that arrives while the frame runs an operation of the user's
// is dropped, releases and pointer motion apart.
void runFrame(WizardSession& session);
// Returns at once unless the last frame left the wizard idle; then waits
// until the window has news (input, exposure, the process ending), at most
// a second.
void waitWhileIdle(WizardSession& session);
// Ends batch drawing and releases the font, the device context and the
// window.
void shutdownWizard(WizardSession& session);
// The whole program: 0 after an orderly end, 1 if the window could not be
// set up.
int runWizard();

#endif
