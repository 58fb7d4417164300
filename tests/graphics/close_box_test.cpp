#include <gtest/gtest.h>

#include "support/child_process.h"

namespace {

// Starts the child program, closes its window with `message` once it is
// shown, and returns the exit code (STILL_ACTIVE when it did not end in
// time).
DWORD close_child(const wchar_t* arguments, UINT message, WPARAM wparam) {
  support::ChildProcess child;
  if (!child.start(support::programDir() + L"graphics_close_box_child.exe", arguments)) {
    ADD_FAILURE() << "cannot start " << GetLastError();
    return STILL_ACTIVE;
  }
  const HWND hwnd = child.waitForWindow(20000);
  EXPECT_NE(hwnd, nullptr);
  if (!hwnd) return STILL_ACTIVE;
  PostMessageW(hwnd, message, wparam, 0);
  return child.waitForExit(20000);
}

TEST(GraphicsCloseBox, CloseEndsTheFrameLoopThenTheProcessWithZero) {
  EXPECT_EQ(0u, close_child(L"", WM_CLOSE, 0));
}

TEST(GraphicsCloseBox, SystemCloseCommandEndsTheProcessWithZero) {
  EXPECT_EQ(0u, close_child(L"", WM_SYSCOMMAND, SC_CLOSE));
}

TEST(GraphicsCloseBox, ProgramBlockedOutsideTheRuntimeStillEnds) {
  EXPECT_EQ(0u, close_child(L"idle", WM_CLOSE, 0));
}

}  // namespace
