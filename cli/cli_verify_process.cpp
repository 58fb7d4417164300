// The verify command's edges: its private folder, the compilers and
// programs it starts, and its report.
#include <windows.h>

#include <ntsecapi.h>
#include <sddl.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "cli/cli_verify.h"
#include "discovery/registry_reader.h"
#include "mingw/run_captured.h"
#include "platforms/entry_ops.h"
#include "platforms/link_guard.h"

namespace {

constexpr std::size_t kShownLines = 6;

// A folder no other user can have made, read or planted anything in: a
// random name under this process's temporary folder, created only if it
// did not exist, with access for this process's user (whom the compilers
// run as, without administrator rights), SYSTEM, the administrators and
// restricted code alone. Removed, without following links, when the object ends.
class PrivateFolder {
 public:
  PrivateFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    unsigned char random[16];
    const std::wstring sid = processUserSid();
    if (length == 0 || length > MAX_PATH || sid.empty() || !RtlGenRandom(random, sizeof(random))) {
      error_ = GetLastError();
      return;
    }
    std::wstring path = std::wstring(temp, length) + L"gravo-verify-";
    for (const unsigned char byte : random) {
      path += L"0123456789abcdef"[byte >> 4];
      path += L"0123456789abcdef"[byte & 15];
    }
    // The compilers of a service account's run hold a token whose access
    // also needs a grant to a restricting group; RESTRICTED is one of them
    // and no ordinary user's token has it, so the folder stays private.
    // Those compilers also run at low integrity, which the folder's label
    // lets write here and nowhere a user could change.
    const std::wstring sddl = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;RC)(A;OICI;FA;;;" + sid +
                              L")" + (runsAsServiceAccount() ? L"S:(ML;OICI;NW;;;LW)" : L"");
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
      error_ = GetLastError();
      return;
    }
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof(security);
    security.lpSecurityDescriptor = descriptor;
    if (CreateDirectoryW(path.c_str(), &security)) path_ = path + L"\\";
    else error_ = GetLastError();
    LocalFree(descriptor);
  }
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;
  ~PrivateFolder() {
    if (path_.empty()) return;
    // What ran inside may have turned the folder itself into a link, or
    // moved it away and left one in its place: then only that link goes.
    const std::wstring folder = path_.substr(0, path_.size() - 1);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      removeTree(path_);
    else if (attributes & FILE_ATTRIBUTE_DIRECTORY) RemoveDirectoryW(folder.c_str());
  }

  // Ends with a backslash; "" when the folder could not be made.
  const std::wstring& path() const { return path_; }
  DWORD error() const { return error_; }

 private:
  // A link below the folder, which a compiler may have made, is removed
  // itself; what it points at stays.
  static void removeTree(const std::wstring& dir) {
    WIN32_FIND_DATAW found;
    const HANDLE listing = FindFirstFileW((dir + L"*").c_str(), &found);
    if (listing != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring full = dir + name;
        const DWORD attributes = found.dwFileAttributes;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
          removeTree(full + L"\\");
        } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveDirectoryW(full.c_str());
        } else {
          if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
          DeleteFileW(full.c_str());
        }
      } while (FindNextFileW(listing, &found));
      FindClose(listing);
    }
    RemoveDirectoryW(dir.c_str());
  }

  std::wstring path_;
  DWORD error_ = 0;
};

bool isFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool writeNewFile(const std::wstring& path, const std::string& bytes) {
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  CloseHandle(file);
  return ok;
}

// Whether this computer runs programs of that many bits: a 64-bit Windows
// runs 32-bit ones unless its WOW64 layer is missing or switched off.
bool machineRuns(int bits) {
#ifdef _WIN64
  if (bits == 64) return true;
  using GuestSupported = HRESULT(WINAPI*)(USHORT, BOOL*);
  const auto supported = reinterpret_cast<GuestSupported>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64GuestMachineSupported")));
  BOOL runs = TRUE;
  if (supported != nullptr && SUCCEEDED(supported(IMAGE_FILE_MACHINE_I386, &runs))) return runs != FALSE;
  // Older systems cannot say: the system's own 32-bit cmd.exe is created
  // suspended and ended before any of its code has run. Once per run.
  static const bool started = [] {
    wchar_t dir[MAX_PATH];
    const UINT length = GetSystemWow64DirectoryW(dir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    const std::wstring program = std::wstring(dir, length) + L"\\cmd.exe";
    wchar_t line[] = L"cmd.exe /c rem";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), line, nullptr, nullptr, FALSE, CREATE_SUSPENDED | CREATE_NO_WINDOW,
                        nullptr, dir, &startup, &process))
      return false;
    TerminateProcess(process.hProcess, 0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
  }();
  return started;
