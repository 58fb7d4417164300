#ifndef GRAVO_MINGW_LIB_VARIANT_H
#define GRAVO_MINGW_LIB_VARIANT_H

#include <string>

#include "platforms/records.h"

// MingwTarget::kind values (each equals the target's index).
constexpr int kDevCppKind = 0;
constexpr int kCodeBlocksKind = 1;
constexpr int kClionKind = 2;
constexpr int kVsCodeKind = 3;
constexpr int kOtherMingwKind = 4;

// Result codes of detectMingwAt and detectMingwTarget.
constexpr int kMingwFound = 1;     // a payload folder was chosen
constexpr int kMingwRefused = -1;  // a toolchain was found but is refused; the entry says why
constexpr int kMingwNotFound = 0;  // nothing found, nothing run, nothing changed

inline constexpr wchar_t kDevCppTooOld[] = L"（DevCPP 不再支持低于 5.11 的版本）";

// Looks for a MinGW toolchain in dir, points data.mingwTargets[kind] at it,
// fills in the entry's two lines (creating the entry in detectedEntries when
// entry is null, and pointing entry at it), then runs its gcc and chooses
// the payload folder. devcppVersion is 0 when no Dev-C++ is known.
int detectMingwAt(CatalogueData& data, std::wstring dir, int kind, PlatformEntry*& entry, int devcppVersion);

// Clears each sub-directory of target (include, then x64, then x86) that does
// not exist under dir.
void validateMingwTarget(const std::wstring& dir, MingwTarget& target);

// Chooses target's libVariantDir for the compiler (kMingwFound) or refuses
// it with the reason in entry's statusText (kMingwRefused).
int selectLibVariant(PlatformEntry& entry, MingwTarget& target, int bits, const std::wstring& exceptionModel,
                     const std::wstring& crt, const std::wstring& threadModel, int devcppVersion,
                     int gccVersion);

#endif
