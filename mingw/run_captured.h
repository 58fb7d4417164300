#ifndef GRAVO_MINGW_RUN_CAPTURED_H
#define GRAVO_MINGW_RUN_CAPTURED_H

#include <cstddef>
#include <string>

// A gcc -v prints a few kilobytes; anything past this is read and dropped so
// that a misbehaving program can neither fill memory nor block on its pipe.
constexpr std::size_t kMaxCapturedBytes = 64 * 1024;

// gcc -v answers in well under a second; a program that has not finished
// after this long is ended, together with everything it started.
constexpr unsigned kCaptureTimeoutMs = 30000;

// Runs "cmd.exe /c " + command in a hidden window and returns what it wrote
// to standard output and standard error (at most kMaxCapturedBytes), or the
// text "创建管道失败" / "创建进程失败: <error code>" when it could not start.
// The interpreter is taken from the system directory, never from the
// current or the executable's own directory. It runs with a standard user's
// rights whatever this process holds (no Administrators, no service
// account, no privileges, medium integrity), since what it starts may be
// anyone's; when no such token can be made nothing runs and the text is the
// start failure.
std::string runCaptured(const std::wstring& command, unsigned timeoutMs = kCaptureTimeoutMs);

// How a captured run ended, for callers that need more than its output.
struct CapturedRun {
  // At most kMaxCapturedBytes; the start failure text when !started.
  std::string output;
  bool started = false;
  // Ended after the time-out, together with everything it started.
  bool timedOut = false;
  // The interpreter's exit code; meaningful when started and not timed out.
  unsigned long exitCode = 0;
};

// runCaptured with the outcome, started in workDir when that is not empty.
CapturedRun runCapturedFull(const std::wstring& command, unsigned timeoutMs = kCaptureTimeoutMs,
                            const std::wstring& workDir = std::wstring());

#endif
