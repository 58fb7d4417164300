// Programs that answer badly: a gcc that prints invalid UTF-8, binary
// bytes, megabytes, nothing, or fails; compiler and IDE executables whose
// version resource is missing or malformed; and toolchain roots whose names
// a command interpreter would take apart.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "discovery/fixtures.h"
#include "hardening/hardening_support.h"
#include "mingw/lib_variant.h"
#include "mingw/mingw_layouts.h"
#include "mingw/mingw_targets.h"
#include "mingw/toolchain_probe.h"
#include "platforms/vc_targets.h"
#include "platforms/vc_trees.h"

using hardening::readBytes;
using hardening::testDir;

namespace {

const char* const kSupportedText = "mingw-builds-8.1.0-x86_64-posix-seh.txt";

// A MinGW-w64 root whose gcc writes exactly the bytes given and exits with
// the code given.
std::wstring hostileRoot(const std::wstring& parent, const std::string& output, int exitCode = 0,
                         const std::wstring& name = L"mingw64") {
  const std::wstring root =
      mingwtest::mingwW64Root(parent, L"mingw-builds-8.1.0-x86_64-posix-seh.txt", name.c_str());
  mingwtest::copyHelper(L"hostile_gcc.exe", root + L"bin\\gcc.exe");
  mingwtest::writeFile(root + L"bin\\gcc-out.bin", output);
  mingwtest::writeFile(root + L"bin\\gcc-exit.txt", std::to_string(exitCode));
  return root;
}

std::string recorded(const char* name) {
  return readBytes(testDir() + L"data\\gcc-v\\" + std::wstring(name, name + strlen(name)));
}

// The paths of the programs the hostile gcc at root says ran it, one per run.
std::vector<std::string> gccRuns(const std::wstring& root) {
  std::vector<std::string> runs;
  std::istringstream lines(readBytes(root + L"bin\\gcc-ran.txt"));
  for (std::string path, command; std::getline(lines, path) && std::getline(lines, command);)
    runs.push_back(path);
  return runs;
}

struct Probed {
  int result;
  std::wstring statusText;
  std::wstring variant;
};

Probed probeOtherMingw(const std::wstring& root) {
  CatalogueData data;
  mingwtest::labelMingwTargets(data);
  PlatformEntry* entry = nullptr;
  Probed probed;
  probed.result = detectMingwAt(data, root, kOtherMingwKind, entry, 0);
  probed.statusText = entry ? entry->statusText : L"";
  probed.variant = data.mingwTargets[kOtherMingwKind].libVariantDir;
  return probed;
}

// A refusal names an architecture and three of the probe's own suffixes.
bool isUnsupportedVariantText(const std::wstring& text) {
  for (const wchar_t* arch : {L"x86_64", L"i686"}) {
    for (const wchar_t* thread : {L"_posix", L"_mcf"}) {
      for (const wchar_t* exception : {L"_seh", L"_sjlj", L"_dwarf", L"unkonw-ex"}) {
        for (const wchar_t* crt : {L"_ucrt", L"_msvcrt"}) {
          if (text == std::wstring(L"不支持的 ") + arch + thread + exception + crt) return true;
        }
      }
    }
  }
  return false;
}

}  // namespace

TEST(HostileTools, GccOutputThatIsNotCleanText) {
  mingwtest::ScratchDir scratch;
  const std::string good = recorded(kSupportedText);
  ASSERT_FALSE(good.empty());
  std::mt19937 random(20260925);
  std::string binary(256 * 1024, '\0');
  for (char& byte : binary) byte = static_cast<char>(random());
  const std::string invalidUtf8 =
      "\xC0\xAF\xE0\x80\xAF\xED\xA0\x80\xF8\x88\x80\x80\x80\xFF\xFE\x80\xBF\xF0\x9F";

  const struct {
    const char* name;
    std::string output;
    int exitCode;
    int result;
  } rows[] = {
      {"invalid UTF-8 around a good answer", invalidUtf8 + good + invalidUtf8, 0, kMingwFound},
      {"invalid UTF-8 inside its lines", good.substr(0, 40) + invalidUtf8 + good.substr(40), 0, kMingwFound},
      {"a good answer, then megabytes", good + std::string(3 << 20, 'x'), 0, kMingwFound},
      {"megabytes, then a good answer", std::string(3 << 20, '\n') + good, 0, kMingwRefused},
      {"binary bytes", binary, 0, kMingwRefused},
      {"nothing", "", 0, kMingwRefused},
      {"an error", "gcc.exe: fatal error: cannot execute 'cc1': CreateProcess: No such file or directory\r\n",
       1, kMingwRefused},
      {"a crash", "", static_cast<int>(0xC0000005), kMingwRefused},
  };
  int n = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::wstring root =
        hostileRoot(scratch.path() + std::to_wstring(n++) + L"\\", row.output, row.exitCode);
    const ULONGLONG start = GetTickCount64();
    const Probed probed = probeOtherMingw(root);
    EXPECT_LT(GetTickCount64() - start, 30000u);
    EXPECT_EQ(row.result, probed.result);
    if (row.result == kMingwFound) {
      EXPECT_EQ(L"lib_mingw_msvcrt", probed.variant);
    } else {
      EXPECT_TRUE(isUnsupportedVariantText(probed.statusText)) << hardening::narrow(probed.statusText);
      EXPECT_EQ(L"", probed.variant);
    }
    EXPECT_EQ(1u, gccRuns(root).size());
  }
}

