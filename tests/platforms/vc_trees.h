#ifndef GRAVO_TESTS_PLATFORMS_VC_TREES_H
#define GRAVO_TESTS_PLATFORMS_VC_TREES_H

// Visual C++ installations laid out in a scratch directory the way each
// product's installer leaves them, with compiler drivers that carry real
// version resources.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "discovery/fixtures.h"
#include "platforms/payload.h"
#include "platforms/records.h"

// A built compiler driver, e.g. fakeCl(L"19_29") for file version 19.29.
inline std::wstring fakeCl(const std::wstring& version) {
  return setupDir() + L"fake_cl\\cl_" + version + L".exe";
}

inline void placeCl(const std::wstring& version, const std::wstring& destination) {
  EXPECT_TRUE(CopyFileW(fakeCl(version).c_str(), destination.c_str(), FALSE))
      << "no fake cl " << std::string(version.begin(), version.end());
}

// root\VC98\ of Visual C++ 6.0; returns the VC98 folder.
inline std::wstring layVc6(const ScratchDir& disk, const std::wstring& root, const std::wstring& clVersion) {
  const std::wstring vc98 = disk.makeDirs(root + L"\\VC98");
  disk.makeDirs(root + L"\\VC98\\bin");
  disk.makeDirs(root + L"\\VC98\\include");
  disk.makeDirs(root + L"\\VC98\\Lib");
  disk.makeDirs(root + L"\\VC98\\MFC\\Lib");
  placeCl(clVersion, vc98 + L"bin\\cl.exe");
  return vc98;
}

// root\VC\ of Visual C++ 2008 to 2015 (bin\cl.exe, include\, lib\ and, when
// withAmd64, lib\amd64\); returns the VC folder.
inline std::wstring layVcFolder(const ScratchDir& disk, const std::wstring& root,
                                const std::wstring& clVersion, bool withAmd64 = true) {
  const std::wstring vc = disk.makeDirs(root + L"\\VC");
  disk.makeDirs(root + L"\\VC\\bin");
  disk.makeDirs(root + L"\\VC\\include");
  disk.makeDirs(withAmd64 ? root + L"\\VC\\lib\\amd64" : root + L"\\VC\\lib");
  placeCl(clVersion, vc + L"bin\\cl.exe");
  return vc;
}

// edition\VC\ of Visual Studio 2017 and later: one toolset under
// Tools\MSVC\, the default toolset file and the Auxiliary\VS\ folder the
// library goes to. Returns the VC folder.
inline std::wstring layToolsetVc(const ScratchDir& disk, const std::wstring& edition,
                                 const std::wstring& toolset, const std::wstring& clVersion) {
  const std::wstring vc = disk.makeDirs(edition + L"\\VC");
  const std::wstring tools = L"\\VC\\Tools\\MSVC\\" + toolset;
  disk.makeDirs(edition + tools + L"\\bin\\Hostx86\\x86");
  disk.makeDirs(edition + tools + L"\\include");
  disk.makeDirs(edition + tools + L"\\lib\\x86");
  disk.makeDirs(edition + tools + L"\\lib\\x64");
  placeCl(clVersion, disk.path() + edition + tools + L"\\bin\\Hostx86\\x86\\cl.exe");
  std::string name(toolset.begin(), toolset.end());
  disk.writeFile(edition + L"\\VC\\Auxiliary\\Build\\Microsoft.VCToolsVersion.default.txt", name + "\r\n");
  disk.makeDirs(edition + L"\\VC\\Auxiliary\\VS\\include");
  disk.makeDirs(edition + L"\\VC\\Auxiliary\\VS\\lib\\x86");
  disk.makeDirs(edition + L"\\VC\\Auxiliary\\VS\\lib\\x64");
  return vc;
}

// The payload beside an executable: every file holds its own source path,
// so a test can tell which one reached a target.
inline std::wstring layPayload(const ScratchDir& disk, const std::wstring& root) {
  for (const PayloadFile& file : payloadTable()) {
    const std::wstring relative = file.sourceSubdir + file.fileName;
    const std::string tag(relative.begin(), relative.end());
    disk.writeFile(root + L"\\" + relative, file.fileName == L"graphics.h" ? gravoHeaderText(tag) : tag);
  }
  return disk.path() + root + L"\\";
}

// A target of the given year with the payload pairs the catalogue gives it
// and no directories yet.
inline VcTarget makeVcTarget(const CatalogueData& data, int version) {
  VcTarget target;
  target.label = L"  Visual C++ " + std::to_wstring(version);
  target.version = version;
  target.headerSet = &data.headersPair;
  if (version == 6) {
    target.lib32Set = &data.vc6X86Pair;
  } else if (version <= 2013) {
    target.lib32Set = &data.vc2008X86Pair;
    target.lib64Set = &data.vc2008X64Pair;
  } else {
    target.lib32Set = &data.vc2015X86Pair;
    target.lib64Set = &data.vc2015X64Pair;
  }
  return target;
}

#endif
