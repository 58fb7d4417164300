#ifndef GRAVO_PLATFORMS_VC_TARGETS_H
#define GRAVO_PLATFORMS_VC_TARGETS_H

#include <regex>
#include <string>

#include "platforms/records.h"

// Whole-name form of a toolset folder under "VC\Tools\MSVC\".
inline constexpr wchar_t kToolsetFolderPattern[] = L"^\\d+\\.\\d+\\.\\d+$";

// Recognises target's version in dir (with or without trailing backslash) or,
// when walkUp is set, in its nearest ancestor that holds a Visual C++, up to
// but not including the drive root. 0: nothing found; -1: another version
// found; otherwise the version, with target's directories and entry's lines
// filled in (then validated).
int detectVcInDirectory(const std::wstring& dir, PlatformEntry& entry, VcTarget& target, bool walkUp);

// The 2017-and-later layout under a VC folder (ending with a backslash);
// result codes as detectVcInDirectory.
int detectVsToolset(const std::wstring& vcDir, PlatformEntry& entry, VcTarget& target);

// fileVersionToProduct of an executable's file version; 0 when unreadable.
int clVersionOf(const std::wstring& path);

// v = major * 100 + minor of a cl.exe file version -> product year, 0 for 0,
// and v itself for a major that no Visual C++ carries.
int fileVersionToProduct(int v);

// Clears directories that do not exist: include, then x86, then x64.
void validateVcTarget(VcTarget& target);

// dir (ending with a backslash) + name + "\" when dir holds a directory of that
// name (ASCII case ignored), else "".
std::wstring findChildDirectory(const std::wstring& dir, const std::wstring& name);

// dir + the first listed child directory whose name the pattern finds a match
// in + "\", else "".
std::wstring findToolsetDirectory(const std::wstring& dir, const std::wregex& pattern);

// The parent of p, or p's root when p has no parent (p itself when it is empty
// or a root).
std::wstring parentOrRoot(const std::wstring& p);

// "C:\" for "C:\...", "\\server\share\" for UNC paths, "\" for "\...", "C:" for
// "C:..." and "" for other relative paths.
std::wstring rootOf(const std::wstring& p);

#endif
