#pragma once

#include <string>
#include <vector>

#include "platforms/records.h"

// Texts of a row's outcome that the operations themselves do not give.
inline constexpr wchar_t kInstalledMessage[] = L"安装成功";
inline constexpr wchar_t kVcNotFoundMessage[] = L"未检测到 VS";
inline constexpr wchar_t kVcWrongVersionMessage[] = L"版本错误，请重新选择对应版本";
inline constexpr wchar_t kCompilerNotFoundMessage[] = L"未检测到编译器";

// The operations behind one row, chosen by its entry: the documentation entry
// (index -1) before anything else, then Visual C++ or MinGW by isMingw.
// Install gives "" on success or the text to show; uninstall always gives the
// text to show ("卸载成功" on success).
std::wstring installEntry(const CatalogueData& data, const PlatformEntry& entry);
std::wstring uninstallEntry(const CatalogueData& data, const PlatformEntry& entry);

// Manual detection of entry's environment in dir (and its ancestors), as
// the folder chooser does it: 0 when nothing is found, -1 when what is found
// is refused, otherwise found. dir carries no trailing backslash except for
// a drive root.
int detectEntryIn(CatalogueData& data, PlatformEntry& entry, const std::wstring& dir);

// The text shown after an install: "安装成功" for an empty result.
std::wstring installMessage(const std::wstring& result);

// The text shown after a manual detection that found nothing (0) or was
// refused (-1); "" for any other result, which is a success.
std::wstring chosenDirectoryMessage(const PlatformEntry& entry, int result);

// The directories entry's operations write into: the desktop for the
// documentation entry, else the target's header and library directories;
// none while the entry is not detected.
std::vector<std::wstring> entryDirectories(const CatalogueData& data, const PlatformEntry& entry);
