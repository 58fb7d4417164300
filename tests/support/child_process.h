// Child processes as the tests and the bench use them: started, their
// windows found, their end awaited, each with a time-out; ended through
// their own handle when the owner is done with them.
#ifndef GRAVO_TESTS_SUPPORT_CHILD_PROCESS_H
#define GRAVO_TESTS_SUPPORT_CHILD_PROCESS_H

#include <windows.h>

#include <functional>
#include <string>

namespace support {

// Polls `condition` until it holds; false once `timeoutMs` has passed.
bool waitFor(const std::function<bool()>& condition, DWORD timeoutMs);

// The running program's directory, with a trailing backslash.
std::wstring programDir();

// A visible top-level window of the process with that class (of any class
// when className is null), or null.
HWND findWindow(DWORD pid, const wchar_t* className = L"GravoWnd");

class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess() { end(); }

  // Starts `program` (a full path) with the arguments in `directory` (this
  // process's own when empty), its standard output and error going to the
  // given inheritable handles when there are any; false, with GetLastError
  // set, when the system refuses.
  bool start(const std::wstring& program, const std::wstring& arguments = L"",
             const std::wstring& directory = L"", HANDLE output = nullptr, HANDLE error = nullptr);
  // Its window once shown (see findWindow); null when it ended first or
  // the time ran out.
  HWND waitForWindow(DWORD timeoutMs, const wchar_t* className = L"GravoWnd");
  // The exit code, or STILL_ACTIVE when it has not ended in time.
  DWORD waitForExit(DWORD timeoutMs);
  bool running() const;
  // Terminates it with exit code 99 if it still runs, and lets go of it.
  void end();

  DWORD pid() const { return process_.dwProcessId; }
  HANDLE handle() const { return process_.hProcess; }

 private:
  PROCESS_INFORMATION process_{};
};

// A program run to its end, as a deployment tool runs it: its exit code
// (STILL_ACTIVE when it had to be ended after `timeoutMs`) and the bytes it
// wrote to its standard output and error, captured through files in
// `directory`, which is also its current directory.
struct Captured {
  DWORD code = STILL_ACTIVE;
  std::string out;
  std::string err;
};
Captured runCaptured(const std::wstring& program, const std::wstring& arguments,
                     const std::wstring& directory, DWORD timeoutMs);

}  // namespace support

#endif
