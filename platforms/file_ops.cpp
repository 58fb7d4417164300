#include "platforms/file_ops.h"

#include <windows.h>

#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "platforms/link_guard.h"

namespace {

std::function<void(const FileEvent&)>& fileObserver() {
  static std::function<void(const FileEvent&)> observer;
  return observer;
}

std::function<bool(const FileEvent&)>& fileGuard() {
  static std::function<bool(const FileEvent&)> guard;
  return guard;
}

bool allowed(FileEvent::Kind kind, const std::wstring& source, const std::wstring& destination) {
  return !fileGuard() || fileGuard()(FileEvent{kind, source, destination, false});
}

bool tell(FileEvent::Kind kind, const std::wstring& source, const std::wstring& destination, bool succeeded) {
  if (fileObserver()) fileObserver()(FileEvent{kind, source, destination, succeeded});
  return succeeded;
}

// Gravo's graphics.h is a few lines; another library's header is rarely more
// than a few hundred KiB. Larger files are read as no header at all.
constexpr DWORD kLargestHeader = 1024 * 1024;

enum class ReadResult { Read, Missing, TooLarge, Unreadable };

// The whole file, up to kLargestHeader bytes.
ReadResult readHeader(const std::wstring& path, std::string& bytes) {
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadResult::Missing
                                                                          : ReadResult::Unreadable;
  }
  bytes.assign(kLargestHeader + 1, '\0');
  DWORD total = 0;
  DWORD count = 0;
  BOOL read = TRUE;
  while (total < bytes.size() &&
         (read = ReadFile(file, &bytes[total], static_cast<DWORD>(bytes.size()) - total, &count, nullptr)) &&
         count > 0)
    total += count;
  CloseHandle(file);
  bytes.resize(total);
  if (!read) return ReadResult::Unreadable;
  return total <= kLargestHeader ? ReadResult::Read : ReadResult::TooLarge;
}

bool asciiEqualFolded(char c, char lower) {
  return c == lower || (c >= 'A' && c <= 'Z' && c - 'A' + 'a' == lower);
}

// The length of word at text[at] (word in lower case, matched in any case),
// or 0.
std::size_t matchAt(const std::string& text, std::size_t at, const char* word) {
  std::size_t i = 0;
  for (; word[i] != '\0'; ++i)
    if (at + i >= text.size() || !asciiEqualFolded(text[at + i], word[i])) return 0;
  return i;
}

std::size_t skipBlanks(const std::string& text, std::size_t at) {
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  return at;
}

