#include "mingw/run_captured.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platforms/link_guard.h"

namespace {

constexpr DWORD kChunkBytes = 4095;
constexpr DWORD kPollMs = 10;
constexpr DWORD kEndWaitMs = 5000;

class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle = nullptr) : handle_(handle) {}
  ~OwnedHandle() { reset(); }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  HANDLE get() const { return handle_; }
  void reset(HANDLE handle = nullptr) {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_;
};

std::wstring interpreterPath() {
  wchar_t dir[MAX_PATH];
  const UINT length = GetSystemDirectoryW(dir, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  return std::wstring(dir, length) + L"\\cmd.exe";
}

CapturedRun startFailure(DWORD error) {
  CapturedRun run;
  run.output = u8"创建进程失败: " + std::to_string(error);
  return run;
}

// A job holds cmd.exe and everything it starts, so that a time-out ends the
// whole tree; it closes with the handle, ending whatever is left in it.
HANDLE createKillOnCloseJob() {
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
    CloseHandle(job);
    return nullptr;
  }
  return job;
}

// A well-known SID in a buffer of its own; empty when the system does not
// know it.
std::vector<BYTE> wellKnownSid(WELL_KNOWN_SID_TYPE type) {
  std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
  DWORD bytes = SECURITY_MAX_SID_SIZE;
  if (!CreateWellKnownSid(type, nullptr, sid.data(), &bytes)) sid.clear();
  return sid;
}

// This process's token cut down to a standard user's rights: the
// Administrators group only denies, every privilege but change notification
// is gone and the integrity level is medium (low for a service account, as
// below). A service account (SYSTEM above all) also gets Users,
// Authenticated Users, Everyone and RESTRICTED as restricting SIDs, so that
// an access needs a grant to one of those as well; making SYSTEM itself
// deny-only instead would leave no grant to read the system's own programs,
// which name Users, not Everyone. The programs run here come from folders
// other users may have changed. Null when no such token can be made; then
// nothing is run.
HANDLE standardUserToken() {
  HANDLE own = nullptr;
  const DWORD access = TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT;
  if (!OpenProcessToken(GetCurrentProcess(), access, &own)) return nullptr;
  OwnedHandle ownToken(own);
  std::vector<BYTE> administrators = wellKnownSid(WinBuiltinAdministratorsSid);
  std::vector<std::vector<BYTE>> restricting;
  const bool service = runsAsServiceAccount();
  if (service) {
    for (const WELL_KNOWN_SID_TYPE type :
         {WinBuiltinUsersSid, WinAuthenticatedUserSid, WinWorldSid, WinRestrictedCodeSid})
      restricting.push_back(wellKnownSid(type));
  }
  std::vector<SID_AND_ATTRIBUTES> restrictingSids;
  for (std::vector<BYTE>& sid : restricting) {
    if (sid.empty()) return nullptr;
    restrictingSids.push_back({sid.data(), 0});
  }
  if (administrators.empty()) return nullptr;
  SID_AND_ATTRIBUTES denyOnly{administrators.data(), 0};
  // DISABLE_MAX_PRIVILEGE alone leaves every privilege in place under
  // Wine; naming them all removes them everywhere.
  DWORD bytes = 0;
  GetTokenInformation(ownToken.get(), TokenPrivileges, nullptr, 0, &bytes);
  std::vector<BYTE> held(bytes);
  if (bytes < sizeof(TOKEN_PRIVILEGES) ||
      !GetTokenInformation(ownToken.get(), TokenPrivileges, held.data(), bytes, &bytes))
    return nullptr;
  const TOKEN_PRIVILEGES& privileges = *reinterpret_cast<const TOKEN_PRIVILEGES*>(held.data());
  LUID changeNotify{};
  if (!LookupPrivilegeValueW(nullptr, SE_CHANGE_NOTIFY_NAME, &changeNotify)) return nullptr;
  std::vector<LUID_AND_ATTRIBUTES> removed;
  for (DWORD i = 0; i < privileges.PrivilegeCount; ++i) {
    const LUID& luid = privileges.Privileges[i].Luid;
    if (luid.LowPart != changeNotify.LowPart || luid.HighPart != changeNotify.HighPart)
      removed.push_back({luid, 0});
  }
  HANDLE restricted = nullptr;
  if (!CreateRestrictedToken(ownToken.get(), DISABLE_MAX_PRIVILEGE, 1, &denyOnly,
                             static_cast<DWORD>(removed.size()), removed.empty() ? nullptr : removed.data(),
                             static_cast<DWORD>(restrictingSids.size()),
                             restrictingSids.empty() ? nullptr : restrictingSids.data(), &restricted))
    return nullptr;
  // Lowering the level needs no privilege. Wine accepts the change and
  // keeps the level; either way the groups and privileges are gone. A
  // service account's programs run at low integrity: what they create is
  // SYSTEM's, whose links the destination checks trust, so they must not
  // create anything in the folders users can change, which are all above
  // low. For them a level that does not take means nothing runs.
  std::vector<BYTE> level = wellKnownSid(service ? WinLowLabelSid : WinMediumLabelSid);
  bool lowered = false;
  if (!level.empty()) {
    TOKEN_MANDATORY_LABEL label{};
    label.Label.Attributes = SE_GROUP_INTEGRITY;
    label.Label.Sid = level.data();
    lowered = SetTokenInformation(restricted, TokenIntegrityLevel, &label,
                                  static_cast<DWORD>(sizeof(label) + GetLengthSid(level.data()))) != FALSE;
  }
  if (service && !lowered) {
    CloseHandle(restricted);
    return nullptr;
  }
  return restricted;
}

}  // namespace

