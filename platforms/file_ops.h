#pragma once

#include <functional>
#include <string>

#include "discovery/path_tests.h"

// Result texts of the install and uninstall operations; "" is success.
inline constexpr wchar_t kInstallFailed[] = L"安装失败";
inline constexpr wchar_t kInstallRaised[] = L"安装异常";
inline constexpr wchar_t kOperationFailed[] = L"操作失败。";
inline constexpr wchar_t kOperationRaised[] = L"操作异常";
inline constexpr wchar_t kUninstalled[] = L"卸载成功";
inline constexpr wchar_t kUninstallFailed[] = L"卸载失败";
inline constexpr wchar_t kDocsInstallFailed[] = L"Gravo 文档安装失败。";

// One file the primitives below copied or deleted, or failed to. A deletion
// has no source.
struct FileEvent {
    enum Kind { Copy, Delete } kind;
    std::wstring source;
    std::wstring destination;
    bool succeeded;
};

// Called for every copy and deletion attempted by the primitives below (not
// for a deleteIfPresent that finds nothing), after the attempt. Unset by
// default; a program that logs its file changes sets it once at start.
void setFileObserver(std::function<void(const FileEvent&)> observer);

// Copies source over destination (an existing destination is replaced).
// "" on success, "安装失败" when the copy fails, "安装异常" on an exception.
std::wstring copyPayloadFile(const std::wstring& source, const std::wstring& destination);

// Deletes path when it exists; a missing file counts as deleted (""). Else
// "操作失败。" when the deletion fails, "操作异常" on an exception.
std::wstring deleteIfPresent(const std::wstring& path);

// Deletes path without looking first; false when it could not be deleted
// (missing files included).
bool deleteFileNow(const std::wstring& path);

// First line of a text file, its bytes taken as characters, without the line
// end; "" when the file cannot be read.
std::wstring readFirstLine(const std::wstring& path);
