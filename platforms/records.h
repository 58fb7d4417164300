#ifndef GRAVO_PLATFORMS_RECORDS_H
#define GRAVO_PLATFORMS_RECORDS_H

#include <array>
#include <list>
#include <string>
#include <vector>

#include "discovery/registry_reader.h"
#include "platforms/payload.h"

constexpr int kVcTargetCount = 10;
constexpr int kMingwTargetCount = 5;
// PlatformEntry::index of the documentation entry.
constexpr int kDocsEntryIndex = -1;

inline constexpr wchar_t kUndetectedStatus[] = L"（未检测到）";

// One Visual C++ version. The directory fields end with a backslash; the three
// sub-directories are relative to baseDir, which is empty while the version is
// not found.
struct VcTarget {
  std::wstring label;
  int version = 0;  // product year; 6 stands for 6.0
  std::wstring baseDir;
  std::wstring includeSubdir;
  std::wstring lib32Subdir;
  std::wstring lib64Subdir;
  const PayloadPair* headerSet = nullptr;
  const PayloadPair* lib32Set = nullptr;
  const PayloadPair* lib64Set = nullptr;  // null for 6.0
};

// One MinGW-based environment; kind equals its index in mingwTargets:
// 0 Dev-C++, 1 Code::Blocks, 2 CLion, 3 VS Code, 4 other MinGW.
struct MingwTarget {
  std::wstring label;
  int kind = 0;
  std::wstring baseDir;
  std::wstring includeSubdir = L"include\\";
  std::wstring lib32Subdir;
  std::wstring lib64Subdir;
  std::wstring libVariantDir;
};

// One row of the platform list. index selects a vcTargets record (isMingw
// false) or a mingwTargets record (isMingw true); kDocsEntryIndex is the
// documentation entry.
struct PlatformEntry {
  int index = 0;
  std::wstring label;
  std::wstring includeLine;
  std::wstring libLine;
  std::wstring statusText = kUndetectedStatus;
  bool detected = false;
  bool isMingw = false;
};

// The catalogue data the platform page owns for the whole run. Entries and
// targets are referred to by address and index, so the object never moves.
struct CatalogueData {
  CatalogueData() = default;
  CatalogueData(const CatalogueData&) = delete;
  CatalogueData& operator=(const CatalogueData&) = delete;

  // Creates an entry owned by the catalogue (statusText "（未检测到）") and
  // appends it to list, one of the three entry lists.
  PlatformEntry& addEntry(std::vector<PlatformEntry*>& list, const std::wstring& label,
                          const std::wstring& includeLine, const std::wstring& libLine, int index,
                          bool detected, bool isMingw);

  std::vector<PlatformEntry*> shownEntries;
  std::vector<PlatformEntry*> detectedEntries;
  std::vector<PlatformEntry*> undetectedEntries;
  std::array<VcTarget, kVcTargetCount> vcTargets;
  std::array<MingwTarget, kMingwTargetCount> mingwTargets;
  RegistryReader registry;
  const PayloadPair headersPair{0, 1};
  const PayloadPair vc6X86Pair{2, 3};
  const PayloadPair vc2008X86Pair{4, 5};
  const PayloadPair vc2015X86Pair{8, 9};
  const PayloadPair vc2008X64Pair{6, 7};
  const PayloadPair vc2015X64Pair{10, 11};

  // Owner of every entry; a list keeps each entry at one address.
  std::list<PlatformEntry> entries;
};

#endif
