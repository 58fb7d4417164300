#include "cli/cli_run.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "cli/cli_access.h"
#include "cli/cli_journal.h"
#include "cli/cli_verify.h"
#include "discovery/path_tests.h"
#include "platforms/catalogue.h"
#include "platforms/entry_ops.h"
#include "platforms/file_ops.h"

namespace {

const wchar_t kProgram[] = L"GravoSetupCli: ";
const wchar_t* const kMingwIds[kMingwTargetCount] = {L"devcpp", L"codeblocks", L"clion", L"vscode", L"mingw"};

std::wstring trimmedLabel(const PlatformEntry& entry) {
  const std::size_t first = entry.label.find_first_not_of(L' ');
  return first == std::wstring::npos ? std::wstring() : entry.label.substr(first);
}

// Columns on a console: East Asian wide characters take two.
std::size_t displayWidth(const std::wstring& text) {
  std::size_t width = 0;
  for (const wchar_t c : text) {
    const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                      (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                      (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                      (c >= 0xFFE0 && c <= 0xFFE6);
    width += wide ? 2 : 1;
  }
  return width;
}

std::wstring padded(const std::wstring& text, std::size_t width) {
  const std::size_t used = displayWidth(text);
  return text + std::wstring(used < width ? width - used : 1, L' ');
}

}  // namespace

std::wstring rowHead(const CatalogueData& data, const PlatformEntry& entry) {
  return padded(entryId(data, entry), 12) + padded(trimmedLabel(entry), 18);
}

std::wstring jsonString(const std::wstring& text) {
  std::wstring quoted = L"\"";
  for (const wchar_t c : text) {
    if (c == L'"' || c == L'\\') {
      quoted += L'\\';
      quoted += c;
    } else if (c < 0x20 || c > 0x7E) {
      // ASCII only, so that the text parses whatever code page a reader
      // decodes it with; a character above U+FFFF is already its UTF-16
      // surrogate pair here, written as two escapes.
      wchar_t escaped[8];
      std::swprintf(escaped, 8, L"\\u%04x", static_cast<unsigned>(c));
      quoted += escaped;
    } else {
      quoted += c;
    }
  }
  return quoted + L"\"";
}

namespace {

std::wstring timestamp() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  wchar_t text[32];
  std::swprintf(text, 32, L"%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond, now.wMilliseconds);
  return text;
}

// True when a folder on a local path's way is a link (a junction or a
// symbolic link), which could lead the log anywhere.
bool linkOnTheWay(const std::wstring& path) {
  if (path.size() < 3 || path[1] != L':') return false;
  for (std::size_t slash = path.find(L'\\', 3); slash != std::wstring::npos;
       slash = path.find(L'\\', slash + 1)) {
    const DWORD attributes = GetFileAttributesW(path.substr(0, slash).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
  }
  return false;
}

// The --log file, opened for appending only: every line goes to its end,
// whoever else writes to it meanwhile. A log that cannot be opened or
// written is reported once on the error output and the run goes on without
// it: one bad log path must not stop a deployment.
class CliLog {
 public:
  CliLog(const std::wstring& path, const CliConsole& console) : path_(path), console_(console) {}
  CliLog(const CliLog&) = delete;
  CliLog& operator=(const CliLog&) = delete;
  ~CliLog() {
    setFileObserver(nullptr);
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }

  void open() {
    if (path_.empty() || failed_) return;
    if (linkOnTheWay(path_)) {
      refuse(L"lies in a folder that is a link");
      return;
    }
    // The file itself is opened, not what it may point to, and checked
    // before anything is written: one that is a link, has another name
    // elsewhere, or is a device or a pipe would take SYSTEM's lines (and a
    // share login) where its owner wants them.
    file_ = CreateFileW(path_.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) {
      fail(L"cannot open the log file ");
      return;
    }
    const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
    BY_HANDLE_FILE_INFORMATION info = {};
    if (GetFileType(file_) != FILE_TYPE_DISK || !GetFileInformationByHandle(file_, &info)) {
      refuse(L"is no disk file");
      return;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      refuse(L"is a link");
      return;
    }
    if (info.nNumberOfLinks > 1) {
      refuse(L"has more than one name (hard links)");
      return;
    }
    // Windows PowerShell 5.1 and older editors read a file without a
    // byte-order mark in the ANSI code page; one that was there before
    // keeps what it starts with.
    if (created && !append("\xEF\xBB\xBF")) return;
    setFileObserver([this](const FileEvent& event) {
      if (event.kind == FileEvent::Copy)
        write((event.succeeded ? L"copied " : L"copy failed ") + event.source + L" -> " + event.destination);
      else if (event.kind == FileEvent::Move)
        write((event.succeeded ? L"moved " : L"move failed ") + event.source + L" -> " + event.destination);
      else write((event.succeeded ? L"deleted " : L"delete failed ") + event.destination);
    });
  }

  // True when a log was asked for and could not be opened or written.
  bool failed() const { return failed_; }

  // The log is not written, for the reason given.
  void refuse(const std::wstring& why) {
    failed_ = true;
    setFileObserver(nullptr);
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    console_.err(kProgram + std::wstring(L"the log file ") + printable(path_) + L" " + why +
                 L"; the run goes on without it");
  }

  void write(const std::wstring& line) {
    if (file_ == INVALID_HANDLE_VALUE) return;
    const std::wstring text = timestamp() + L"  " + printable(line) + L"\r\n";
    const std::string bytes = toUtf8(text);
    if (bytes.empty()) return;
    append(bytes);
  }

 private:
  bool append(const std::string& bytes) {
    DWORD written = 0;
    if (WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size())
      return true;
    fail(L"cannot write to the log file ");
    return false;
  }

  // Reports the problem once and stops logging, so that no torn line is
  // followed by more.
  void fail(const std::wstring& what) {
    const DWORD error = GetLastError();
    failed_ = true;
    setFileObserver(nullptr);
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    console_.err(kProgram + what + printable(path_) + L" (error " + std::to_wstring(error) +
                 L"); the run goes on without it");
  }

  std::wstring path_;
  const CliConsole& console_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  bool failed_ = false;
};

void listText(const CatalogueData& data, const CliConsole& console) {
  int detected = 0;
  const std::wstring indent(30, L' ');
  for (const PlatformEntry* entry : data.shownEntries) {
    if (entry->detected) {
      ++detected;
      console.out(printable(rowHead(data, *entry) + entry->includeLine));
      console.out(printable(indent + entry->libLine));
    } else {
      console.out(printable(rowHead(data, *entry) + entry->statusText));
    }
  }
  console.out(L"list: " + std::to_wstring(data.shownEntries.size()) + L" rows, " + std::to_wstring(detected) +
              L" detected");
}

PlatformEntry* entryWithId(const CatalogueData& data, const std::wstring& id) {
  for (PlatformEntry* entry : data.shownEntries)
    if (entryId(data, *entry) == id) return entry;
  return nullptr;
}

// The rows in a request's scope: for --all every row but the documentation
// entry, in the list's order, then the ones named in the order named.
std::vector<PlatformEntry*> selectedEntries(const CliRequest& request, const CatalogueData& data) {
  std::vector<PlatformEntry*> selected;
  if (request.all) {
    for (PlatformEntry* entry : data.shownEntries)
      if (entry->index != kDocsEntryIndex) selected.push_back(entry);
  }
  for (const std::wstring& id : request.ids) {
    PlatformEntry* entry = entryWithId(data, id);
    if (entry && std::find(selected.begin(), selected.end(), entry) == selected.end())
      selected.push_back(entry);
  }
  return selected;
}

std::wstring commandName(const CliRequest& request) {
  if (request.command == CliRequest::Verify) return L"verify";
  return request.command == CliRequest::Install ? L"install" : L"uninstall";
}

// Why a row in scope was left alone, in the summary's order.
enum SkipReason { kNotDetected, kUnsupportedToolchain, kNoLibrary, kSkipReasonCount };
const wchar_t* const kSkipTexts[kSkipReasonCount] = {L"not detected", L"unsupported toolchain",
                                                     L"does not hold the library"};

// An undetected row's reason from the text it shows: a MinGW that was found
// but refused shows the refusal instead of a not-found text.
SkipReason undetectedReason(const PlatformEntry& entry, const std::wstring& shownText) {
  return entry.isMingw && shownText != kUndetectedStatus && shownText != kCompilerNotFoundMessage
             ? kUnsupportedToolchain
             : kNotDetected;
}

// The folder chooser's part: the row turns detected, or the chooser's own
// text says why not ("" once detected).
std::wstring useChosenDirectory(const CliRequest& request, CatalogueData& data, PlatformEntry& entry,
                                CliLog& log) {
  const std::wstring why = detectInChosenDirectory(data, entry, request.dir);
  log.write(why.empty() ? L"found " + entryId(data, entry) + L" in " + request.dir
                        : entryId(data, entry) + L" in " + request.dir + L": " + why);
  return why;
}

// The journal guards the file primitives while this lives.
class GuardedBy {
 public:
  explicit GuardedBy(Journal* journal) {
    if (journal) setFileGuard([journal](const FileEvent& change) { return journal->recordChange(change); });
  }
  GuardedBy(const GuardedBy&) = delete;
  GuardedBy& operator=(const GuardedBy&) = delete;
  ~GuardedBy() { setFileGuard(nullptr); }
};

int rollBackLastRun(bool elevated, CliLog& log, const CliConsole& console) {
  if (!elevated) {
    console.err(kProgram +
                std::wstring(L"administrator rights are needed to roll back; nothing was changed"));
    return kExitNeedsAdministrator;
  }
  log.write(L"GravoSetupCli rollback started");
  const RollbackResult result = rollBack(journalFolder(), [&](const std::wstring& line) {
    console.out(printable(line));
    log.write(line);
  });
  const std::wstring summary = result.found ? L"rollback: " + std::to_wstring(result.restored) +
                                                  L" put back, " + std::to_wstring(result.failed) + L" failed"
                                            : std::wstring(L"rollback: nothing to roll back");
  console.out(summary);
  const int code = result.failed > 0 ? kExitFailed : log.failed() ? kExitLogFailed : kExitDone;
  log.write(summary + L"; exit code " + std::to_wstring(code));
  return code;
}

}  // namespace

std::wstring entryId(const CatalogueData& data, const PlatformEntry& entry) {
  if (entry.index == kDocsEntryIndex) return L"docs";
  if (entry.isMingw)
    return entry.index >= 0 && entry.index < kMingwTargetCount ? kMingwIds[entry.index] : L"";
  if (entry.index < 0 || entry.index >= kVcTargetCount) return L"";
  return L"vc" + std::to_wstring(data.vcTargets[static_cast<std::size_t>(entry.index)].version);
}

std::wstring listJson(const CatalogueData& data) {
  std::wstring json = L"{\"entries\": [\n";
  for (std::size_t i = 0; i < data.shownEntries.size(); ++i) {
    const PlatformEntry& entry = *data.shownEntries[i];
    std::wstring dirs;
    for (const std::wstring& dir : entryDirectories(data, entry))
      dirs += (dirs.empty() ? L"" : L", ") + jsonString(dir);
    json += L"  {\"id\": " + jsonString(entryId(data, entry)) + L", \"label\": " +
            jsonString(trimmedLabel(entry)) + L", \"detected\": " + (entry.detected ? L"true" : L"false") +
            L", \"directories\": [" + dirs + L"], \"status\": " +
            jsonString(entry.detected ? L"" : entry.statusText) + L"}" +
            (i + 1 < data.shownEntries.size() ? L",\n" : L"\n");
  }
  return json + L"]}";
}

std::wstring printable(const std::wstring& text) {
  std::wstring shown = text;
  for (wchar_t& c : shown)
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) c = L'\uFFFD';
  return shown;
}

std::string toUtf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size, nullptr,
                      nullptr);
  return bytes;
}