#else
  if (bits == 32) return true;
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
#endif
}

// An environment variable of this process, and so of every compiler and
// program it starts, set for as long as the object lives.
class ScopedVariable {
 public:
  // value(old) gives the new value from the old one ("" when unset).
  ScopedVariable(const wchar_t* name, const std::function<std::wstring(const std::wstring&)>& value)
      : name_(name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    std::vector<wchar_t> old(size > 0 ? size : 1, L'\0');
    had_ = size > 0 && GetEnvironmentVariableW(name, old.data(), size) < size;
    old_ = had_ ? std::wstring(old.data()) : std::wstring();
    changed_ = SetEnvironmentVariableW(name, value(old_).c_str()) != FALSE;
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;
  ~ScopedVariable() {
    if (changed_) SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr);
  }

 private:
  const wchar_t* name_;
  std::wstring old_;
  bool had_ = false;
  bool changed_ = false;
};

std::wstring seconds(unsigned ms) { return std::to_wstring((ms + 999) / 1000) + L" s"; }

VerifyResult failure(const std::wstring& text, const std::string& output = std::string()) {
  VerifyResult result;
  result.text = L"failed: " + text;
  result.lines = lastLines(decodedOutput(output), kShownLines);
  return result;
}

std::wstring timeoutSetting() {
  wchar_t value[16] = {};
  const DWORD length = GetEnvironmentVariableW(kVerifyTimeoutVariable, value, 16);
  return length > 0 && length < 16 ? std::wstring(value, length) : std::wstring();
}

std::wstring trimmed(const std::wstring& label) {
  const std::size_t first = label.find_first_not_of(L' ');
  return first == std::wstring::npos ? std::wstring() : label.substr(first);
}

VerifyResult verifyEntry(const CatalogueData& data, const PlatformEntry& entry) {
  const auto index = static_cast<std::size_t>(entry.index);
  const VerifyPlan plan =
      entry.isMingw ? mingwVerifyPlan(data.mingwTargets[index]) : vcVerifyPlan(data.vcTargets[index]);
  if (!plan.error.empty()) return failure(plan.error);
  if (!isFile(plan.tool)) return failure(plan.tool + L" is missing");
  return runVerifyPlan(plan);
}

}  // namespace

VerifyResult runVerifyPlan(const VerifyPlan& plan) {
  const PrivateFolder folder;
  if (folder.path().empty())
    return failure(L"no private temporary folder could be made (error " + std::to_wstring(folder.error()) +
                   L")");
  if (!writeNewFile(folder.path() + kVerifySourceName, verifyProgramSource()))
    return failure(L"the program could not be written to " + folder.path());
  // The compilers' own intermediate files stay in the private folder too,
  // not in a temporary folder that other users can list and write to.
  const auto privateFolder = [&](const std::wstring&) { return folder.path(); };
  const ScopedVariable tmp(L"TMP", privateFolder);
  const ScopedVariable temp(L"TEMP", privateFolder);
  const std::wstring setting = timeoutSetting();
  const unsigned compileLimit = shortenedTimeout(kVerifyCompileTimeoutMs, setting);
  const unsigned runLimit = shortenedTimeout(kVerifyRunTimeoutMs, setting);

  std::wstring built;
  std::wstring notRun;
  int notRunBits = 0;
  for (const VerifyBuild& build : plan.builds) {
    // A MinGW's bin comes first on PATH, as the IDE puts it: the compiler's
    // own programs (cc1plus, as, ld) of many toolchains load their DLLs from
    // there, and the built program finds the toolchain's runtime DLLs there.
    const ScopedVariable path(L"PATH", [&](const std::wstring& old) {
      return build.binDir.empty() || old.empty() ? build.binDir + old : build.binDir + L";" + old;
    });
    const CapturedRun compiled = runCapturedFull(build.compile, compileLimit, folder.path());
    if (!compiled.started)
      return failure(build.name + L": the compiler could not be started", compiled.output);
    if (compiled.timedOut)
      return failure(
          build.name + L": the compiler did not finish within " + seconds(compileLimit) + L" and was ended",
          compiled.output);
    if (compiled.exitCode != 0 || !isFile(folder.path() + build.program))
      return failure(
          build.name + L": did not compile and link (exit code " + std::to_wstring(compiled.exitCode) + L")",
          compiled.output);
    built += (built.empty() ? L"" : L", ") + build.name;
    if (!machineRuns(build.bits)) {
      notRun += (notRun.empty() ? L"" : L", ") + build.name;
      notRunBits = build.bits;
      continue;
    }
    const CapturedRun ran = runCapturedFull(runProgramCommand(build.program), runLimit, folder.path());
    if (!ran.started) return failure(build.name + L": the program could not be started", ran.output);
    if (ran.timedOut)
      return failure(
          build.name + L": the program did not finish within " + seconds(runLimit) + L" and was ended",
          ran.output);
    if (ran.exitCode != 0 || decodedOutput(ran.output).find(kVerifyProgramSaysOk) == std::wstring::npos)
      return failure(build.name + L": the program failed (exit code " + std::to_wstring(ran.exitCode) + L")",
                     ran.output);
  }
  VerifyResult result;
  result.state = VerifyResult::Verified;
  result.text = L"verified (" + built + L")";
  if (!notRun.empty())
    result.text += L"; built, not run: " + notRun + L" (this computer runs no " +
                   std::to_wstring(notRunBits) + L"-bit programs)";
  return result;
}

