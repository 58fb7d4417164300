#include <gtest/gtest.h>

#include <string>

#include "wait_until.h"

namespace {

struct Found {
  DWORD process_id;
  HWND hwnd;
};

BOOL CALLBACK find_graphics_window(HWND hwnd, LPARAM param) {
  Found* found = reinterpret_cast<Found*>(param);
  DWORD process_id = 0;
  GetWindowThreadProcessId(hwnd, &process_id);
  wchar_t class_name[16] = {};
  GetClassNameW(hwnd, class_name, 16);
  if (process_id == found->process_id && IsWindowVisible(hwnd) &&
      std::wstring(class_name) == L"GravoWnd") {
    found->hwnd = hwnd;
    return FALSE;
  }
  return TRUE;
}

// Starts the child program, closes its window with `message` once it is
// shown, and returns the exit code (or -1 when it did not end in time).
long close_child(const wchar_t* arguments, UINT message, WPARAM wparam) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(NULL, path, MAX_PATH);
  std::wstring child(path);
  child.erase(child.find_last_of(L'\\') + 1);
  child += L"graphics_close_box_child.exe";
  std::wstring command = L"\"" + child + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(STARTUPINFOW);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(child.c_str(), &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                      &process)) {
    ADD_FAILURE() << "cannot start " << GetLastError();
    return -1;
  }
  CloseHandle(process.hThread);
  Found found = {process.dwProcessId, NULL};
  const bool shown = wait_until([&] {
    EnumWindows(find_graphics_window, reinterpret_cast<LPARAM>(&found));
    return found.hwnd != NULL;
  }, 20000);
  EXPECT_TRUE(shown);
  long code = -1;
  if (shown) PostMessageW(found.hwnd, message, wparam, 0);
  if (shown && WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0) {
    DWORD exit_code = 0;
    GetExitCodeProcess(process.hProcess, &exit_code);
    code = static_cast<long>(exit_code);
  } else {
    TerminateProcess(process.hProcess, 99);
    WaitForSingleObject(process.hProcess, 5000);
  }
  CloseHandle(process.hProcess);
  return code;
}

TEST(GraphicsCloseBox, CloseEndsTheFrameLoopThenTheProcessWithZero) {
  EXPECT_EQ(0, close_child(L"", WM_CLOSE, 0));
}

TEST(GraphicsCloseBox, SystemCloseCommandEndsTheProcessWithZero) {
  EXPECT_EQ(0, close_child(L"", WM_SYSCOMMAND, SC_CLOSE));
}

TEST(GraphicsCloseBox, ProgramBlockedOutsideTheRuntimeStillEnds) {
  EXPECT_EQ(0, close_child(L"idle", WM_CLOSE, 0));
}

}  // namespace
