#include "platforms/catalogue.h"

#include "discovery/path_tests.h"
#include "mingw/mingw_targets.h"
#include "platforms/addresses.h"
#include "platforms/install_ops.h"

void createTargets(CatalogueData& data) {
  struct VcRow {
    const wchar_t* label;
    int version;
    const PayloadPair* lib32Set;
    const PayloadPair* lib64Set;
  };
  const VcRow vcRows[kVcTargetCount] = {
      {L"  Visual C++ 6.0", 6, &data.vc6X86Pair, nullptr},
      {L"  Visual C++ 2008", 2008, &data.vc2008X86Pair, &data.vc2008X64Pair},
      {L"  Visual C++ 2010", 2010, &data.vc2008X86Pair, &data.vc2008X64Pair},
      {L"  Visual C++ 2012", 2012, &data.vc2008X86Pair, &data.vc2008X64Pair},
      {L"  Visual C++ 2013", 2013, &data.vc2008X86Pair, &data.vc2008X64Pair},
      {L"  Visual C++ 2015", 2015, &data.vc2015X86Pair, &data.vc2015X64Pair},
      {L"  Visual C++ 2017", 2017, &data.vc2015X86Pair, &data.vc2015X64Pair},
      {L"  Visual C++ 2019", 2019, &data.vc2015X86Pair, &data.vc2015X64Pair},
      {L"  Visual C++ 2022", 2022, &data.vc2015X86Pair, &data.vc2015X64Pair},
      {L"  Visual C++ 2026", 2026, &data.vc2015X86Pair, &data.vc2015X64Pair},
  };
  for (int i = 0; i < kVcTargetCount; ++i) {
    VcTarget& target = data.vcTargets[i];
    target = VcTarget{};
    target.label = vcRows[i].label;
    target.version = vcRows[i].version;
    target.headerSet = &data.headersPair;
    target.lib32Set = vcRows[i].lib32Set;
    target.lib64Set = vcRows[i].lib64Set;
  }
  const wchar_t* const mingwLabels[kMingwTargetCount] = {L"  DevCpp", L"  CodeBlocks", L"  CLion",
                                                         L"  VSCode", L"  其它 MinGW"};
  for (int kind = 0; kind < kMingwTargetCount; ++kind) {
    MingwTarget& target = data.mingwTargets[kind];
    target = MingwTarget{};
    target.label = mingwLabels[kind];
    target.kind = kind;
  }
}

namespace {

void addDocumentationEntry(CatalogueData& data) {
  const std::wstring desktop = desktopFolder();
  data.addEntry(data.shownEntries, L"  Gravo 文档", std::wstring(L"在线文档 ") + kDocumentationUrl,
                L"桌面路径 " + (desktop.empty() ? std::wstring(kUndetectedStatus) : desktop), kDocsEntryIndex,
                true, false);
}

// Keeps a version whose include and x86 library directories exist; a
// missing x64 library directory only drops the x64 libraries.
void detectVcTargets(CatalogueData& data, bool is64BitOs) {
  for (int i = 0; i < kVcTargetCount; ++i) {
    VcTarget& t = data.vcTargets[i];
    const auto undetected = [&] {
      t.baseDir.clear();
      t.includeSubdir.clear();
      t.lib32Subdir.clear();
      data.addEntry(data.undetectedEntries, t.label, L"", L"", i, false, false);
    };
    t.baseDir = data.registry.findVcDir(t.version, is64BitOs);
    if (t.baseDir.empty()) {
      undetected();
      continue;
    }
    t.includeSubdir = L"include\\";
    if (!pathExists(t.baseDir + t.includeSubdir)) {
      undetected();
      continue;
    }
    t.lib32Subdir = data.registry.vcLib32Subdir(t.version);
    if (!pathExists(t.baseDir + t.lib32Subdir)) {
      undetected();
      continue;
    }
    t.lib64Subdir = data.registry.vcLib64Subdir(t.version);
    if (!t.lib64Subdir.empty() && !pathExists(t.baseDir + t.lib64Subdir)) t.lib64Subdir.clear();
    std::wstring libLine = L"库文件路径 " + t.baseDir + t.lib32Subdir;
    if (!t.lib64Subdir.empty()) libLine += L" " + t.baseDir + t.lib64Subdir;
    data.addEntry(data.detectedEntries, t.label, L"头文件路径 " + t.baseDir + t.includeSubdir, libLine, i,
                  true, false);
  }
}

// The MinGW-based environments, in the order Dev-C++, CLion, Code::Blocks;
// each adds one entry, detected or undetected.
void detectMingwEnvironments(CatalogueData& data, bool is64BitOs) {
  for (const int kind : {0, 2, 1}) detectMingwTarget(data, L"", kind, nullptr, is64BitOs);
}

}  // namespace

void buildCatalogue(CatalogueData& data) {
  createTargets(data);
  addDocumentationEntry(data);
  const bool is64BitOs = data.registry.is64BitOs();
  detectVcTargets(data, is64BitOs);
  detectMingwEnvironments(data, is64BitOs);
  for (PlatformEntry* entry : data.detectedEntries) data.shownEntries.push_back(entry);
  for (PlatformEntry* entry : data.undetectedEntries) data.shownEntries.push_back(entry);
  const int otherMingw = 4;
  data.addEntry(data.shownEntries, data.mingwTargets[otherMingw].label, L"", L"", otherMingw, false, true);
}
