// Reading gcc -v texts as real MinGW distributions print them, and the
// runtime DLLs of a real bin directory.
#include "mingw/mingw_test_support.h"
#include "mingw/toolchain_probe.h"

#include <gtest/gtest.h>

using namespace mingwtest;

namespace {

std::wstring recorded(const std::wstring& name) { return decodeUtf8(readFile(gccRecord(name))); }

struct RecordedOutput {
  const wchar_t* file;
  int version;
  const wchar_t* threadModel;
  const wchar_t* crt;
  const wchar_t* exceptionFromText;
};

}  // namespace

TEST(ProbeOutput, RecordedDistributions) {
  const RecordedOutput cases[] = {
      {L"debian-x86_64-w64-mingw32-gcc-posix.txt", 12, L"_posix", L"_msvcrt", L"unkonw-ex"},
      {L"debian-x86_64-w64-mingw32-gcc-win32.txt", 12, L"_posix", L"_msvcrt", L"unkonw-ex"},
      {L"debian-i686-w64-mingw32-gcc-posix.txt", 12, L"_posix", L"_msvcrt", L"_sjlj"},
      {L"debian-i686-w64-mingw32-gcc-win32.txt", 12, L"_posix", L"_msvcrt", L"_sjlj"},
      {L"tdm64-4.9.2.txt", 492, L"_posix", L"_msvcrt", L"unkonw-ex"},
      {L"mingw-builds-8.1.0-x86_64-posix-seh.txt", 810, L"_posix", L"_msvcrt", L"_seh"},
      {L"mingw-builds-8.1.0-i686-posix-dwarf.txt", 810, L"_posix", L"_msvcrt", L"_sjlj"},
      {L"mingw-builds-8.1.0-i686-win32-sjlj.txt", 810, L"_posix", L"_msvcrt", L"_sjlj"},
      {L"mingw-builds-10.3.0-x86_64-posix-seh-ucrt.txt", 1030, L"_posix", L"_ucrt", L"_seh"},
      {L"msys2-ucrt64-12.2.0.txt", 1220, L"_posix", L"_ucrt", L"unkonw-ex"},
      {L"winlibs-13.2.0-x86_64-ucrt-mcf-seh.txt", 1320, L"_mcf", L"_ucrt", L"_sjlj"},
      {L"mingw-org-6.3.0.txt", 630, L"_posix", L"_msvcrt", L"_sjlj"},
      {L"clion-mingw-13.1.0.txt", 1310, L"_posix", L"_msvcrt", L"_seh"},
  };
  for (const RecordedOutput& c : cases) {
    SCOPED_TRACE(std::string(c.file, c.file + wcslen(c.file)));
    const std::wstring output = recorded(c.file);
    ASSERT_FALSE(output.empty());
    EXPECT_EQ(parseGccVersion(output), c.version);
    EXPECT_EQ(detectThreadModel(output), c.threadModel);
    EXPECT_EQ(detectCrt(output), c.crt);
    EXPECT_EQ(detectExceptionModel(L"", output), c.exceptionFromText);
  }
}

TEST(ProbeOutput, UnreadableVersionsFallBelowEverySupportedOne) {
  EXPECT_EQ(parseGccVersion(L""), kUnreadableGccVersion);
  EXPECT_EQ(parseGccVersion(L"'gcc' is not recognized as an internal or external command"),
            kUnreadableGccVersion);
  EXPECT_EQ(parseGccVersion(L"gcc version ... (odd build)"), kUnreadableGccVersion);
  EXPECT_EQ(parseGccVersion(L"gcc version 2147483647"), 2147483647);
  EXPECT_EQ(parseGccVersion(L"gcc version 2147483648"), kUnreadableGccVersion);
  EXPECT_EQ(parseGccVersion(L"gcc version 99999999999999999999999.1.0"), kUnreadableGccVersion);
  // Arabic-Indic digits are digits to some regex traits, never to the version.
  EXPECT_EQ(parseGccVersion(L"gcc version \u0668.\u0661"), kUnreadableGccVersion);
  EXPECT_LT(kUnreadableGccVersion, 810);
}