bool isSharedHeader(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return path.compare(slash == std::wstring::npos ? 0 : slash + 1, std::wstring::npos, kSharedHeaderName) ==
         0;
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Closes the handle, keeping the error of what was done with it.
bool closeAfter(HANDLE file, bool done) {
  const DWORD error = GetLastError();
  CloseHandle(file);
  SetLastError(error);
  return done;
}

// A rename within one folder that never replaces what stands at to. The
// file is renamed through its handle, in the folder it was found in.
bool renameInPlace(const std::wstring& from, const std::wstring& to) {
  bool created = false;
  const HANDLE file = openForChange(from, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, created);
  if (file == INVALID_HANDLE_VALUE) return false;
  const std::wstring final = finalPathOf(file);
  const size_t folderEnd = final.rfind(L'\\');
  // "\\?\C:\..." as the NT path "\??\C:\...", which every system takes here.
  if (final.compare(0, 4, L"\\\\?\\") != 0 || folderEnd == std::wstring::npos) return closeAfter(file, false);
  const std::wstring target =
      L"\\??\\" + final.substr(4, folderEnd - 3) + to.substr(to.find_last_of(L"\\/") + 1);
  const DWORD bytes = static_cast<DWORD>(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
  std::vector<BYTE> rename(bytes, 0);
  FILE_RENAME_INFO& info = *reinterpret_cast<FILE_RENAME_INFO*>(rename.data());
  info.ReplaceIfExists = FALSE;
  info.RootDirectory = nullptr;
  info.FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
  target.copy(info.FileName, target.size());
  return closeAfter(file, SetFileInformationByHandle(file, FileRenameInfo, &info, bytes) != FALSE);
}

// A rename that never replaces what stands at to.
bool moveFile(const std::wstring& from, const std::wstring& to) {
  return tell(FileEvent::Move, from, to, allowed(FileEvent::Move, from, to) && renameInPlace(from, to));
}

// Deletes the file at path itself, not what a link there leads to.
bool deleteUnlinked(const std::wstring& path) {
  bool created = false;
  const HANDLE file = openForChange(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    OPEN_EXISTING, created);
  if (file == INVALID_HANDLE_VALUE) return false;
  FILE_DISPOSITION_INFO disposition{TRUE};
  return closeAfter(file, SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                                     sizeof(disposition)) != FALSE);
}

// ownFolder: a folder of the running user's own (the desktop), where no
// other user can put a link.
Removal deleteInstalled(const std::wstring& path, bool ownFolder = false) {
  // A guard is asked only about files that are there.
  if (!exists(path) && (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND))
    return Removal::Absent;
  if (allowed(FileEvent::Delete, L"", path) &&
      (ownFolder ? DeleteFileW(path.c_str()) != FALSE : deleteUnlinked(path))) {
    tell(FileEvent::Delete, L"", path, true);
    return Removal::Removed;
  }
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return Removal::Absent;
  tell(FileEvent::Delete, L"", path, false);
  return Removal::Failed;
}

// Copies source's bytes and times over destination, which is opened
// without following a link and written only once it proved sound; a file
// this created is removed again when the copy fails.
bool copyInto(const std::wstring& source, const std::wstring& destination) {
  const HANDLE from = CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (from == INVALID_HANDLE_VALUE) return false;
  bool created = false;
  const HANDLE to = openForChange(destination, GENERIC_WRITE, 0, OPEN_ALWAYS, created);
  if (to == INVALID_HANDLE_VALUE) return closeAfter(from, false);
  // With raised rights, a file with another name may be a user's hard link
  // to a file of the system's, which the copy would overwrite.
  BY_HANDLE_FILE_INFORMATION info{};
  if (!created && holdsRaisedRights() &&
      (!GetFileInformationByHandle(to, &info) || info.nNumberOfLinks > 1)) {
    closeAfter(from, false);
    return closeAfter(to, false);
  }
  std::vector<char> chunk(64 * 1024);
  bool copied = true;
  DWORD got = 0;
  while (copied && ReadFile(from, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) && got > 0) {
    DWORD written = 0;
    copied = WriteFile(to, chunk.data(), got, &written, nullptr) && written == got;
  }
  FILETIME creation{};
  FILETIME access{};
  FILETIME write{};
  copied = copied && got == 0 && SetEndOfFile(to) && GetFileTime(from, &creation, &access, &write) &&
           SetFileTime(to, nullptr, nullptr, &write);
  if (!copied && created) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(to, FileDispositionInfo, &disposition, sizeof(disposition));
  }
  closeAfter(from, copied);
  return closeAfter(to, copied);
}

// A kept copy already stands beside destination: the file there may replace
// it only when it is the same file.
bool keptAlready(const std::wstring& destination, const std::wstring& kept) {
  std::string standing;
  std::string keptBytes;
  return readHeader(destination, standing) == ReadResult::Read &&
         readHeader(kept, keptBytes) == ReadResult::Read && standing == keptBytes;
}

}  // namespace

void setFileObserver(std::function<void(const FileEvent&)> observer) { fileObserver() = std::move(observer); }

void setFileGuard(std::function<bool(const FileEvent&)> guard) { fileGuard() = std::move(guard); }

std::wstring copyPayloadFile(const std::wstring& source, const std::wstring& destination) {
  try {
    // Windows' copy refuses to replace a read-only or hidden file; Wine's
    // replaces it. Refusing here keeps such a file the user's own on
    // every system.
    const DWORD existing = GetFileAttributesW(destination.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES &&
        (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN))) {
      tell(FileEvent::Copy, source, destination, false);
      return kInstallFailed;
    }
    const bool copied = allowed(FileEvent::Copy, source, destination) && copyInto(source, destination);
    return tell(FileEvent::Copy, source, destination, copied) ? L"" : kInstallFailed;
  } catch (const std::exception&) {
    return kInstallRaised;
  }
}

std::wstring deleteIfPresent(const std::wstring& path) {
  try {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return L"";
    FindClose(search);
    return deleteInstalled(path, true) == Removal::Failed ? kOperationFailed : L"";
  } catch (const std::exception&) {
    return kOperationRaised;
  }
}

std::wstring keptHeaderPath(const std::wstring& headerPath) { return headerPath + L".before-gravo"; }