TEST(HostileTools, RootsACommandInterpreterWouldTakeApartRunThatGccOnly) {
  mingwtest::ScratchDir scratch;
  // Where a split command line would find a program called calc: the
  // current directory, the parent, the root and its bin directory.
  const std::wstring cwd = scratch.path() + L"cwd\\";
  mingwtest::copyHelper(L"marker.exe", cwd + L"calc.exe");
  mingwtest::copyHelper(L"marker.exe", scratch.path() + L"calc.exe");
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(cwd.c_str()));

  const std::string good = recorded(kSupportedText);
  const struct {
    const wchar_t* name;
    bool runs;
  } rows[] = {
      {L"tool chain", true},
      {L"a&calc&b", true},
      {L"x ^&calc ^", true},
      {L"(calc)", true},
      {L"y)&calc&(z", true},
      {L"p | calc > q", true},
      {L"fullwidth ＂&calc&＂ ％PATH％ ！", true},
      {L"%PATH%&calc", false},
      {L"!PATH!&calc", false},
      {L"100% (&calc)", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(hardening::narrow(row.name));
    const std::wstring parent = scratch.path() + row.name + L"\\";
    if (!CreateDirectoryW(parent.c_str(), nullptr)) {
      // Names Windows refuses (| and >) cannot occur on a real disk.
      EXPECT_EQ(std::wstring(L"p | calc > q"), row.name);
      continue;
    }
    const std::wstring root = hostileRoot(parent, good, 0, L"mingw64 & calc");
    mingwtest::copyHelper(L"marker.exe", parent + L"calc.exe");
    mingwtest::copyHelper(L"marker.exe", root + L"calc.exe");
    mingwtest::copyHelper(L"marker.exe", root + L"bin\\calc.exe");

    const Probed probed = probeOtherMingw(root);
    const std::vector<std::string> runs = gccRuns(root);
    if (row.runs) {
      EXPECT_EQ(kMingwFound, probed.result);
      ASSERT_EQ(1u, runs.size());
      EXPECT_EQ(hardening::narrow(root + L"bin\\gcc.exe"), runs[0]);
    } else {
      // The interpreter would expand these even inside quotes, so the
      // probe runs nothing and the toolchain is refused.
      EXPECT_EQ(kMingwRefused, probed.result);
      EXPECT_TRUE(isUnsupportedVariantText(probed.statusText));
      EXPECT_TRUE(runs.empty());
    }
  }
  SetCurrentDirectoryW(previous);

  // No calc ran anywhere in the tree.
  std::vector<std::wstring> ran;
  const hardening::TreeSnapshot tree(scratch.path());
  for (const std::wstring& path : tree.paths()) {
    if (path.size() >= 14 && path.compare(path.size() - 14, 14, L"marker-ran.txt") == 0) ran.push_back(path);
  }
  EXPECT_TRUE(ran.empty()) << hardening::joined(ran);
}

namespace {

// The bytes of a version resource: the root block "VS_VERSION_INFO" whose
// value is the fixed file information, as resource compilers write it.
struct VersionBlock {
  WORD length;
  WORD valueLength;
  WORD type;
  wchar_t key[16];
  WORD padding;
  VS_FIXEDFILEINFO fixed;
};

std::string versionResource(WORD major, WORD minor) {
  VersionBlock block{};
  block.length = sizeof(block);
  block.valueLength = sizeof(VS_FIXEDFILEINFO);
  wcscpy(block.key, L"VS_VERSION_INFO");
  block.fixed.dwSignature = VS_FFI_SIGNATURE;
  block.fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
  block.fixed.dwFileVersionMS = MAKELONG(minor, major);
  block.fixed.dwProductVersionMS = MAKELONG(minor, major);
  block.fixed.dwFileOS = VOS_NT_WINDOWS32;
  block.fixed.dwFileType = VFT_APP;
  return std::string(reinterpret_cast<const char*>(&block), sizeof(block));
}

// Replaces every resource of an executable with one version resource made
// of bytes; with no bytes, it is left without any. The update is made on a
// copy that then replaces the executable: Wine goes on reading an updated
// file's old resources in the process that updated it.
bool setVersionResource(const std::wstring& exe, const std::string* bytes) {
  const std::wstring work = exe + L".update";
  if (!CopyFileW(exe.c_str(), work.c_str(), FALSE)) return false;
  const HANDLE update = BeginUpdateResourceW(work.c_str(), TRUE);
  bool ok = update != nullptr;
  if (ok && bytes) {
    ok = UpdateResourceW(update, RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO),
                         MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), const_cast<char*>(bytes->data()),
                         static_cast<DWORD>(bytes->size()));
  }
  ok = update && EndUpdateResourceW(update, !ok) && ok;
  ok = ok && DeleteFileW(exe.c_str()) && CopyFileW(work.c_str(), exe.c_str(), TRUE);
  DeleteFileW(work.c_str());
  return ok;
}