TEST(ProbeOutput, PatternsAreCaseInsensitiveSearches) {
  EXPECT_EQ(parseGccVersion(L"GCC VERSION 9.2.0 (tdm-1)"), 920);
  EXPECT_EQ(parseGccVersion(L"gcc version\r\n4.9.2 (tdm-1)"), 492);
  EXPECT_EQ(detectCrt(L"--with-default-msvcrt=UCRT"), L"_ucrt");
  EXPECT_EQ(detectThreadModel(L"thread model: WIN32"), L"_posix");
  EXPECT_EQ(detectThreadModel(L"Thread model: single"), L"_mcf");
  EXPECT_EQ(detectExceptionModel(L"", L"i686-posix-DWARF-rev0"), L"_dwarf");
}

TEST(ProbeOutput, LongRunsInOutputAreReadWithoutHarm) {
  // The longest text the capture keeps, made of the runs the patterns repeat over.
  const std::size_t longest = 64 * 1024;
  EXPECT_EQ(parseGccVersion(L"gcc version " + std::wstring(longest, L'1')), kUnreadableGccVersion);
  EXPECT_EQ(parseGccVersion(L"gcc version" + std::wstring(longest, L' ')), kUnreadableGccVersion);
  EXPECT_EQ(detectThreadModel(L"Thread model:" + std::wstring(longest, L'\n')), L"_mcf");
}

TEST(ProbeOutput, RuntimeDllsInBinDecideBeforeTheText) {
  ScratchDir scratch;
  const std::wstring bin = scratch.path() + L"bin\\";
  makeDirs(bin);
  const std::wstring sjljText = recorded(L"mingw-builds-8.1.0-i686-posix-dwarf.txt");

  EXPECT_EQ(detectExceptionModel(bin, L"no keywords"), L"unkonw-ex");
  writeFile(bin + L"libgcc_s_dw2-1.dll", "MZ");
  EXPECT_EQ(detectExceptionModel(bin, sjljText), L"_dwarf");
  writeFile(bin + L"libgcc_s_sjlj-1.dll", "MZ");
  EXPECT_EQ(detectExceptionModel(bin, L""), L"_sjlj");
  // TDM names its SEH runtime with the bitness in the middle.
  writeFile(bin + L"LIBGCC_S_SEH_64-1.DLL", "MZ");
  EXPECT_EQ(detectExceptionModel(bin, sjljText), L"_seh");
}

TEST(ProbeOutput, FindEntryMatchingTakesFilesAndDirectories) {
  ScratchDir scratch;
  const std::wstring dir = scratch.path() + L"Dev-Cpp";
  makeDirs(dir + L"\\MinGW64");
  writeFile(dir + L"\\DevCpp.exe", "MZ");

  EXPECT_EQ(findEntryMatching(dir, L"^.*?devcpp.*?\\.exe$"), dir + L"\\DevCpp.exe");
  EXPECT_EQ(findEntryMatching(dir + L"\\", L"^mingw64$"), dir + L"\\MinGW64");
  EXPECT_EQ(findEntryMatching(dir, L"^devcpp$"), L"");
  EXPECT_EQ(findEntryMatching(L"", L".*"), L"");
  EXPECT_EQ(findEntryMatching(scratch.path() + L"missing", L".*"), L"");
  // Only the directory itself is listed, never "." or "..".
  EXPECT_EQ(findEntryMatching(dir + L"\\MinGW64", L"^\\.*$"), L"");
}

TEST(ProbeOutput, DecodesUtf8UpToTheFirstZeroByte) {
  EXPECT_EQ(decodeUtf8(u8"gcc 版本 8.1.0"), L"gcc 版本 8.1.0");
  EXPECT_EQ(decodeUtf8(std::string("gcc\0hidden", 10)), L"gcc");
  EXPECT_EQ(decodeUtf8(std::string()), L"");
  EXPECT_EQ(decodeUtf8("gcc version 8.1.0 \xff\xfe").substr(0, 17), L"gcc version 8.1.0");
}
