// Generated input for the text readers: gcc -v output, the Visual C++ 6.0
// library directory list, Uninstall display names and compiler file
// versions. Every input comes from one fixed seed, printed so that a failure
// can be replayed (GRAVO_FUZZ_SEED picks another). Each answer must be one
// the reader may give, and where a second, plainly written reading of the
// same rule exists, the two must agree.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <iostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "discovery/fixtures.h"
#include "discovery/registry_reader.h"
#include "hardening/hardening_support.h"
#include "hardening/hostile_registry.h"
#include "mingw/toolchain_probe.h"
#include "platforms/vc_targets.h"

using namespace hardening;

namespace {

unsigned fuzzSeed() {
  const char* chosen = std::getenv("GRAVO_FUZZ_SEED");
  const unsigned seed = chosen ? static_cast<unsigned>(std::strtoul(chosen, nullptr, 10)) : 20260925u;
  std::cout << "fuzz seed " << seed << " (set GRAVO_FUZZ_SEED to replay another)" << std::endl;
  return seed;
}

class Generator {
 public:
  explicit Generator(unsigned seed) : random_(seed) {}

  // While set, only ASCII characters are generated.
  bool ascii = false;

  size_t below(size_t n) { return n ? static_cast<size_t>(random_() % n) : 0; }
  bool chance(unsigned percent) { return below(100) < percent; }
  template <typename T>
  const T& pick(const std::vector<T>& from) {
    return from[below(from.size())];
  }

  // Printable ASCII, blanks, line ends and letters of other scripts that
  // have no case: the readers' patterns fold ASCII case only.
  wchar_t anyChar() {
    static const std::wstring extra = L" \t\r\n\v\f.;\\:()-_张三版本\u00a0\u3000\u0668\u00e9\ufffd\U0001f600";
    if (chance(80)) return static_cast<wchar_t>(0x20 + below(0x5f));
    const wchar_t c = extra[below(extra.size())];
    return ascii && c >= 0x80 ? L'~' : c;
  }
  std::wstring noise(size_t most) {
    std::wstring text;
    for (size_t n = below(most + 1); n > 0; --n) text += anyChar();
    return text;
  }
  // Randomly changes the letter case, drops, doubles or replaces characters.
  std::wstring mutate(std::wstring text) {
    for (size_t i = 0; i < text.size(); ++i) {
      if (chance(20) && iswalpha(text[i]) && text[i] < 0x80) text[i] = static_cast<wchar_t>(text[i] ^ 0x20);
      if (chance(2)) text[i] = anyChar();
    }
    if (chance(10) && !text.empty()) text.erase(below(text.size()), 1 + below(3));
    if (chance(10)) text.insert(below(text.size() + 1), noise(4));
    return text;
  }

 private:
  std::mt19937 random_;
};

wchar_t foldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }

// Position of needle in text at or after from, ASCII case folded; npos when absent.
size_t findFolded(const std::wstring& text, const std::wstring& needle, size_t from = 0) {
  for (size_t i = from; i + needle.size() <= text.size(); ++i) {
    size_t k = 0;
    while (k < needle.size() && foldAscii(text[i + k]) == foldAscii(needle[k])) ++k;
    if (k == needle.size()) return i;
  }
  return std::wstring::npos;
}

bool startsFolded(const std::wstring& text, size_t at, const std::wstring& prefix) {
  return at + prefix.size() <= text.size() && findFolded(text.substr(at, prefix.size()), prefix) == 0;
}