int runVerify(const CliRequest& request, const CatalogueData& data,
              const std::vector<PlatformEntry*>& selected, const std::wstring& dirWhy,
              const CliConsole& console, const std::function<void(const std::wstring&)>& log) {
  int verified = 0;
  int failed = 0;
  bool namedMissing = false;
  std::wstring notDetected;
  std::wstring noLibrary;
  std::wstring json;
  for (const PlatformEntry* entry : selected) {
    const std::wstring id = entryId(data, *entry);
    const bool named = std::find(request.ids.begin(), request.ids.end(), id) != request.ids.end();
    VerifyResult result;
    if (!dirWhy.empty() || !entry->detected) {
      result.state = VerifyResult::NotDetected;
      result.text = dirWhy.empty() ? entry->statusText : dirWhy;
      notDetected += (notDetected.empty() ? L"" : L" ") + id;
      namedMissing = namedMissing || named;
    } else if (!entryHoldsLibrary(data, *entry)) {
      result.state = VerifyResult::NoLibrary;
      result.text = L"skipped: does not hold the library";
      noLibrary += (noLibrary.empty() ? L"" : L" ") + id;
      namedMissing = namedMissing || named;
    } else {
      result = verifyEntry(data, *entry);
      ++(result.state == VerifyResult::Verified ? verified : failed);
    }

    static const wchar_t* const kStates[] = {L"verified", L"failed", L"not detected", L"no library"};
    std::wstring lines;
    for (const std::wstring& line : result.lines) lines += (lines.empty() ? L"" : L", ") + jsonString(line);
    json += std::wstring(json.empty() ? L"" : L",\n") + L"  {\"id\": " + jsonString(id) + L", \"label\": " +
            jsonString(trimmed(entry->label)) + L", \"result\": \"" + kStates[result.state] +
            L"\", \"text\": " + jsonString(result.text) + L", \"lines\": [" + lines + L"]}";
    // Rows that only --all brought in and that are not there are named in
    // the summary alone.
    if (!named && result.state == VerifyResult::NotDetected) continue;
    log(id + L": " + result.text);
    for (const std::wstring& line : result.lines) log(id + L":   " + line);
    if (request.json) continue;
    console.out(printable(rowHead(data, *entry) + result.text));
    for (const std::wstring& line : result.lines) console.out(printable(std::wstring(32, L' ') + line));
  }

  std::wstring summary = L"verify: " + (verified + failed > 0 ? std::to_wstring(verified) + L" verified, " +
                                                                    std::to_wstring(failed) + L" failed"
                                                              : std::wstring(L"nothing holds the library"));
  const wchar_t* separator = L"; skipped: ";
  if (!notDetected.empty()) {
    summary += separator + notDetected + L" (not detected)";
    separator = L", ";
  }
  if (!noLibrary.empty()) summary += separator + noLibrary + L" (does not hold the library)";
  const int code = failed > 0                      ? kExitFailed
                   : verified == 0 || namedMissing ? kExitNothingDetected
                                                   : kExitDone;
  if (request.json)
    console.out(L"{\"entries\": [\n" + json + (json.empty() ? L"" : L"\n") + L"], \"summary\": " +
                jsonString(summary) + L"}");
  else console.out(summary);
  log(summary + L"; exit code " + std::to_wstring(code));
  return code;
}
