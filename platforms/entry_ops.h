#ifndef GRAVO_PLATFORMS_ENTRY_OPS_H
#define GRAVO_PLATFORMS_ENTRY_OPS_H

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

// The folder chooser's effect on entry: manual detection in dir and its
// ancestors. On success the entry turns detected and the result is "";
// otherwise the text that says why not ("未检测到 VS", "版本错误，请重新选择
// 对应版本", "未检测到编译器", or the entry's status text for a refused
// MinGW). dir carries no trailing backslash except for a drive root.
std::wstring detectInChosenDirectory(CatalogueData& data, PlatformEntry& entry, const std::wstring& dir);

// The text shown after an install: "安装成功" for an empty result.
std::wstring installMessage(const std::wstring& result);

// The directories entry's operations write into: the desktop for the
// documentation entry, else the target's header and library directories;
// none while the entry is not detected.
std::vector<std::wstring> entryDirectories(const CatalogueData& data, const PlatformEntry& entry);

// Whether entry's target holds any of the library's own files (see
// holdsLibrary); false while it is not detected, and for the documentation
// entry, which holds no library.
bool entryHoldsLibrary(const CatalogueData& data, const PlatformEntry& entry);

#endif
