#ifndef GRAVO_MINGW_TOOLCHAIN_PROBE_H
#define GRAVO_MINGW_TOOLCHAIN_PROBE_H

#include <string>

// What a probe of one MinGW installation found. locateMingw fills the
// directory fields, probeToolchain the compiler's answers.
struct ToolchainProbe {
  std::wstring rootDir;    // bin\gcc lives here; ends with a backslash
  std::wstring targetDir;  // receives include and library files; ends with a backslash
  std::wstring triple;     // "x86_64-w64-mingw32", "i686-w64-mingw32" or "mingw32"
  int bits = 0;            // 64 for x86_64, otherwise 32
  std::wstring output;     // what gcc -v printed, decoded from UTF-8
  int gccVersion = 0;      // version digits without dots: 8.1.0 is 810
  std::wstring threadModel;
  std::wstring crt;
  std::wstring exceptionModel;
};

// Version digits that cannot be read (no version in the output, or more
// digits than an int holds). Below every supported version, so such a
// toolchain is refused as an unsupported variant.
constexpr int kUnreadableGccVersion = 0;

// dir + name of the first entry of dir (file or directory) whose name the
// pattern finds; "" for an empty dir, no match, or a directory that cannot
// be listed.
std::wstring findEntryMatching(std::wstring dir, const std::wstring& pattern);

// Fills rootDir, targetDir, triple and bits; false when dir holds no MinGW.
bool locateMingw(std::wstring dir, ToolchainProbe& probe);

// The argument of runCaptured that runs rootDir's bin\gcc with -v, quoted so
// that cmd.exe keeps the whole path as one program name. Empty when the path
// holds characters that cmd.exe would expand or split even inside quotes
// (% and ! start variable expansions), so no command can be formed safely.
std::wstring gccProbeCommand(const std::wstring& rootDir);

// Runs gcc -v of a located toolchain and fills the remaining fields.
void probeToolchain(ToolchainProbe& probe);

int parseGccVersion(const std::wstring& output);
std::wstring detectThreadModel(const std::wstring& output);
std::wstring detectCrt(const std::wstring& output);
std::wstring detectExceptionModel(const std::wstring& binDir, const std::wstring& output);

// The captured bytes up to the first zero byte, decoded as UTF-8.
std::wstring decodeUtf8(const std::string& bytes);

#endif