int runCli(const CliRequest& request, CatalogueData& data, const CliConsole& console) {
  if (request.command == CliRequest::Help) {
    console.out(usageText());
    return kExitDone;
  }
  if (!request.dir.empty() && !isDirectory(request.dir)) {
    console.err(kProgram + std::wstring(L"--dir ") + printable(request.dir) + L": no such folder");
    return kExitBadArguments;
  }
  const bool elevated = processIsElevated();
  // Run with administrator rights, the program always keeps a log, in a
  // folder no other user can write.
  const bool defaultLog = request.logFile.empty() && elevated;
  const std::wstring admin = defaultLog ? adminFolder() : L"";
  CliLog log(!defaultLog     ? request.logFile
             : admin.empty() ? L"%SystemRoot%\\Logs\\Gravo\\GravoSetupCli.log"
                             : admin + L"GravoSetupCli.log",
             console);
  if (defaultLog && admin.empty()) log.refuse(L"cannot be created: its folder is missing or is a link");
  log.open();
  if (request.command == CliRequest::Rollback) return rollBackLastRun(elevated, log, console);
  buildCatalogue(data);
  if (request.command == CliRequest::List) {
    if (request.json) console.out(listJson(data));
    else listText(data, console);
    return log.failed() ? kExitLogFailed : kExitDone;
  }

  const std::wstring command = commandName(request);
  const bool installing = request.command == CliRequest::Install;
  log.write(L"GravoSetupCli " + command + L" started");
  const std::vector<PlatformEntry*> selected = selectedEntries(request, data);
  // The arguments give --dir with exactly one id.
  const std::wstring dirWhy = request.dir.empty() || selected.size() != 1
                                  ? L""
                                  : useChosenDirectory(request, data, *selected.front(), log);
  if (request.command == CliRequest::Verify) {
    const int code = runVerify(request, data, selected, dirWhy, console,
                               [&](const std::wstring& line) { log.write(line); });
    return code == kExitDone && log.failed() ? kExitLogFailed : code;
  }

  std::vector<PlatformEntry*> acting;
  std::wstring skipped[kSkipReasonCount];
  bool namedMissing = false;
  bool anyDetected = false;
  for (PlatformEntry* entry : selected) {
    const std::wstring id = entryId(data, *entry);
    const bool named = std::find(request.ids.begin(), request.ids.end(), id) != request.ids.end();
    std::wstring shownText;
    SkipReason reason = kNotDetected;
    // A folder given with --dir that does not hold the row's environment
    // stands for it, even where the row was detected elsewhere.
    if (!dirWhy.empty() || !entry->detected) {
      shownText = dirWhy.empty() ? entry->statusText : dirWhy;
      reason = undetectedReason(*entry, shownText);
      namedMissing = namedMissing || named;
    } else if (!installing && entry->index != kDocsEntryIndex && !entryHoldsLibrary(data, *entry)) {
      // Uninstalling is done once the library is gone, so a second run, or
      // an environment added after the install, is no failure.
      anyDetected = true;
      reason = kNoLibrary;
      shownText = L"skipped: " + std::wstring(kSkipTexts[kNoLibrary]);
    } else {
      anyDetected = true;
      acting.push_back(entry);
      continue;
    }
    skipped[reason] += (skipped[reason].empty() ? L"" : L" ") + id;
    // Rows that only --all brought in and that are not there are named in
    // the summary alone.
    if (named || reason == kNoLibrary) {
      console.out(printable(rowHead(data, *entry) + shownText));
      log.write(id + L": " + shownText);
    }
  }

  std::vector<std::wstring> dirs;
  for (const PlatformEntry* entry : acting)
    for (const std::wstring& dir : entryDirectories(data, *entry))
      if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end()) dirs.push_back(dir);
  const std::wstring denied = dirNeedingAdministrator(dirs, elevated, probeWriteAccess);
  if (!denied.empty()) {
    const std::wstring line = kProgram + std::wstring(L"administrator rights are needed to write to ") +
                              printable(denied) + L"; nothing was changed";
    console.err(line);
    log.write(line + L"; exit code " + std::to_wstring(kExitNeedsAdministrator));
    return kExitNeedsAdministrator;
  }

  // An elevated run records every change first, so that it can be undone;
  // a change that cannot be recorded is not made.
  Journal journal(elevated && !acting.empty() ? journalFolder() : L"");
  if (elevated && !acting.empty() && !journal.begin()) {
    const std::wstring line = kProgram + std::wstring(
                                             L"cannot keep a journal in %SystemRoot%\\Logs\\Gravo to undo "
                                             L"the changes with; nothing was changed");
    console.err(line);
    log.write(line + L"; exit code " + std::to_wstring(kExitFailed));
    return kExitFailed;
  }
  const GuardedBy guarded(elevated ? &journal : nullptr);

  int done = 0;
  int failed = 0;
  for (PlatformEntry* entry : acting) {
    const std::wstring result = installing ? installEntry(data, *entry) : uninstallEntry(data, *entry);
    const bool succeeded = installing ? result.empty() : result == kUninstalled;
    ++(succeeded ? done : failed);
    const std::wstring message = installing ? installMessage(result) : result;
    console.out(printable(rowHead(data, *entry) + message));
    log.write(entryId(data, *entry) + L": " + message);
  }

  std::wstring summary =
      command + L": " +
      (anyDetected ? std::to_wstring(done) + L" done, " + std::to_wstring(failed) + L" failed"
                   : L"nothing detected to act on");
  const wchar_t* separator = L"; skipped: ";
  for (int reason = 0; reason < kSkipReasonCount; ++reason) {
    if (skipped[reason].empty()) continue;
    summary += separator + skipped[reason] + L" (" + kSkipTexts[reason] + L")";
    separator = L", ";
  }
  console.out(summary);
  const int code = failed > 0                     ? kExitFailed
                   : namedMissing || !anyDetected ? kExitNothingDetected
                   : log.failed()                 ? kExitLogFailed
                                                  : kExitDone;
  log.write(summary + L"; exit code " + std::to_wstring(code));
  return code;
}
