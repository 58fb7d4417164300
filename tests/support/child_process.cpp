#include "support/child_process.h"

namespace support {

bool waitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (!condition()) {
    if (GetTickCount64() > deadline) return false;
    Sleep(10);
  }
  return true;
}

std::wstring programDir() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring full(path, length);
  return full.substr(0, full.find_last_of(L'\\') + 1);
}

namespace {

struct WindowSearch {
  DWORD pid;
  const wchar_t* className;
  HWND found;
};

BOOL CALLBACK matchWindow(HWND hwnd, LPARAM param) {
  WindowSearch* search = reinterpret_cast<WindowSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != search->pid || !IsWindowVisible(hwnd)) return TRUE;
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  if (search->className && std::wstring(name) != search->className) return TRUE;
  search->found = hwnd;
  return FALSE;
}

}  // namespace

HWND findWindow(DWORD pid, const wchar_t* className) {
  WindowSearch search = {pid, className, nullptr};
  EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool ChildProcess::start(const std::wstring& program, const std::wstring& arguments,
                         const std::wstring& directory, HANDLE output, HANDLE error) {
  end();
  std::wstring line = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  const bool redirected = output || error;
  if (redirected) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = INVALID_HANDLE_VALUE;
    startup.hStdOutput = output ? output : INVALID_HANDLE_VALUE;
    startup.hStdError = error ? error : INVALID_HANDLE_VALUE;
  }
  if (!CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, redirected, 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &process_)) {
    process_ = PROCESS_INFORMATION{};
    return false;
  }
  return true;
}

HWND ChildProcess::waitForWindow(DWORD timeoutMs, const wchar_t* className) {
  HWND found = nullptr;
  waitFor(
      [&] {
        found = findWindow(process_.dwProcessId, className);
        return found != nullptr || !running();
      },
      timeoutMs);
  return found;
}

DWORD ChildProcess::waitForExit(DWORD timeoutMs) {
  if (!process_.hProcess) return STILL_ACTIVE;
  WaitForSingleObject(process_.hProcess, timeoutMs);
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

bool ChildProcess::running() const {
  return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

void ChildProcess::end() {
  if (!process_.hProcess) return;
  if (running()) {
    TerminateProcess(process_.hProcess, 99);
    WaitForSingleObject(process_.hProcess, 10000);
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
  process_ = PROCESS_INFORMATION{};
}

namespace {

std::string readAll(const std::wstring& path) {
  std::string bytes;
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(file);
  return bytes;
}

}  // namespace

Captured runCaptured(const std::wstring& program, const std::wstring& arguments,
                     const std::wstring& directory, DWORD timeoutMs) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  const std::wstring outPath = directory + L"out.txt";
  const std::wstring errPath = directory + L"err.txt";
  const auto create = [&](const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  };
  const HANDLE out = create(outPath);
  const HANDLE err = create(errPath);
  Captured result;
  if (out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE) {
    ChildProcess child;
    if (child.start(program, arguments, directory, out, err)) result.code = child.waitForExit(timeoutMs);
  }
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
  result.out = readAll(outPath);
  result.err = readAll(errPath);
  return result;
}

}  // namespace support
