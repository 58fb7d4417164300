#include <gtest/gtest.h>

#include <cstddef>
#include <cwchar>
#include <string>

#include "graphics/graph_wnd.h"
#include "graphics/gravo.h"
#include "graphics/runtime.h"
#include "support/child_process.h"

namespace {

class GraphicsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    hwnd_ = gr_open_window(160, 120);
    ASSERT_NE(nullptr, hwnd_);
    drain();
  }
  void TearDown() override { gr_close_window(); }

  static void drain() {
    while (gr_peek_message(NULL, GM_ALL, true)) {
    }
  }

  // The next record of `kind`, skipping others, within the time-out.
  static bool next_record(WORD kind, GraphMessage* out) {
    return support::waitFor(
        [&] {
          GraphMessage message;
          while (gr_peek_message(&message, GM_ALL, true)) {
            if (message.kind == kind) {
              *out = message;
              return true;
            }
          }
          return false;
        },
        10000);
  }

  COLORREF window_pixel(int x, int y) {
    HDC dc = GetDC(hwnd_);
    const COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(hwnd_, dc);
    return color;
  }

  HWND hwnd_ = NULL;
};

// The byte at `offset` within the variant part of a record.
BYTE variant_byte(const GraphMessage& record, size_t offset) {
  return reinterpret_cast<const BYTE*>(&record)[offsetof(GraphMessage, virtual_key) + offset];
}

TEST_F(GraphicsWindow, MouseMessagesCarryButtonsModifiersAndPosition) {
  PostMessageW(hwnd_, WM_RBUTTONDOWN, MK_RBUTTON | MK_CONTROL | MK_MBUTTON,
               MAKELPARAM(static_cast<WORD>(-5), 34));
  GraphMessage record = {};
  ASSERT_TRUE(next_record(WM_RBUTTONDOWN, &record));
  EXPECT_EQ(-5, record.x);
  EXPECT_EQ(34, record.y);
  // ctrl bit 0, shift 1, left 2, middle 3, right 4 of the variant's first byte.
  EXPECT_EQ(0x19, variant_byte(record, 0));
  EXPECT_EQ(1, record.right_down);
  EXPECT_EQ(0, record.left_down);

  SendMessageW(hwnd_, WM_LBUTTONUP, MK_SHIFT, MAKELPARAM(7, 8));
  ASSERT_TRUE(next_record(WM_LBUTTONUP, &record));
  EXPECT_EQ(0x02, variant_byte(record, 0));
  EXPECT_EQ(7, record.x);
}

TEST_F(GraphicsWindow, WheelPositionIsConvertedToClientCoordinates) {
  POINT screen = {5, 7};
  ClientToScreen(hwnd_, &screen);
  ASSERT_FALSE(screen.x == 5 && screen.y == 7);
  PostMessageW(hwnd_, WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, static_cast<WORD>(-240)),
               MAKELPARAM(screen.x, screen.y));
  GraphMessage record = {};
  ASSERT_TRUE(next_record(WM_MOUSEWHEEL, &record));
  EXPECT_EQ(5, record.x);
  EXPECT_EQ(7, record.y);
  EXPECT_EQ(-240, record.wheel_delta);
  EXPECT_EQ(1, record.shift_down);
}

TEST_F(GraphicsWindow, KeyMessagesIncludingSystemKeysAndAutoRepeat) {
  const LPARAM extended = 1 | (0x1E << 16) | (1 << 24);
  PostMessageW(hwnd_, WM_SYSKEYDOWN, 'A', extended);
  GraphMessage record = {};
  ASSERT_TRUE(next_record(0x0100, &record));
  EXPECT_EQ('A', record.virtual_key);
  EXPECT_EQ(0x1E, record.scan_code);
  EXPECT_EQ(1, record.is_extended);
  EXPECT_EQ(0, record.was_down);

  PostMessageW(hwnd_, WM_KEYDOWN, 'A', extended | (1 << 30));
  ASSERT_TRUE(next_record(0x0100, &record));
  EXPECT_EQ(1, record.was_down);
  EXPECT_EQ(0x03, variant_byte(record, 2));

  PostMessageW(hwnd_, WM_SYSKEYUP, VK_F10, 0);
  ASSERT_TRUE(next_record(0x0101, &record));
  EXPECT_EQ(VK_F10, record.virtual_key);
}

