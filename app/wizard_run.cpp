#include "app/wizard_run.h"

namespace {

const int kWidth = 490;
const int kHeight = 328;
const wchar_t kTitle[] = L"Gravo 26.9.25 安装向导";
// Nothing but the window's news changes an idle wizard, and the runtime
// never lets a wait miss it; the limit only bounds the harm if it did.
const DWORD kIdleWaitMs = 1000;

void releaseWindow(WizardSession& session) {
  if (session.hdc) ReleaseDC(session.hwnd, session.hdc);
  session.hdc = nullptr;
  gr_close_window();
  session.hwnd = nullptr;
}

}  // namespace

bool startWizard(WizardSession& session) {
  gr_open_window(kWidth, kHeight, 0);
  session.hwnd = gr_window_handle();
  if (!session.hwnd) {
    gr_close_window();
    return false;
  }
  session.hdc = GetDC(session.hwnd);
  SetWindowTextW(session.hwnd, kTitle);
  session.uiFont = ui_font_create("Segoe UI", uiFontHeight, 0);
  if (!session.uiFont) {
    releaseWindow(session);
    return false;
  }
  session.ctx = ui_backend_init(session.uiFont, session.hdc, kWidth, kHeight);
  if (!session.ctx) {
    ui_font_delete(session.uiFont);
    session.uiFont = nullptr;
    releaseWindow(session);
    return false;
  }
  session.app = std::make_unique<WizardApp>(session.ctx, kWidth, kHeight);
  session.detectionStarted = false;
  gr_batch_begin();
  return true;
}

void runFrame(WizardSession& session) {
  nk_input_begin(session.ctx);
  GraphMessage message;
  while (gr_peek_message(&message, GM_ALL, true)) ui_backend_queue(&message);
  if (gr_input_lost()) ui_backend_release_lost_buttons(session.hwnd);
  const int waiting = ui_backend_feed(session.hwnd);
  nk_input_end(session.ctx);
  session.app->draw();
  ++session.framesLaidOut;
  const bool rendered = ui_backend_render_changed(nk_rgb(99, 99, 99), gr_window_exposed()) != 0;
  if (rendered) {
    gr_batch_flush();
    ++session.framesRendered;
  }
  // An install, an uninstall or the folder chooser blocked the loop inside
  // the layout. What the user did meanwhile was aimed at the old screen and
  // would land on whatever the operation put there (a popup's OK, the
  // install button a detection brings), so it is taken now, after the
  // result is shown, keeping releases and where the pointer went. Start-up
  // detection is no user's doing: what arrives during it is kept.
  if (session.app->takeUserOperation())
    while (gr_peek_message(&message, GM_ALL, true)) ui_backend_queue_stale(&message);
  // A frame that took input or changed is followed by one more, as is the
  // first, which detection follows.
  session.idle = !rendered && waiting == 0 && !ui_backend_fed_input() && session.detectionStarted;
  Sleep(10);
  if (!session.detectionStarted) {
    session.detectionStarted = true;
    session.app->detect();
  }
}

void waitWhileIdle(WizardSession& session) {
  if (session.idle) gr_wait_message(kIdleWaitMs);
}

void shutdownWizard(WizardSession& session) {
  gr_batch_end();
  ui_font_delete(session.uiFont);
  session.uiFont = nullptr;
  releaseWindow(session);
}

int runWizard() {
  WizardSession session;
  if (!startWizard(session)) return 1;
  while (running) {
    runFrame(session);
    waitWhileIdle(session);
  }
  shutdownWizard(session);
  return 0;
}