bool isBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }
bool isAsciiOnly(const std::wstring& text) {
  for (const wchar_t c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

}  // namespace

TEST(ReaderFuzz, GccOutputReadersGiveOnlyTheirOwnAnswers) {
  Generator g(fuzzSeed());
  std::vector<std::wstring> records;
  WIN32_FIND_DATAW found;
  const HANDLE listing = FindFirstFileW((testDir() + L"data\\gcc-v\\*.txt").c_str(), &found);
  ASSERT_NE(INVALID_HANDLE_VALUE, listing);
  do {
    records.push_back(decodeUtf8(readBytes(testDir() + L"data\\gcc-v\\" + found.cFileName)));
  } while (FindNextFileW(listing, &found));
  FindClose(listing);
  const std::vector<std::wstring> pieces = {L"gcc version ",
                                            L"GCC VERSION",
                                            L"gcc version\r\n",
                                            L"Thread model: ",
                                            L"thread model",
                                            L"posix",
                                            L"win32",
                                            L"mcf",
                                            L"ucrt",
                                            L"UCRT",
                                            L"msvcrt",
                                            L"seh",
                                            L"sjlj",
                                            L"dwarf",
                                            L"8.1.0",
                                            L"1.",
                                            L"..",
                                            L"0",
                                            L"\r\n",
                                            std::wstring(70, L'9'),
                                            std::wstring(70, L' '),
                                            std::wstring(70, L'.'),
                                            L"(x86_64-posix-seh-rev0)"};

  const std::set<std::wstring> threads = {L"_posix", L"_mcf"};
  const std::set<std::wstring> crts = {L"_ucrt", L"_msvcrt"};
  const std::set<std::wstring> exceptions = {L"_seh", L"_sjlj", L"_dwarf", L"unkonw-ex"};
  const ULONGLONG start = GetTickCount64();
  const int cases = 3000;
  for (int n = 0; n < cases; ++n) {
    g.ascii = g.chance(50);
    std::wstring output;
    if (g.chance(30)) output = g.mutate(g.pick(records));
    for (size_t parts = g.below(12); parts > 0; --parts)
      output.insert(g.below(output.size() + 1), g.chance(60) ? g.pick(pieces) : g.noise(40));
    if (g.chance(2)) output += std::wstring(64 * 1024 - output.size() % 1024, g.anyChar());
    SCOPED_TRACE("case " + std::to_string(n));

    const int version = parseGccVersion(output);
    const std::wstring thread = detectThreadModel(output);
    const std::wstring crt = detectCrt(output);
    const std::wstring exception = detectExceptionModel(L"", output);
    EXPECT_GE(version, 0);
    EXPECT_EQ(1u, threads.count(thread));
    EXPECT_EQ(1u, crts.count(crt));
    EXPECT_EQ(1u, exceptions.count(exception));

    // The same rules, read plainly.
    EXPECT_EQ(findFolded(output, L"ucrt") != std::wstring::npos ? L"_ucrt" : L"_msvcrt", crt);
    const wchar_t* expectedException = L"unkonw-ex";
    if (findFolded(output, L"sjlj") != std::wstring::npos) expectedException = L"_sjlj";
    else if (findFolded(output, L"seh") != std::wstring::npos) expectedException = L"_seh";
    else if (findFolded(output, L"dwarf") != std::wstring::npos) expectedException = L"_dwarf";
    EXPECT_EQ(expectedException, exception);
    if (!isAsciiOnly(output)) continue;
    // "Thread model", any one character but a line end, blanks, then
    // posix or win32.
    bool posixOrWin32 = false;
    for (size_t at = findFolded(output, L"thread model"); at != std::wstring::npos && !posixOrWin32;
         at = findFolded(output, L"thread model", at + 1)) {
      size_t i = at + 12;
      if (i >= output.size() || output[i] == L'\n' || output[i] == L'\r') continue;
      for (++i; i < output.size() && isBlank(output[i]);) ++i;
      posixOrWin32 = startsFolded(output, i, L"posix") || startsFolded(output, i, L"win32");
    }
    EXPECT_EQ(posixOrWin32 ? L"_posix" : L"_mcf", thread);
    // A version read is the digits of a run after some "gcc version".
    bool explained = version == 0;
    size_t firstRun = std::wstring::npos;
    std::wstring firstDigits;
    for (size_t at = findFolded(output, L"gcc version"); at != std::wstring::npos;
         at = findFolded(output, L"gcc version", at + 1)) {
      size_t i = at + 11;
      while (i < output.size() && isBlank(output[i])) ++i;
      std::wstring run;
      while (i < output.size() && (iswdigit(output[i]) || output[i] == L'.')) run += output[i++];
      if (run.empty()) continue;
      std::wstring digits;
      for (const wchar_t c : run) {
        if (c != L'.') digits += c;
      }
      if (firstRun == std::wstring::npos) {
        firstRun = run.size();
        firstDigits = digits;
      }
      digits.erase(0, std::min(digits.find_first_not_of(L'0'), digits.size()));
      explained = explained || (digits.empty() ? L"0" : digits) == std::to_wstring(version);
    }
    EXPECT_TRUE(explained) << version;
    if (firstRun != std::wstring::npos && firstRun < 20 && !firstDigits.empty() && firstDigits.size() < 10 &&
        output.find(std::wstring(64, L' ')) == std::wstring::npos) {
      EXPECT_EQ(std::wcstol(firstDigits.c_str(), nullptr, 10), version);
    }
  }
  EXPECT_LT(GetTickCount64() - start, 20000u);
}

TEST(ReaderFuzz, DecodingAnyBytesStopsAtTheFirstZero) {
  Generator g(fuzzSeed());
  for (int n = 0; n < 2000; ++n) {
    std::string bytes;
    for (size_t i = g.below(300); i > 0; --i)
      bytes += static_cast<char>(g.chance(50) ? g.below(256) : 0x80 + g.below(64));
    const std::wstring text = decodeUtf8(bytes);
    EXPECT_EQ(std::wstring::npos, text.find(L'\0'));
    EXPECT_LE(text.size(), bytes.size());
    if (bytes.find('\0') == std::string::npos && !bytes.empty()) {
      EXPECT_FALSE(text.empty());
    }
  }
}

TEST(ReaderFuzz, FileVersionsGiveAYearOrThemselves) {
  Generator g(fuzzSeed());
  const std::set<int> years = {0, 6, 2008, 2010, 2012, 2013, 2015, 2017, 2019, 2022, 2026};
  const std::set<int> known = {0, 12, 15, 16, 17, 18, 19};
  for (int n = 0; n < 100000; ++n) {
    // major and minor are the two 16-bit halves of a file version.
    const int major = static_cast<int>(g.chance(50) ? g.below(65536) : 10 + g.below(12));
    const int minor = static_cast<int>(g.chance(50) ? g.below(65536) : g.below(100));
    const int v = major * 100 + minor;
    const int product = fileVersionToProduct(v);
    if (known.count(v / 100)) {
      EXPECT_EQ(1u, years.count(product)) << v;
    } else {
      EXPECT_EQ(v, product);
    }
  }
  // Within 19.x the years rise with the minor version.
  int last = 0;
  for (int minor = 0; minor < 100; ++minor) {
    const int year = fileVersionToProduct(1900 + minor);
    EXPECT_GE(year, last) << minor;
    last = year;
  }
}

namespace {

// "C:\...", "\\server\...": the only locations that can name an installation.
std::wstring existingDirectory(const std::wstring& path) {
  const bool absolute = (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') ||
                        (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\');
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (!absolute || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return L"";
  return path.back() == L'\\' ? path : path + L"\\";
}

// The VC98 folder a "Library Dirs" value names: in the first ';'-separated
// part that has one, the text up to the last backslash (not its first
// character) that vc98\mfc\lib follows, at the value's end or before a ';',
// then "VC98\"; without such a part, the whole value.
std::wstring vc98Of(const std::wstring& value) {
  const std::wstring mfc = L"vc98\\mfc\\lib";
  for (size_t start = 0; start <= value.size();) {
    size_t end = value.find(L';', start);
    if (end == std::wstring::npos) end = value.size();
    for (size_t p = end; p-- > start + 1;) {
      const size_t after = p + 1 + mfc.size();
      if (value[p] == L'\\' && startsFolded(value, p + 1, mfc) &&
          (after == value.size() || value[after] == L';'))
        return value.substr(start, p - start + 1) + L"VC98\\";
    }
    start = end + 1;
  }
  return value;
}

bool hasLineEnd(const std::wstring& text) { return text.find_first_of(L"\r\n") != std::wstring::npos; }

// "Visual Studio <edition> <year>" with the year's optional suffix: for
// 2017 "(...)", for later years " (...)", the parentheses holding at least
// one character and no ')'.
bool namesVisualStudio(const std::wstring& name, int year) {
  const std::wstring prefix = L"visual studio ";
  if (!startsFolded(name, 0, prefix)) return false;
  for (const std::wstring edition : {L"community", L"professional", L"enterprise"}) {
    const std::wstring head = prefix + edition + L" " + std::to_wstring(year);
    if (!startsFolded(name, 0, head)) continue;
    const std::wstring rest = name.substr(head.size());
    const std::wstring open = year == 2017 ? L"(" : L" (";
    if (rest.empty()) return true;
    if (rest.size() < open.size() + 2 || rest.compare(0, open.size(), open) != 0 || rest.back() != L')')
      return false;
    const std::wstring inner = rest.substr(open.size(), rest.size() - open.size() - 1);
    return inner.find(L')') == std::wstring::npos;
  }
  return false;
}

}  // namespace

TEST(ReaderFuzz, LibraryDirectoryListsOfVisualCpp6) {
  Generator g(fuzzSeed());
  RegistryFixture registry;
  ScratchDir disk;
  const std::wstring a = disk.makeDirs(L"A\\VC98");
  const std::wstring b = disk.makeDirs(L"B b;\\VC98");
  const std::wstring devStudio =
      L"Software\\Microsoft\\DevStudio\\6.0\\Build System\\Components\\Platforms\\Win32 (x86)\\Directories";
  const std::vector<std::wstring> parts = {a + L"MFC\\LIB",
                                           a + L"LIB",
                                           a.substr(0, a.size() - 5) + L"vc98\\mfc\\lib",
                                           b + L"mfc\\lib",
                                           disk.path() + L"A",
                                           disk.path() + L"A\\",
                                           L"\\vc98\\mfc\\lib",
                                           L"vc98\\mfc\\lib",
                                           L"",
                                           L"\\",
                                           L"C:\\x\\vc98\\mfc\\lib\\vc98\\mfc\\lib"};
  RegistryReader reader;
  int found = 0;
  for (int n = 0; n < 150; ++n) {
    g.ascii = g.chance(50);
    std::wstring value;
    for (size_t count = 1 + g.below(4); count > 0; --count) {
      if (!value.empty() || g.chance(10)) value += L';';
      value += g.chance(70) ? (g.chance(70) ? g.pick(parts) : g.mutate(g.pick(parts))) : g.noise(60);
    }
    if (g.chance(5)) value = std::wstring(1000 + g.below(24), L'x') + value;
    value = value.substr(0, 1023);
    registry.setString(HKEY_CURRENT_USER, devStudio, L"Library Dirs", value);
    SCOPED_TRACE("case " + std::to_string(n) + ": " + narrow(value));
    const std::wstring expected = value.empty() ? L"" : existingDirectory(vc98Of(value));
    EXPECT_EQ(expected, reader.findVcDir(6, true));
    found += !expected.empty();
  }
  // The generated lists must reach installations, or they test little.
  EXPECT_GT(found, 15);
}

TEST(ReaderFuzz, UninstallDisplayNames) {
  Generator g(fuzzSeed());
  ScratchDir disk;
  const std::wstring ide = disk.makeDirs(L"IDE");
  disk.makeDirs(L"IDE\\bin");
  disk.makeDirs(L"IDE\\VC\\Auxiliary\\VS");
  BulkKeys keys(kUninstall);
  const std::vector<std::wstring> names = {L"Visual Studio Community 2019",
                                           L"Visual Studio Professional 2022 (2)",
                                           L"Visual Studio Enterprise 2017(3)",
                                           L"Visual Studio Community 2026 (Preview)",
                                           L"Visual Studio Build Tools 2019",
                                           L"Dev-C++",
                                           L"Embarcadero Dev-C++",
                                           L"CLion 2024.1",
                                           L"JetBrains CLion",
                                           L"Visual Studio Community 2017 (2)",
                                           L"Visual Studio Community 2019 ()"};
  RegistryReader reader;
  int found = 0;
  for (int n = 0; n < 150; ++n) {
    g.ascii = g.chance(50);
    std::wstring name = g.chance(80) ? g.mutate(g.pick(names)) : g.noise(80);
    if (g.chance(10)) name.insert(g.below(name.size() + 1), g.chance(50) ? L"\n" : L"\r");
    if (g.chance(5)) name += std::wstring(900, g.chance(50) ? L'x' : L')');
    name = name.substr(0, 1023);
    ASSERT_TRUE(keys.add(L"GravoFuzz", {text(L"DisplayName", name), text(L"InstallLocation", ide),
                                        text(L"UninstallString", ide + L"uninstall.exe")}));
    SCOPED_TRACE("case " + std::to_string(n) + ": " + narrow(name));
    for (const int year : {2017, 2019, 2022, 2026}) {
      const bool named = !name.empty() && namesVisualStudio(name, year);
      EXPECT_EQ(named ? ide + L"VC\\Auxiliary\\VS\\" : L"", reader.findVcDir(year, true)) << year;
      found += named;
    }
    const bool devcpp = findFolded(name, L"dev-c") != std::wstring::npos && !hasLineEnd(name);
    EXPECT_EQ(devcpp ? ide : L"", reader.findIdeDir(0, true));
    const bool clion = findFolded(name, L"clion") != std::wstring::npos && !hasLineEnd(name);
    EXPECT_EQ(clion ? ide + L"bin\\" : L"", reader.findIdeDir(2, true));
    found += devcpp + clion;
  }
  EXPECT_GT(found, 30);
}