TEST_F(GraphicsWindow, CharacterAndWindowMessages) {
  PostMessageW(hwnd_, WM_CHAR, 0x4E2D, 0);
  GraphMessage record = {};
  ASSERT_TRUE(next_record(0x0102, &record));
  EXPECT_EQ(0x4E2D, record.unit);

  SendMessageW(hwnd_, WM_MOVE, 0, MAKELPARAM(12, 34));
  ASSERT_TRUE(next_record(WM_MOVE, &record));
  EXPECT_EQ(0u, record.wparam);
  EXPECT_EQ(static_cast<DWORD>(MAKELPARAM(12, 34)), record.lparam);

  PostMessageW(hwnd_, WM_QUIT, 0, 0);
  PostMessageW(hwnd_, WM_CHAR, 'z', 0);
  ASSERT_TRUE(next_record(0x0102, &record));
  EXPECT_EQ('z', record.unit);
  EXPECT_EQ(hwnd_, gr_window_handle());  // a stray quit does not end the thread
}

TEST_F(GraphicsWindow, OpensWithItsSizeTitleAndBlackBackBuffer) {
  RECT client = {};
  GetClientRect(hwnd_, &client);
  EXPECT_EQ(160, client.right);
  EXPECT_EQ(120, client.bottom);
  DWORD* pixels = gr_image_buffer();
  ASSERT_NE(nullptr, pixels);
  EXPECT_EQ(0u, pixels[160 * 120 - 1]);
  wchar_t title[64] = {};
  GetWindowTextW(hwnd_, title, 64);
  EXPECT_STREQ(L"graphics_tests", title);
  wchar_t class_name[16] = {};
  GetClassNameW(hwnd_, class_name, 16);
  EXPECT_STREQ(L"GravoWnd", class_name);
  wchar_t name[MAX_PATH];
  Gravo::window_title_from_path(L"C:\\a.b\\setup.1.exe", name);
  EXPECT_STREQ(L"setup.1", name);
  Gravo::window_title_from_path(L"prog", name);
  EXPECT_STREQ(L"prog", name);
}

TEST_F(GraphicsWindow, RuntimeLibrariesComeFromTheSystemDirectory) {
  wchar_t system[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(system, MAX_PATH);
  for (const wchar_t* name : {L"gdiplus.dll", L"gdi32.dll", L"ole32.dll"}) {
    HMODULE module = GetModuleHandleW(name);
    ASSERT_NE(nullptr, module) << name;
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    EXPECT_EQ(0, _wcsnicmp(path, system, length)) << path;
  }
}

TEST_F(GraphicsWindow, CaptureIsTakenByTheWindowThread) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(GUITHREADINFO);
  const DWORD thread = GetWindowThreadProcessId(hwnd_, NULL);
  gr_set_capture();
  ASSERT_TRUE(GetGUIThreadInfo(thread, &info));
  EXPECT_EQ(hwnd_, info.hwndCapture);
  gr_release_capture();
  ASSERT_TRUE(GetGUIThreadInfo(thread, &info));
  EXPECT_EQ(nullptr, info.hwndCapture);
}

