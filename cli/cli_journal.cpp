#include "cli/cli_journal.h"

#include <windows.h>

#include <sddl.h>

#include <utility>
#include <vector>

#include "cli/cli_run.h"
#include "mingw/toolchain_probe.h"
#include "platforms/link_guard.h"

namespace {

const wchar_t kJournalName[] = L"journal.txt";

DWORD attributesOf(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

bool isMissing(DWORD attributes) {
  return attributes == INVALID_FILE_ATTRIBUTES &&
         (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND);
}

bool isPlainFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool isPlainFile(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

// A folder that only administrators and SYSTEM can enter, or that was there
// already as a plain folder.
bool ensureFolder(const std::wstring& path, bool adminOnly) {
  if (isPlainFolder(attributesOf(path))) return true;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (adminOnly && !ConvertStringSecurityDescriptorToSecurityDescriptorW(
                       L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", SDDL_REVISION_1, &descriptor, nullptr))
    return false;
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
  const bool created = CreateDirectoryW(path.c_str(), adminOnly ? &attributes : nullptr) != FALSE;
  if (descriptor) LocalFree(descriptor);
  return (created || GetLastError() == ERROR_ALREADY_EXISTS) && isPlainFolder(attributesOf(path));
}

bool readAll(const std::wstring& path, std::string& bytes) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes.clear();
  char buffer[65536];
  DWORD count = 0;
  BOOL read = TRUE;
  while ((read = ReadFile(file, buffer, sizeof(buffer), &count, nullptr)) && count > 0)
    bytes.append(buffer, count);
  CloseHandle(file);
  return read != FALSE;
}

// Copies the file at path into copy, a new file. The file is opened as the
// changes are made: with raised rights never through a link a user could
// have made, so that no file the user cannot read is kept here, to be
// written back later where that user can.
bool keepCopy(const std::wstring& path, const std::wstring& copy) {
  bool created = false;
  const HANDLE from =
      openForChange(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING, created);
  if (from == INVALID_HANDLE_VALUE) return false;
  const HANDLE to = CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
  bool copied = to != INVALID_HANDLE_VALUE;
  char buffer[65536];
  DWORD count = 0;
  while (copied && (copied = ReadFile(from, buffer, sizeof(buffer), &count, nullptr) != FALSE) && count > 0) {
    DWORD written = 0;
    copied = WriteFile(to, buffer, count, &written, nullptr) && written == count;
  }
  CloseHandle(from);
  if (to != INVALID_HANDLE_VALUE) CloseHandle(to);
  if (!copied && to != INVALID_HANDLE_VALUE) DeleteFileW(copy.c_str());
  return copied;
}

// One recorded path: the copy of its bytes in the journal's folder, or none
// when it was not there.
struct Entry {
  std::wstring path;
  std::wstring copy;
};

// The entries of the journal text; a line cut short by a crash is no entry.
std::vector<Entry> parseJournal(const std::wstring& text) {
  std::vector<Entry> entries;
  std::size_t at = 0;
  for (std::size_t end; (end = text.find(L'\n', at)) != std::wstring::npos; at = end + 1) {
    const std::wstring line = text.substr(at, end - at);
    const std::size_t tab = line.find(L'\t');
    if (tab == std::wstring::npos) continue;
    const std::wstring kind = line.substr(0, tab);
    const std::wstring rest = line.substr(tab + 1);
    if (kind == L"absent") {
      entries.push_back(Entry{rest, L""});
    } else if (kind == L"file") {
      const std::size_t second = rest.find(L'\t');
      if (second != std::wstring::npos)
        entries.push_back(Entry{rest.substr(0, second), rest.substr(second + 1)});
    }
  }
  return entries;
}

// Brings path back to what entry recorded; "" when it already was.
std::wstring restore(const std::wstring& folder, const Entry& entry, bool& ok) {
  const DWORD attributes = attributesOf(entry.path);
  const bool missing = isMissing(attributes);
  ok = true;
  if (entry.copy.empty()) {
    if (missing) return L"";
    ok = deleteFileItself(entry.path) != Removal::Failed;
    return (ok ? L"deleted " : L"delete failed ") + entry.path;
  }
  const std::wstring copy = folder + entry.copy;
  std::string before;
  std::string now;
  if (!readAll(copy, before)) {
    ok = false;
    return L"restore failed (no copy of it kept) " + entry.path;
  }
  if (isPlainFile(attributes) && readAll(entry.path, now) && now == before) return L"";
  // Whatever stands there now goes first. Both steps run as the install
  // did: a link a user put in the path since then is refused, not followed.
  ok = (missing || deleteFileItself(entry.path) != Removal::Failed) &&
       copyPayloadFile(copy, entry.path).empty();
  return (ok ? L"restored " : L"restore failed ") + entry.path;
}

}  // namespace

std::wstring adminFolder() {
  wchar_t windows[MAX_PATH] = {};
  const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return L"";
  const std::wstring logs = std::wstring(windows, length) + L"\\Logs";
  const std::wstring folder = logs + L"\\Gravo";
  return ensureFolder(logs, false) && ensureFolder(folder, true) ? folder + L"\\" : L"";
}

std::wstring journalFolder() {
  const std::wstring admin = adminFolder();
  if (admin.empty()) return L"";
  const std::wstring folder = admin + L"journal";
  return ensureFolder(folder, true) ? folder + L"\\" : L"";
}

Journal::~Journal() {
  if (file_) CloseHandle(static_cast<HANDLE>(file_));
}

bool Journal::begin() {
  if (folder_.empty()) return false;
  discardJournal(folder_);
  const HANDLE file = CreateFileW((folder_ + kJournalName).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  file_ = file;
  return true;
}

bool Journal::recordChange(const FileEvent& change) {
  if (change.kind == FileEvent::Move && !record(change.source)) return false;
  return record(change.destination);
}

bool Journal::record(const std::wstring& path) {
  if (!file_) return false;
  if (recorded_.count(path)) return true;
  const DWORD attributes = attributesOf(path);
  bool written = false;
  if (isMissing(attributes)) {
    written = writeLine(L"absent\t" + path);
  } else if (isPlainFile(attributes)) {
    const std::wstring copy = std::to_wstring(++copies_);
    written = keepCopy(path, folder_ + copy) && writeLine(L"file\t" + path + L"\t" + copy);
  }
  if (written) recorded_.insert(path);
  return written;
}

bool Journal::writeLine(const std::wstring& line) {
  const std::string bytes = toUtf8(line + L"\n");
  DWORD written = 0;
  return WriteFile(static_cast<HANDLE>(file_), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) &&
         written == bytes.size() && FlushFileBuffers(static_cast<HANDLE>(file_));
}

void discardJournal(const std::wstring& folder) {
  if (folder.empty()) return;
  // The journal goes first: copies without it are never replayed. One that
  // stays is another run's, still open, whose copies it still needs.
  if (!DeleteFileW((folder + kJournalName).c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) return;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((folder + found.cFileName).c_str());
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

RollbackResult rollBack(const std::wstring& folder, const std::function<void(const std::wstring&)>& report) {
  RollbackResult result;
  std::string bytes;
  if (folder.empty()) return result;
  const std::wstring journal = folder + kJournalName;
  if (!readAll(journal, bytes)) {
    // A journal that is there but cannot be read (another run still
    // writes it) is no rollback done.
    if (!isMissing(attributesOf(journal))) {
      result.found = true;
      ++result.failed;
      report(L"cannot read the journal " + journal);
    }
    return result;
  }
  result.found = true;
  const std::vector<Entry> entries = parseJournal(decodeUtf8(bytes));
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    bool ok = true;
    const std::wstring line = restore(folder, *entry, ok);
    if (!line.empty()) report(line);
    if (line.empty()) continue;
    ++(ok ? result.restored : result.failed);
  }
  if (result.failed == 0) discardJournal(folder);
  return result;
}