bool includesGravoHeader(const std::string& text) {
  // Each try starts at a '#' and reads on only over blanks and fixed words,
  // none of which holds a '#', so no byte is read by more than two tries.
  for (std::size_t hash = text.find('#'); hash != std::string::npos; hash = text.find('#', hash + 1)) {
    std::size_t at = skipBlanks(text, hash + 1);
    const std::size_t include = matchAt(text, at, "include");
    if (include == 0) continue;
    at = skipBlanks(text, at + include);
    if (at >= text.size() || (text[at] != '"' && text[at] != '<')) continue;
    const std::size_t name = matchAt(text, at + 1, "gravo.h");
    if (name == 0) continue;
    at += 1 + name;
    if (at < text.size() && (text[at] == '"' || text[at] == '>')) return true;
  }
  return false;
}

HeaderKind headerKind(const std::wstring& path) {
  // A folder of that name is no header at all, nor one that cannot be read.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return HeaderKind::Foreign;
  std::string bytes;
  switch (readHeader(path, bytes)) {
    case ReadResult::Missing:
      return HeaderKind::Missing;
    case ReadResult::Unreadable:
      return HeaderKind::Unreadable;
    case ReadResult::TooLarge:
      return HeaderKind::Foreign;
    case ReadResult::Read:
      break;
  }
  return includesGravoHeader(bytes) ? HeaderKind::Gravo : HeaderKind::Foreign;
}

bool isGravoHeader(const std::wstring& path) { return headerKind(path) == HeaderKind::Gravo; }

std::wstring installPayloadFile(const std::wstring& source, const std::wstring& destination) {
  try {
    const DWORD standing = GetFileAttributesW(destination.c_str());
    // Directories and files copyPayloadFile refuses to replace stay where
    // they are anyway.
    const DWORD untouched = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    if (!isSharedHeader(destination) || standing == INVALID_FILE_ATTRIBUTES || (standing & untouched))
      return copyPayloadFile(source, destination);
    const HeaderKind kind = headerKind(destination);
    if (kind == HeaderKind::Unreadable) {
      tell(FileEvent::Copy, source, destination, false);
      return kInstallFailed;
    }
    if (kind != HeaderKind::Foreign) return copyPayloadFile(source, destination);
    const std::wstring kept = keptHeaderPath(destination);
    if (exists(kept)) {
      if (!keptAlready(destination, kept)) {
        tell(FileEvent::Copy, source, destination, false);
        return kInstallFailed;
      }
      return copyPayloadFile(source, destination);
    }
    if (!moveFile(destination, kept)) return kInstallFailed;
    const std::wstring result = copyPayloadFile(source, destination);
    if (!result.empty()) moveFile(kept, destination);
    return result;
  } catch (const std::exception&) {
    return kInstallRaised;
  }
}

Removal removePayloadFile(const std::wstring& path) {
  try {
    if (!isSharedHeader(path)) return deleteInstalled(path);
    Removal removal = Removal::Absent;
    const HeaderKind kind = headerKind(path);
    if (kind == HeaderKind::Unreadable) {
      tell(FileEvent::Delete, L"", path, false);
      return Removal::Failed;
    }
    if (kind == HeaderKind::Gravo) {
      removal = deleteInstalled(path);
      if (removal == Removal::Failed) return removal;
    }
    // Another library's graphics.h standing there now keeps its place;
    // the kept copy waits beside it.
    const std::wstring kept = keptHeaderPath(path);
    if (!exists(kept) || exists(path)) return removal;
    return moveFile(kept, path) ? Removal::Removed : Removal::Failed;
  } catch (const std::exception&) {
    return Removal::Failed;
  }
}

Removal deleteFileItself(const std::wstring& path) {
  try {
    return deleteInstalled(path);
  } catch (const std::exception&) {
    return Removal::Failed;
  }
}

std::wstring uninstallPayloadFiles(const std::vector<std::wstring>& paths) {
  bool removedAny = false;
  for (const std::wstring& path : paths) {
    const Removal removal = removePayloadFile(path);
    if (removal == Removal::Failed) return kUninstallFailed;
    removedAny = removedAny || removal == Removal::Removed;
  }
  return removedAny ? kUninstalled : kUninstallFailed;
}

std::wstring readFirstLine(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return L"";
  // A first line longer than this is no toolset name, which is all this
  // is read for.
  char bytes[512];
  DWORD count = 0;
  const BOOL read = ReadFile(file, bytes, sizeof(bytes), &count, nullptr);
  CloseHandle(file);
  if (!read) return L"";
  std::wstring line;
  for (DWORD i = 0; i < count && bytes[i] != '\n' && bytes[i] != '\r'; ++i)
    line += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
  return line;
}
