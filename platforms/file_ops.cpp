#include "platforms/file_ops.h"

#include <windows.h>

#include <exception>
#include <string>
#include <utility>

namespace {

std::function<void(const FileEvent&)>& fileObserver()
{
    static std::function<void(const FileEvent&)> observer;
    return observer;
}

bool tell(FileEvent::Kind kind, const std::wstring& source, const std::wstring& destination, bool succeeded)
{
    if (fileObserver())
        fileObserver()(FileEvent{kind, source, destination, succeeded});
    return succeeded;
}

}  // namespace

void setFileObserver(std::function<void(const FileEvent&)> observer)
{
    fileObserver() = std::move(observer);
}

std::wstring copyPayloadFile(const std::wstring& source, const std::wstring& destination)
{
    try {
        // Windows' copy refuses to replace a read-only or hidden file; Wine's
        // replaces it. Refusing here keeps such a file the user's own on
        // every system.
        const DWORD existing = GetFileAttributesW(destination.c_str());
        if (existing != INVALID_FILE_ATTRIBUTES && (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN))) {
            tell(FileEvent::Copy, source, destination, false);
            return kInstallFailed;
        }
        const bool copied = CopyFileW(source.c_str(), destination.c_str(), FALSE) != FALSE;
        return tell(FileEvent::Copy, source, destination, copied) ? L"" : kInstallFailed;
    } catch (const std::exception&) {
        return kInstallRaised;
    }
}

std::wstring deleteIfPresent(const std::wstring& path)
{
    try {
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW(path.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return L"";
        FindClose(search);
        return deleteFileNow(path) ? L"" : kOperationFailed;
    } catch (const std::exception&) {
        return kOperationRaised;
    }
}

bool deleteFileNow(const std::wstring& path)
{
    return tell(FileEvent::Delete, L"", path, DeleteFileW(path.c_str()) != FALSE);
}

std::wstring readFirstLine(const std::wstring& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return L"";
    // A first line longer than this is no toolset name, which is all this
    // is read for.
    char bytes[512];
    DWORD count = 0;
    const BOOL read = ReadFile(file, bytes, sizeof(bytes), &count, nullptr);
    CloseHandle(file);
    if (!read)
        return L"";
    std::wstring line;
    for (DWORD i = 0; i < count && bytes[i] != '\n' && bytes[i] != '\r'; ++i)
        line += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
    return line;
}
