#ifndef GRAVO_PLATFORMS_FILE_OPS_H
#define GRAVO_PLATFORMS_FILE_OPS_H

#include <functional>
#include <string>
#include <vector>

#include "discovery/path_tests.h"

// Result texts of the install and uninstall operations; "" is success.
inline constexpr wchar_t kInstallFailed[] = L"安装失败";
inline constexpr wchar_t kInstallRaised[] = L"安装异常";
inline constexpr wchar_t kOperationFailed[] = L"操作失败。";
inline constexpr wchar_t kOperationRaised[] = L"操作异常";
inline constexpr wchar_t kUninstalled[] = L"卸载成功";
inline constexpr wchar_t kUninstallFailed[] = L"卸载失败";
inline constexpr wchar_t kDocsInstallFailed[] = L"Gravo 文档安装失败。";

// The payload's one file name that other libraries ship too.
inline constexpr wchar_t kSharedHeaderName[] = L"graphics.h";

// One file the primitives below copied, renamed or deleted, or failed to. A
// deletion has no source.
struct FileEvent {
  enum Kind { Copy, Delete, Move } kind;
  std::wstring source;
  std::wstring destination;
  bool succeeded;
};

// Called for every copy, rename and deletion attempted by the primitives
// below (not for a file they find already gone), after the attempt. Unset by
// default; a program that logs its file changes sets it once at start.
void setFileObserver(std::function<void(const FileEvent&)> observer);

// Asked before every copy, rename and deletion the primitives below attempt
// (succeeded is unset then). A change it refuses is not made and counts as
// failed, so a program that must be able to undo its changes refuses any it
// could not record. Unset by default: everything may go ahead.
void setFileGuard(std::function<bool(const FileEvent&)> guard);

// Copies source over destination (an existing destination is replaced).
// "" on success, "安装失败" when the copy fails, "安装异常" on an exception.
std::wstring copyPayloadFile(const std::wstring& source, const std::wstring& destination);

// Deletes path when it exists; a missing file counts as deleted (""). Else
// "操作失败。" when the deletion fails, "操作异常" on an exception.
std::wstring deleteIfPresent(const std::wstring& path);

// Where an install keeps another library's graphics.h: beside it, as
// "graphics.h.before-gravo".
std::wstring keptHeaderPath(const std::wstring& headerPath);

// What stands at a graphics.h path. Gravo's own includes gravo.h; a file
// that is there but cannot be read (held open by another program, access
// denied) is Unreadable, neither Gravo's nor another library's. Files
// larger than any header, and folders, count as Foreign.
enum class HeaderKind { Missing, Gravo, Foreign, Unreadable };
HeaderKind headerKind(const std::wstring& path);

// True when text holds an include of gravo.h ("#include <gravo.h>",
// "# include \"Gravo.h\"", blanks being spaces and tabs), found in one pass
// over text with constant stack, whatever text holds.
bool includesGravoHeader(const std::string& text);

// headerKind(path) == HeaderKind::Gravo.
bool isGravoHeader(const std::wstring& path);

// copyPayloadFile for the install operations. A graphics.h that is not
// Gravo's is first renamed to keptHeaderPath, and renamed back when the copy
// fails. An earlier kept copy is never replaced: when it differs from the
// file standing there, that file is left as it is and the result is
// "安装失败". So is a graphics.h that cannot be read.
std::wstring installPayloadFile(const std::wstring& source, const std::wstring& destination);

// What an uninstall did with one installed file.
enum class Removal { Absent, Removed, Failed };

// Deletes one installed file; a file already gone is Absent. graphics.h is
// deleted only when it is Gravo's (another library's counts as Absent, one
// that cannot be read as Failed), and then, or when it is gone already, a
// kept copy is renamed back (Removed). A kept copy beside another library's
// graphics.h stays where it is.
Removal removePayloadFile(const std::wstring& path);

// Deletes the file at path itself, without the header rules of
// removePayloadFile: never what a link there leads to, and with raised
// rights never through a link on the way that a user could have made.
Removal deleteFileItself(const std::wstring& path);

// removePayloadFile on each path in order: "卸载成功" when at least one was
// there and all are gone; "卸载失败" at the first that cannot be removed (the
// rest are left alone), and when none was there.
std::wstring uninstallPayloadFiles(const std::vector<std::wstring>& paths);

// First line of a text file, its bytes taken as characters, without the line
// end; "" when the file cannot be read.
std::wstring readFirstLine(const std::wstring& path);

#endif
