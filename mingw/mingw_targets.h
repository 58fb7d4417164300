#ifndef GRAVO_MINGW_MINGW_TARGETS_H
#define GRAVO_MINGW_MINGW_TARGETS_H

#include <string>

#include "platforms/records.h"

inline constexpr wchar_t kMingwIncludeFailed[] = L"安装失败_inlcude";
inline constexpr wchar_t kMingwLib32Failed[] = L"安装失败_lib32";
inline constexpr wchar_t kMingwLib64Failed[] = L"安装失败_lib64";

// The file version of a Dev-C++ executable directly in dir (511 for 5.11),
// for the Dev-C++ and other-MinGW kinds only; 0 otherwise or when none.
int devcppVersionAt(int kind, const std::wstring& dir);

// With an empty dir: start-up discovery of kind from its registered install
// location, adding exactly one entry for it (detected or undetected). With a
// chosen dir: searches it and then each ancestor up to, not including, its
// drive root, updating entry. Result codes of detectMingwAt.
int detectMingwTarget(CatalogueData& data, const std::wstring& dir, int kind, PlatformEntry* entry,
                      bool is64BitOs);

// Copies the headers and the chosen variant's libraries from setupDir()
// into target: "" on success, else the failure text of the step that failed.
std::wstring installMingw(const MingwTarget& target);
// installMingw with the payload read from payloadRoot (ends with a backslash).
std::wstring installMingwFrom(const MingwTarget& target, const std::wstring& payloadRoot);

// Removes what installMingw copies (uninstallPayloadFiles): "卸载成功" once
// all are gone, "卸载失败" at the first that cannot be removed and when none
// was there.
std::wstring uninstallMingw(const MingwTarget& target);

#endif