std::string runCaptured(const std::wstring& command, unsigned timeoutMs) {
  return runCapturedFull(command, timeoutMs).output;
}

CapturedRun runCapturedFull(const std::wstring& command, unsigned timeoutMs, const std::wstring& workDir) {
  SECURITY_ATTRIBUTES security{};
  security.nLength = sizeof(security);
  security.lpSecurityDescriptor = nullptr;
  security.bInheritHandle = TRUE;
  HANDLE readRaw = nullptr;
  HANDLE writeRaw = nullptr;
  if (!CreatePipe(&readRaw, &writeRaw, &security, 0)) {
    CapturedRun failed;
    failed.output = u8"创建管道失败";
    return failed;
  }
  OwnedHandle readEnd(readRaw);
  OwnedHandle writeEnd(writeRaw);
  if (!SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0)) return startFailure(GetLastError());

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = writeEnd.get();
  startup.hStdError = writeEnd.get();
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);

  const std::wstring application = interpreterPath();
  if (application.empty()) return startFailure(GetLastError());
  const std::wstring line = L"cmd.exe /c " + command;
  std::vector<wchar_t> writableLine(line.begin(), line.end());
  writableLine.push_back(L'\0');

  OwnedHandle token(standardUserToken());
  if (token.get() == nullptr) return startFailure(GetLastError());
  OwnedHandle job(createKillOnCloseJob());
  PROCESS_INFORMATION process{};
  // Suspended until it sits in the job, so nothing it starts escapes it.
  if (!CreateProcessAsUserW(token.get(), application.c_str(), writableLine.data(), nullptr, nullptr, TRUE,
                            CREATE_SUSPENDED, nullptr, workDir.empty() ? nullptr : workDir.c_str(), &startup,
                            &process)) {
    return startFailure(GetLastError());
  }
  OwnedHandle processHandle(process.hProcess);
  OwnedHandle threadHandle(process.hThread);
  if (job.get() != nullptr && !AssignProcessToJobObject(job.get(), processHandle.get())) job.reset();
  ResumeThread(threadHandle.get());
  // The child holds the only write end now: the pipe breaks once it and
  // everything it started have exited.
  writeEnd.reset();

  CapturedRun run;
  run.started = true;
  std::string& captured = run.output;
  char chunk[kChunkBytes + 1];
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  bool finished = false;
  while (GetTickCount64() < deadline) {
    DWORD available = 0;
    if (!PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &available, nullptr)) {
      finished = true;
      break;
    }
    if (available == 0) {
      // Waiting on the process wakes as soon as it ends; after that only
      // something it left running can still hold the pipe.
      if (WaitForSingleObject(processHandle.get(), kPollMs) == WAIT_OBJECT_0) Sleep(kPollMs);
      continue;
    }
    DWORD got = 0;
    if (!ReadFile(readEnd.get(), chunk, std::min(available, kChunkBytes), &got, nullptr) || got == 0) {
      finished = true;
      break;
    }
    chunk[got] = '\0';
    const std::size_t text = std::strlen(chunk);
    if (captured.size() < kMaxCapturedBytes) {
      captured.append(chunk, std::min(text, kMaxCapturedBytes - captured.size()));
    }
  }

  if (finished) {
    const ULONGLONG now = GetTickCount64();
    const DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
    finished = WaitForSingleObject(processHandle.get(), left) == WAIT_OBJECT_0;
  }
  if (!finished) {
    if (job.get() != nullptr) {
      TerminateJobObject(job.get(), 1);
    } else {
      TerminateProcess(processHandle.get(), 1);
    }
    WaitForSingleObject(processHandle.get(), kEndWaitMs);
    // What the interpreter started may still be closing down and hold its
    // files and folder, which the caller may be about to remove.
    for (const ULONGLONG end = GetTickCount64() + kEndWaitMs; job.get() != nullptr && GetTickCount64() < end;
         Sleep(kPollMs)) {
      JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
      if (!QueryInformationJobObject(job.get(), JobObjectBasicAccountingInformation, &accounting,
                                     sizeof(accounting), nullptr) ||
          accounting.ActiveProcesses == 0)
        break;
    }
    run.timedOut = true;
    return run;
  }
  DWORD exitCode = 0;
  if (GetExitCodeProcess(processHandle.get(), &exitCode)) run.exitCode = exitCode;
  return run;
}
