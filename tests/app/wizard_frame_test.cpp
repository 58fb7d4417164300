#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "app/wizard_run.h"
#include "discovery/fixtures.h"
#include "graphics/runtime.h"
#include "platforms/vc_trees.h"
#include "support/child_process.h"
#include "wizard_test_support.h"

namespace {

const int kWidth = 490;
const int kHeight = 328;
// Long enough that a wait ending before it was ended by something.
const DWORD kIdleNeverEnds = 30000;

DWORD rgb(int r, int g, int b) { return static_cast<DWORD>(r << 16 | g << 8 | b); }

// The wizard as the entry point starts it, driven one frame at a time.
class WizardFrames : public ::testing::Test {
 protected:
  void SetUp() override {
    running = 1;
    currentPage = 1;
    ASSERT_TRUE(startWizard(session));
  }
  void TearDown() override {
    if (gr_window_handle()) shutdownWizard(session);
  }

  DWORD pixel(int x, int y) const { return gr_image_buffer(nullptr)[y * kWidth + x]; }
  int count(int left, int top, int right, int bottom, bool (*match)(DWORD)) const {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) n += match(pixel(x, y)) ? 1 : 0;
    return n;
  }

  WizardSession session;
};

TEST_F(WizardFrames, WelcomeFrameShowsPanelsBarButtonsAndTexts) {
  runFrame(session);
  wchar_t title[64] = {};
  GetWindowTextW(session.hwnd, title, 64);
  EXPECT_STREQ(title, L"Gravo 26.9.25 安装向导");
  RECT client;
  GetClientRect(session.hwnd, &client);
  EXPECT_EQ(client.right, kWidth);
  EXPECT_EQ(client.bottom, kHeight);

  EXPECT_EQ(pixel(5, 5), rgb(33, 23, 129));
  EXPECT_EQ(pixel(140, 270), rgb(33, 23, 129));
  EXPECT_EQ(pixel(155, 270), rgb(245, 245, 239));
  EXPECT_EQ(pixel(480, 5), rgb(245, 245, 239));
  for (int x = 0; x < kWidth; ++x) ASSERT_EQ(pixel(x, 283), rgb(100, 100, 100)) << x;
  EXPECT_EQ(pixel(5, 290), rgb(235, 235, 209));
  EXPECT_EQ(pixel(200, 320), rgb(235, 235, 209));
  // Button faces, where the process tests click.
  EXPECT_EQ(pixel(kNextButton.x - 30, kNextButton.y), rgb(222, 222, 222));
  EXPECT_EQ(pixel(kCancelButton.x - 30, kCancelButton.y), rgb(222, 222, 222));
  // The link has no face of its own.
  EXPECT_EQ(pixel(25, kNextButton.y), rgb(235, 235, 209));

  // "Gravo" runs from top to bottom: its pixels form a tall, narrow band.
  int left = kWidth, right = -1, top = kHeight, bottom = -1;
  for (int y = 0; y < 283; ++y) {
    for (int x = 0; x < 147; ++x) {
      if (pixel(x, y) != rgb(170, 170, 170)) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  ASSERT_GE(right, 0) << "no logo text";
  EXPECT_GT(bottom - top, 2 * (right - left));
  EXPECT_GT(bottom - top, 120);
  EXPECT_GE(top, 30);

  auto dark = [](DWORD p) { return (p >> 16) < 90 && ((p >> 8) & 0xFF) < 90 && (p & 0xFF) < 90; };
  EXPECT_GT(count(147, 5, kWidth, 35, dark), 150) << "no title";
  EXPECT_GT(count(147, 60, kWidth, 270, dark), 500) << "no introduction";
  EXPECT_EQ(count(0, 0, 140, 283, dark), 0);
}

TEST_F(WizardFrames, NextShowsThePlatformPageFromTheNextFrame) {
  runFrame(session);
  pressAt(session.hwnd, kNextButton);
  runFrame(session);
  EXPECT_EQ(currentPage, 2);
  // The frame of the click still shows the welcome page.
  EXPECT_EQ(pixel(5, 5), rgb(33, 23, 129));
  releaseAt(session.hwnd, kNextButton);
  runFrame(session);
  // The platform page's header band.
  EXPECT_EQ(pixel(5, 5), rgb(250, 250, 250));
  EXPECT_EQ(running, 1);
}

TEST_F(WizardFrames, CancelEndsTheLoopAfterItsFrameIsPresented) {
  runFrame(session);
  pressAt(session.hwnd, kCancelButton);
  runFrame(session);
  EXPECT_EQ(running, 0);
  EXPECT_EQ(pixel(5, 5), rgb(33, 23, 129));
  const HWND hwnd = session.hwnd;
  shutdownWizard(session);
  EXPECT_EQ(gr_window_handle(), nullptr);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(session.uiFont, nullptr);
}

TEST_F(WizardFrames, AClickQueuedInOneFrameClicksOnce) {
  runFrame(session);
  // A hand that keeps moving the mouse while the loop is held (by
  // detection, say) and then taps: press and release wait in the queue
  // together behind the motion, as they also do after a touchpad tap.
  for (int i = 0; i < 300; ++i) pointAt(session.hwnd, {i, 100 + i % 2});
  pressAt(session.hwnd, kNextButton);
  releaseAt(session.hwnd, kNextButton);
  runFrame(session);
  EXPECT_EQ(currentPage, 2);
  // Back lies where Next was: a second click would have gone back.
  for (int i = 0; i < 3; ++i) runFrame(session);
  EXPECT_EQ(currentPage, 2);
  EXPECT_EQ(pixel(5, 5), rgb(250, 250, 250));
}

// The user at the folder dialogs of this process, on a thread of its own:
// `act` gets each dialog as it opens, with how many opened before, and
// closes it.
class FolderDialogs {
 public:
  explicit FolderDialogs(std::function<void(HWND, int)> act)
      : thread_([this, act] {
          while (!stop_) {
            HWND dialog = nullptr;
            support::waitFor(
                [&] {
                  dialog = support::findWindow(GetCurrentProcessId(), L"#32770");
                  return stop_ || dialog;
                },
                60000);
            if (!dialog) continue;
            act(dialog, opened_++);
            support::waitFor([&] { return !IsWindow(dialog); }, 60000);
          }
        }) {}
  ~FolderDialogs() {
    stop_ = true;
    thread_.join();
  }
  int opened() const { return opened_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> opened_{0};
  std::thread thread_;
};

TEST_F(WizardFrames, InputMadeWhileARowOperationRunsActsOnNothingItBrings) {
  ScratchDir disk;
  const std::wstring noVs = disk.makeDirs(L"no VS here");
  session.detectionStarted = true;
  currentPage = 2;
  PlatformPage& page = *session.app->platformPage;
  page.catalogue.vcTargets[7] = makeVcTarget(page.catalogue, 2019);
  page.catalogue.addEntry(page.catalogue.shownEntries, L"  Visual C++ 2019", L"", L"", 7, false, false);
  const ClientPoint chooser = {402, 120};
  const ClientPoint popupOk = {230, 160};
  FolderDialogs dialogs([&](HWND dialog, int before) {
    if (before == 1) {
      // A folder without Visual C++ is chosen, and a click is made where
      // the popup saying so will have its OK.
      SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(noVs.c_str()));
      pressAt(session.hwnd, popupOk);
      releaseAt(session.hwnd, popupOk);
      PostMessageW(dialog, WM_COMMAND, IDOK, 0);
      return;
    }
    // Impatient, the user clicks the chooser's button again (and lets go of
    // the first click), then cancels.
    releaseAt(session.hwnd, chooser);
    pressAt(session.hwnd, chooser);
    releaseAt(session.hwnd, chooser);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  runFrame(session);
  ASSERT_EQ(pixel(360, chooser.y), rgb(222, 222, 222)) << "no chooser button there";

  pressAt(session.hwnd, chooser);
  runFrame(session);
  for (int i = 0; i < 4; ++i) runFrame(session);
  EXPECT_EQ(dialogs.opened(), 1) << "the click made during the chooser opened it again";
  EXPECT_FALSE(page.popupOpen);

  pressAt(session.hwnd, chooser);
  runFrame(session);
  ASSERT_EQ(dialogs.opened(), 2);
  EXPECT_TRUE(page.popupOpen);
  EXPECT_EQ(page.message, L"未检测到 VS");
  for (int i = 0; i < 4; ++i) runFrame(session);
  EXPECT_TRUE(page.popupOpen) << "a click made before the popup showed closed it";
  // The pointer rests on OK since that click: the first click after the
  // popup appeared closes it.
  downAt(session.hwnd, popupOk);
  runFrame(session);
  releaseAt(session.hwnd, popupOk);
  runFrame(session);
  EXPECT_FALSE(page.popupOpen);
}

TEST_F(WizardFrames, InputMadeWhileNextIsHandledIsKept) {
  runFrame(session);
  pressAt(session.hwnd, kNextButton);
  // While the frame of that press is laid out and rendered, the hand lets
  // go and taps Back, which shows where Next was.
  std::atomic<bool> holding{false};
  std::thread hand([&] {
    Gravo::DrawLock frameCannotRender;
    holding = true;
    support::waitFor([] { return !gr_peek_message(nullptr, GM_ALL, false); }, 10000);
    releaseAt(session.hwnd, kNextButton);
    downAt(session.hwnd, kNextButton);
    releaseAt(session.hwnd, kNextButton);
  });
  support::waitFor([&] { return holding.load(); }, 10000);
  runFrame(session);
  hand.join();
  EXPECT_EQ(currentPage, 2);
  for (int i = 0; i < 4; ++i) runFrame(session);
  EXPECT_EQ(currentPage, 1) << "the tap on Back was dropped";
}

TEST_F(WizardFrames, AnUnchangedFrameIsNotDrawnAgainUnlessTheWindowIsExposed) {
  for (int i = 0; i < 3; ++i) runFrame(session);
  const long rendered = session.framesRendered;
  const std::vector<DWORD> shown(gr_image_buffer(nullptr), gr_image_buffer(nullptr) + kWidth * kHeight);
  for (int i = 0; i < 5; ++i) runFrame(session);
  EXPECT_EQ(session.framesLaidOut, 8);
  EXPECT_EQ(session.framesRendered, rendered);

  // Something else paints over the window, and Windows asks for it back.
  HDC dc = GetDC(session.hwnd);
  PatBlt(dc, 0, 0, kWidth, kHeight, BLACKNESS);
  ReleaseDC(session.hwnd, dc);
  RedrawWindow(session.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_TRUE(gr_wait_message(kIdleNeverEnds)) << "an exposure does not end the wait";
  runFrame(session);
  EXPECT_EQ(session.framesRendered, rendered + 1);
  dc = GetDC(session.hwnd);
  EXPECT_EQ(GetPixel(dc, 5, 5), RGB(33, 23, 129));
  ReleaseDC(session.hwnd, dc);
  // Rendered again, the frame is the one kept.
  EXPECT_TRUE(std::equal(shown.begin(), shown.end(), gr_image_buffer(nullptr)));

  // A change is drawn at once.
  pressAt(session.hwnd, kNextButton);
  runFrame(session);
  EXPECT_EQ(session.framesRendered, rendered + 2);

  // Idle, the loop waits for the window's news instead of laying out frames.
  for (int i = 0; i < 5 && !session.idle; ++i) runFrame(session);
  ASSERT_TRUE(session.idle);
  gr_wait_message(0);
  std::thread hand([&] {
    Sleep(300);
    pointAt(session.hwnd, {60, 60});
  });
  const DWORD waitStarted = GetTickCount();
  EXPECT_TRUE(gr_wait_message(kIdleNeverEnds)) << "input did not end the wait";
  EXPECT_GE(GetTickCount() - waitStarted, 250u);
  hand.join();
  runFrame(session);
  EXPECT_FALSE(session.idle);
}

TEST_F(WizardFrames, UnknownPageShowsOnlyTheClearColour) {
  currentPage = 3;
  runFrame(session);
  runFrame(session);
  for (int y = 0; y < kHeight; y += 7)
    for (int x = 0; x < kWidth; x += 7) ASSERT_EQ(pixel(x, y), rgb(99, 99, 99)) << x << "," << y;
  EXPECT_EQ(running, 1);
}

}  // namespace
