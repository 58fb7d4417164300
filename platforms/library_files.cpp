#include "platforms/library_files.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

#include "discovery/path_tests.h"

std::vector<std::wstring> libraryFiles(const VcTarget& target)
{
    std::vector<std::wstring> files;
    if (target.baseDir.empty())
        return files;
    const auto add = [&](const PayloadPair* pair, const std::wstring& subdir) {
        if (!pair || subdir.empty())
            return;
        for (const std::int32_t index : {pair->first, pair->second})
            files.push_back(target.baseDir + subdir + payloadTable()[static_cast<size_t>(index)].fileName);
    };
    add(target.headerSet, target.includeSubdir);
    add(target.lib32Set, target.lib32Subdir);
    add(target.lib64Set, target.lib64Subdir);
    return files;
}

std::vector<std::wstring> libraryFiles(const MingwTarget& target)
{
    std::vector<std::wstring> files;
    if (target.baseDir.empty())
        return files;
    for (const wchar_t* name : {L"gravo.h", L"graphics.h"})
        files.push_back(target.baseDir + target.includeSubdir + name);
    for (const std::wstring* subdir : {&target.lib32Subdir, &target.lib64Subdir}) {
        if (subdir->empty())
            continue;
        for (const wchar_t* name : {L"libgravo.a", L"libgravow.a"})
            files.push_back(target.baseDir + *subdir + name);
    }
    return files;
}

bool isGravoGraphicsHeader(const std::wstring& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    // A wrapper header names what it includes near its top; reading no more
    // keeps a huge or endless file from stalling the run.
    std::string text(64 * 1024, '\0');
    DWORD count = 0;
    const BOOL read = ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &count, nullptr);
    CloseHandle(file);
    if (!read)
        return false;
    text.resize(count);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    return text.find("gravo.h") != std::string::npos;
}

bool holdsLibrary(const std::vector<std::wstring>& files)
{
    return std::any_of(files.begin(), files.end(), [](const std::wstring& path) {
        static const std::wstring graphicsHeader = L"\\graphics.h";
        if (path.size() > graphicsHeader.size()
            && path.compare(path.size() - graphicsHeader.size(), graphicsHeader.size(), graphicsHeader) == 0)
            return isGravoGraphicsHeader(path);
        return pathExists(path) && !isDirectory(path);
    });
}