TEST_F(GraphicsWindow, BatchFlagStopsTheAutomaticRefresh) {
  gr_set_bk_color(RGB(255, 0, 0));
  gr_clear();
  ASSERT_TRUE(support::waitFor([&] { return window_pixel(10, 10) == RGB(255, 0, 0); }, 10000));

  gr_batch_begin();
  gr_set_bk_color(RGB(0, 255, 0));
  gr_clear();
  // Unbatched, the window would be refreshed every 17 ms or so.
  EXPECT_FALSE(support::waitFor([&] { return window_pixel(10, 10) != RGB(255, 0, 0); }, 300));
  gr_batch_flush();
  EXPECT_EQ(RGB(0, 255, 0), window_pixel(10, 10));

  gr_set_bk_color(RGB(0, 0, 255));
  gr_clear();
  gr_batch_end();
  EXPECT_EQ(RGB(0, 0, 255), window_pixel(10, 10));
  gr_set_bk_color(RGB(255, 255, 0));
  gr_clear();
  EXPECT_TRUE(support::waitFor([&] { return window_pixel(10, 10) == RGB(255, 255, 0); }, 10000));
}

TEST(GraphicsRuntime, ReferenceCountThroughOpenCloseAndReopen) {
  EXPECT_EQ(0, Gravo::reference_count());
  HWND first = gr_open_window(160, 100);
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(2, Gravo::reference_count());
  const DWORD first_thread_id = GetWindowThreadProcessId(first, NULL);
  HANDLE first_thread = OpenThread(SYNCHRONIZE, FALSE, first_thread_id);
  ASSERT_NE(nullptr, first_thread);

  HWND second = gr_open_window(160, 100);
  ASSERT_NE(nullptr, second);
  EXPECT_EQ(2, Gravo::reference_count());
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(first_thread, 0));
  CloseHandle(first_thread);
  EXPECT_NE(first_thread_id, GetWindowThreadProcessId(second, NULL));

  gr_close_window();
  EXPECT_EQ(0, Gravo::reference_count());
  EXPECT_EQ(nullptr, gr_window_handle());
  EXPECT_FALSE(IsWindow(second));
  EXPECT_FALSE(gr_peek_message(NULL, GM_ALL, true));

  HWND third = gr_open_window(160, 100);
  ASSERT_NE(nullptr, third);
  EXPECT_EQ(2, Gravo::reference_count());
  gr_close_window();
  EXPECT_EQ(0, Gravo::reference_count());
}

// As on Windows NT 4.0, which has neither GetConsoleWindow nor
// MsgWaitForMultipleObjectsEx.
TEST(GraphicsRuntime, WorksWithoutTheFunctionsNewerThanNt4) {
  IMAGE keep(1, 1);
  Gravo::runtime.get_console_window = NULL;
  Gravo::runtime.msg_wait_ex = NULL;
  wchar_t before[256] = {};
  GetConsoleTitleW(before, 256);
  HWND hwnd = gr_open_window(160, 100);
  ASSERT_NE(nullptr, hwnd);
  EXPECT_EQ(GetConsoleWindow(), Gravo::runtime.console);
  wchar_t after[256] = {};
  GetConsoleTitleW(after, 256);
  EXPECT_STREQ(before, after);

  // The batch wait still wakes for input.
  gr_batch_begin();
  PostMessageW(hwnd, WM_CHAR, L'x', 0);
  GraphMessage message = {};
  EXPECT_TRUE(support::waitFor([&] { return gr_peek_message(&message, GM_CHAR, true); }, 10000));
  EXPECT_EQ(L'x', message.unit);
  gr_batch_end();
  gr_close_window();
}

TEST(GraphicsRuntime, ImagesKeepTheRuntimeAndSurplusClosesDropNothing) {
  {
    IMAGE image(8, 8);
    EXPECT_EQ(2, Gravo::reference_count());
    ASSERT_NE(nullptr, gr_open_window(160, 100));
    EXPECT_EQ(3, Gravo::reference_count());
    gr_close_window();
    gr_close_window();
    EXPECT_EQ(2, Gravo::reference_count());
    gr_set_target(&image);
    gr_clear();
    gr_set_target(NULL);
    EXPECT_EQ(nullptr, Gravo::current_device());
  }
  EXPECT_EQ(0, Gravo::reference_count());
}

}  // namespace
