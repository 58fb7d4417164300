#ifndef GRAVO_TESTS_MINGW_MINGW_LAYOUTS_H
#define GRAVO_TESTS_MINGW_MINGW_LAYOUTS_H

// Directory trees as the real products leave them, each with the stand-in
// gcc answering like the compiler that product ships. Every builder takes a
// directory ending with a backslash and returns the product's directory.
#include "mingw/mingw_test_support.h"
#include "platforms/records.h"

#include <string>

namespace mingwtest {

inline void makeDirsUnder(const std::wstring& base, std::initializer_list<const wchar_t*> dirs) {
  for (const wchar_t* dir : dirs) makeDirs(base + dir);
}

// Dev-C++ 5.11 (or 4.9.9.2): devcpp.exe carrying that file version, and the
// bundled TDM-GCC 4.9.2 in MinGW64 with a multilib x86_64 target directory.
inline std::wstring devCppLayout(const std::wstring& parent, bool version511 = true) {
  const std::wstring dir = parent + L"Dev-Cpp\\";
  copyHelper(version511 ? L"devcpp_5_11.exe" : L"devcpp_4_9.exe", dir + L"devcpp.exe");
  const std::wstring mingw = dir + L"MinGW64\\";
  installFakeGcc(mingw, L"tdm64-4.9.2.txt");
  writeFile(mingw + L"bin\\libgcc_s_seh_64-1.dll", "MZ");
  makeDirsUnder(mingw, {L"include", L"lib", L"x86_64-w64-mingw32\\include", L"x86_64-w64-mingw32\\lib",
                        L"x86_64-w64-mingw32\\lib32"});
  return dir;
}

// Code::Blocks 20.03 with its bundled MinGW-W64 8.1.0 (x86_64, POSIX threads,
// SEH); multilib adds the lib32 directory.
inline std::wstring codeBlocksLayout(const std::wstring& parent, bool multilib = false) {
  const std::wstring dir = parent + L"CodeBlocks\\";
  writeFile(dir + L"codeblocks.exe", "MZ");
  const std::wstring mingw = dir + L"MinGW\\";
  installFakeGcc(mingw, L"mingw-builds-8.1.0-x86_64-posix-seh.txt");
  writeFile(mingw + L"bin\\libgcc_s_seh-1.dll", "MZ");
  makeDirsUnder(mingw, {L"include", L"lib", L"x86_64-w64-mingw32\\include", L"x86_64-w64-mingw32\\lib"});
  if (multilib) makeDirs(mingw + L"x86_64-w64-mingw32\\lib32");
  return dir;
}

// CLion with its toolchain in bin\mingw; returns the bin directory, which is
// what the registry lookup yields for CLion.
inline std::wstring clionLayout(const std::wstring& parent) {
  const std::wstring bin = parent + L"CLion 2023.2\\bin\\";
  writeFile(bin + L"clion64.exe", "MZ");
  const std::wstring mingw = bin + L"mingw\\";
  installFakeGcc(mingw, L"clion-mingw-13.1.0.txt");
  makeDirsUnder(mingw, {L"include", L"lib", L"x86_64-w64-mingw32\\include", L"x86_64-w64-mingw32\\lib"});
  return bin;
}

// A bare MinGW-w64 root such as D:\tools\mingw64, answering with record.
inline std::wstring mingwW64Root(const std::wstring& parent, const std::wstring& record,
                                 const wchar_t* name = L"mingw64") {
  const std::wstring root = parent + name + L"\\";
  installFakeGcc(root, record);
  writeFile(root + L"bin\\libgcc_s_seh-1.dll", "MZ");
  makeDirsUnder(root, {L"include", L"lib", L"x86_64-w64-mingw32\\include", L"x86_64-w64-mingw32\\lib"});
  return root;
}

// A 32-bit MinGW-w64 root (i686, DWARF), with the lib directory only.
inline std::wstring i686Root(const std::wstring& parent) {
  const std::wstring root = parent + L"mingw32\\";
  installFakeGcc(root, L"mingw-builds-8.1.0-i686-posix-dwarf.txt");
  writeFile(root + L"bin\\libgcc_s_dw2-1.dll", "MZ");
  makeDirsUnder(root, {L"include", L"lib", L"i686-w64-mingw32\\include", L"i686-w64-mingw32\\lib"});
  return root;
}

// The old C:\MinGW of MinGW.org (gcc 6.3.0): headers and libraries in the
// root; mingw32 holds bin and lib, and include only in some releases.
inline std::wstring oldMingwLayout(const std::wstring& parent, bool withMingw32Include) {
  const std::wstring root = parent + L"MinGW\\";
  installFakeGcc(root, L"mingw-org-6.3.0.txt");
  writeFile(root + L"bin\\libgcc_s_dw2-1.dll", "MZ");
  makeDirsUnder(root, {L"include", L"lib", L"mingw32\\bin", L"mingw32\\lib"});
  if (withMingw32Include) makeDirs(root + L"mingw32\\include");
  return root;
}

// Labels and kinds of the five MinGW targets, as the catalogue creates them.
inline void labelMingwTargets(CatalogueData& data) {
  const wchar_t* const labels[] = {L"  DevCpp", L"  CodeBlocks", L"  CLion", L"  VSCode", L"  其它 MinGW"};
  for (int kind = 0; kind < kMingwTargetCount; ++kind) {
    data.mingwTargets[static_cast<std::size_t>(kind)].label = labels[kind];
    data.mingwTargets[static_cast<std::size_t>(kind)].kind = kind;
  }
}

}  // namespace mingwtest

#endif