// Malformed version resources, each with the file version 19.29 written
// where a careless reader would find it.
std::vector<std::pair<std::string, std::string>> malformedVersions() {
  const std::string good = versionResource(19, 29);
  std::vector<std::pair<std::string, std::string>> rows;
  std::string unsigned_ = good;
  std::memset(&unsigned_[offsetof(VersionBlock, fixed)], 0, sizeof(DWORD));
  rows.push_back({"without the fixed information's signature", unsigned_});
  std::string shortValue = good;
  const WORD ten = 10;
  std::memcpy(&shortValue[offsetof(VersionBlock, valueLength)], &ten, sizeof(WORD));
  rows.push_back({"a fixed information too short", shortValue});
  std::string tiny = good;
  const WORD four = 4;
  std::memcpy(&tiny[offsetof(VersionBlock, length)], &four, sizeof(WORD));
  rows.push_back({"a length shorter than its header", tiny});
  rows.push_back({"cut after the key", good.substr(0, offsetof(VersionBlock, fixed) + 8)});
  rows.push_back({"one byte", std::string(1, '\x5c')});
  rows.push_back({"zeros", std::string(good.size(), '\0')});
  std::mt19937 random(7);
  std::string noise(good.size(), '\0');
  for (char& byte : noise) byte = static_cast<char>(random());
  rows.push_back({"noise", noise});
  return rows;
}

}  // namespace

TEST(HostileTools, CompilerAndIdeExecutablesWithBadVersionResources) {
  ScratchDir disk;
  // The writer itself must work, or the rows below prove nothing.
  const std::wstring control = disk.path() + L"cl.exe";
  ASSERT_TRUE(CopyFileW(fakeCl(L"12_0").c_str(), control.c_str(), FALSE));
  const std::string good = versionResource(19, 29);
  ASSERT_TRUE(setVersionResource(control, &good));
  ASSERT_EQ(2019, clVersionOf(control));

  // A root block claiming more than the resource holds, its fixed
  // information intact: read as it stands or as none, nothing else.
  std::string overlong = good;
  const WORD most = 0xFFFF;
  std::memcpy(&overlong[offsetof(VersionBlock, length)], &most, sizeof(WORD));
  ASSERT_TRUE(setVersionResource(control, &overlong));
  const int read = clVersionOf(control);
  EXPECT_TRUE(read == 0 || read == 2019) << read;

  std::vector<std::pair<std::string, std::string>> rows = malformedVersions();
  rows.push_back({"no version resource", std::string()});
  int n = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.first);
    const std::wstring dir = L"case" + std::to_wstring(n++);
    // A Visual Studio 2019 whose compiler is all that is wrong.
    const std::wstring vc = layToolsetVc(disk, dir + L"\\Community", L"14.29.30133", L"12_0");
    const std::wstring cl = vc + L"Tools\\MSVC\\14.29.30133\\bin\\Hostx86\\x86\\cl.exe";
    ASSERT_TRUE(setVersionResource(cl, row.second.empty() ? nullptr : &row.second));
    EXPECT_EQ(0, clVersionOf(cl));
    CatalogueData data;
    VcTarget target = makeVcTarget(data, 2019);
    PlatformEntry entry;
    // Counted as no compiler at all: not recognised, not another version.
    EXPECT_EQ(0, detectVcInDirectory(disk.path() + dir, entry, target, false));
    EXPECT_EQ(L"", target.baseDir);

    const std::wstring devcpp = disk.path() + dir + L"\\Dev-Cpp\\";
    CreateDirectoryW(devcpp.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW((testDir() + L"devcpp_5_11.exe").c_str(), (devcpp + L"devcpp.exe").c_str(), FALSE));
    ASSERT_TRUE(setVersionResource(devcpp + L"devcpp.exe", row.second.empty() ? nullptr : &row.second));
    EXPECT_EQ(0, devcppVersionAt(kDevCppKind, devcpp));
  }

  // A directory where the compiler should be.
  const std::wstring vc = layToolsetVc(disk, L"dir\\Community", L"14.29.30133", L"19_29");
  const std::wstring cl = vc + L"Tools\\MSVC\\14.29.30133\\bin\\Hostx86\\x86\\cl.exe";
  ASSERT_TRUE(DeleteFileW(cl.c_str()));
  ASSERT_TRUE(CreateDirectoryW(cl.c_str(), nullptr));
  EXPECT_EQ(0, clVersionOf(cl));
}
