#include "mingw/toolchain_probe.h"

#include "discovery/text_match.h"
#include "mingw/run_captured.h"

#include <windows.h>

#include <climits>
#include <cstring>
#include <cwctype>
#include <regex>

namespace {

// std::regex repeats a quantified sub-pattern by recursion, one level per
// character, so a long run of digits or blanks in a program's output would
// exhaust the stack. The readers whose patterns repeat over digits or blanks
// see such runs cut to this length, far beyond anything gcc prints.
constexpr std::size_t kRunLimit = 64;

std::wstring boundRuns(const std::wstring& text) {
  std::wstring bounded;
  bounded.reserve(text.size());
  std::size_t digits = 0;
  std::size_t blanks = 0;
  for (const wchar_t c : text) {
    digits = (std::iswdigit(c) || c == L'.') ? digits + 1 : 0;
    blanks = std::iswspace(c) ? blanks + 1 : 0;
    if (digits <= kRunLimit && blanks <= kRunLimit) bounded += c;
  }
  return bounded;
}

bool endsWithBackslash(const std::wstring& path) { return !path.empty() && path.back() == L'\\'; }

// cmd.exe expands %name% inside quotes, and !name! too when delayed expansion
// is switched on in the registry; a quote or a control character would end
// the quoted name. A relative root would name a program below whatever the
// current directory happens to be.
bool safeForCommandLine(const std::wstring& rootDir) {
  const bool driveAbsolute = rootDir.size() >= 3 && rootDir[1] == L':' && rootDir[2] == L'\\';
  const bool uncAbsolute = rootDir.compare(0, 2, L"\\\\") == 0;
  if (!driveAbsolute && !uncAbsolute) return false;
  for (const wchar_t c : rootDir) {
    if (c == L'%' || c == L'!' || c == L'"' || c < 0x20) return false;
  }
  return true;
}

bool containsPattern(const std::wstring& subject, const wchar_t* pattern) {
  return patternFinds(makePattern(pattern), subject);
}

}  // namespace

std::wstring findEntryMatching(std::wstring dir, const std::wstring& pattern) {
  if (dir.empty()) return std::wstring();
  if (!endsWithBackslash(dir)) dir += L'\\';
  const std::wregex re = makePattern(pattern);
  WIN32_FIND_DATAW found;
  const HANDLE listing = FindFirstFileW((dir + L"*").c_str(), &found);
  if (listing == INVALID_HANDLE_VALUE) return std::wstring();
  std::wstring result;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (patternFinds(re, name)) {
      result = dir + name;
      break;
    }
  } while (FindNextFileW(listing, &found));
  FindClose(listing);
  return result;
}

std::wstring gccProbeCommand(const std::wstring& rootDir) {
  if (!safeForCommandLine(rootDir)) return std::wstring();
  // cmd.exe drops the first and the last quote of the line, so the outer
  // pair goes and the inner pair keeps spaces, parentheses, & and ^ of the
  // path as part of one program name.
  return L"\"\"" + rootDir + L"bin\\gcc\" -v\"";
}

void probeToolchain(ToolchainProbe& probe) {
  const std::wstring command = gccProbeCommand(probe.rootDir);
  probe.output = command.empty() ? std::wstring() : decodeUtf8(runCaptured(command));
  probe.exceptionModel = detectExceptionModel(probe.rootDir + L"bin\\", probe.output);
  probe.threadModel = detectThreadModel(probe.output);
  probe.crt = detectCrt(probe.output);
  probe.gccVersion = parseGccVersion(probe.output);
}

int parseGccVersion(const std::wstring& output) {
  const std::wstring bounded = boundRuns(output);
  std::wsmatch match;
  if (!std::regex_search(bounded, match, makePattern(L"gcc version\\s*?([\\d\\.]+)"))) {
    return kUnreadableGccVersion;
  }
  // A run that reached the limit may have been cut: its digits are unknown.
  if (static_cast<std::size_t>(match.length(1)) >= kRunLimit) return kUnreadableGccVersion;
  long long value = 0;
  bool anyDigit = false;
  for (const wchar_t c : match.str(1)) {
    if (c == L'.') continue;
    // \d may also admit digits of other scripts; only ASCII ones are read.
    if (c < L'0' || c > L'9') return kUnreadableGccVersion;
    value = value * 10 + (c - L'0');
    if (value > INT_MAX) return kUnreadableGccVersion;
    anyDigit = true;
  }
  return anyDigit ? static_cast<int>(value) : kUnreadableGccVersion;
}

std::wstring detectThreadModel(const std::wstring& output) {
  // Win32 threads have no payload of their own and share the POSIX one.
  const std::wstring bounded = boundRuns(output);
  if (containsPattern(bounded, L"Thread model.\\s*?posix")) return L"_posix";
  if (containsPattern(bounded, L"Thread model.\\s*?win32")) return L"_posix";
  return L"_mcf";
}

std::wstring detectCrt(const std::wstring& output) {
  return containsPattern(output, L"ucrt") ? L"_ucrt" : L"_msvcrt";
}

std::wstring detectExceptionModel(const std::wstring& binDir, const std::wstring& output) {
  if (!findEntryMatching(binDir, L"^libgcc_s_seh.*?-1\\.dll$").empty()) return L"_seh";
  if (!findEntryMatching(binDir, L"^libgcc_s_sjlj.*?-1\\.dll$").empty()) return L"_sjlj";
  if (!findEntryMatching(binDir, L"^libgcc_s_dw2.*?-1\\.dll$").empty()) return L"_dwarf";
  if (containsPattern(output, L"sjlj")) return L"_sjlj";
  if (containsPattern(output, L"seh")) return L"_seh";
  if (containsPattern(output, L"dwarf")) return L"_dwarf";
  return L"unkonw-ex";
}

std::wstring decodeUtf8(const std::string& bytes) {
  const std::size_t length = std::strlen(bytes.c_str());
  if (length == 0 || length > static_cast<std::size_t>(INT_MAX)) return std::wstring();
  const int size = static_cast<int>(length);
  const int wide = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0);
  if (wide <= 0) return std::wstring();
  std::wstring text(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, &text[0], wide);
  return text;
}
