#include "cli/cli_verify.h"

#include <windows.h>

#include <algorithm>
#include <climits>

namespace {

// Quotes, % and ! end or expand a quoted name in cmd.exe; the others are
// refused as well so that no reader of the line, a batch file that quotes
// a path less carefully included, can split it. The fullwidth and
// typographic forms are what a best-fit conversion to the ANSI code page
// turns into them when an ANSI program such as g++ reads its command line.
const wchar_t kCommandMeaningful[] =
    L"%!\"^&|<>\u02BA\u02DD\u02EE\u201C\u201D\u201E\u201F\u2033\u2036\u3003\uFF01\uFF02\uFF05\uFF06\uFF1C"
    L"\uFF1E\uFF3E\uFF5C";

const wchar_t kProgramStem[] = L"gravo_verify_";
constexpr std::size_t kLineLimit = 200;

bool isControl(wchar_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

bool endsWithNoCase(const std::wstring& text, const std::wstring& tail) {
  if (text.size() < tail.size()) return false;
  return CompareStringOrdinal(text.c_str() + (text.size() - tail.size()), static_cast<int>(tail.size()),
                              tail.c_str(), static_cast<int>(tail.size()), TRUE) == CSTR_EQUAL;
}

std::wstring parentOf(const std::wstring& dir) {
  const std::size_t cut = dir.find_last_of(L'\\', dir.size() >= 2 ? dir.size() - 2 : 0);
  return cut == std::wstring::npos ? std::wstring() : dir.substr(0, cut + 1);
}

// "\"<tool>\" <arguments>" as the argument of cmd.exe /c: cmd.exe drops the
// first and the last quote of such a line, so the outer pair goes and the
// inner pair keeps the tool's path as one name.
std::wstring quotedToolCommand(const std::wstring& tool, const std::wstring& arguments) {
  return L"\"\"" + tool + L"\" " + arguments + L"\"";
}

VerifyPlan refused(const std::wstring& why) {
  VerifyPlan plan;
  plan.error = why;
  return plan;
}

// A MinGW's target directory is a child of its root whose path names the
// target, as the toolchain's location found it (by exact name), except in
// MinGW.org's old layout, which keeps headers and libraries in the root.
std::wstring mingwRoot(const std::wstring& targetDir) {
  return targetDir.find(L"mingw32") != std::wstring::npos ? parentOf(targetDir) : targetDir;
}

// The Visual C++ generations by their environment scripts.
enum class VcScript { Vc6, VcFolder, Auxiliary };

VcScript scriptKind(int version) {
  if (version == 6) return VcScript::Vc6;
  return version >= 2017 ? VcScript::Auxiliary : VcScript::VcFolder;
}

}  // namespace

unsigned shortenedTimeout(unsigned limit, const std::wstring& setting) {
  if (setting.empty() || setting.size() > 9) return limit;
  unsigned value = 0;
  for (const wchar_t c : setting) {
    if (c < L'0' || c > L'9') return limit;
    value = value * 10 + static_cast<unsigned>(c - L'0');
  }
  return value > 0 && value < limit ? value : limit;
}

const std::string& verifyProgramSource() {
  static const std::string source =
      R"(// Written by GravoSetupCli verify, which builds it with this environment's
// own compiler, runs it and removes it again.
#include <graphics.h>
#include <stdio.h>

int main() {
  IMAGE image(8, 6);
  gr_set_target(&image);
  gr_set_bk_color(RGB(10, 20, 30));
  gr_clear();
  gr_set_line_color(RGB(200, 30, 40));
  gr_set_fill_color(RGB(200, 30, 40));
  gr_fill_rect(2, 2, 6, 5);
  // The text functions exist once per text kind, so this names the build
  // of the library that the program's UNICODE setting asks for.
  const int width = gr_text_width(TEXT("Gravo"));
  const DWORD* pixels = gr_image_buffer(&image);
  const bool drawn = pixels != NULL && pixels[0] == 0x0A141E && pixels[3 * 8 + 3] == 0xC81E28;
  gr_set_target(NULL);
  if (!drawn) {
    puts("gravo-verify: the pixels read back differ from those drawn");
    return 2;
  }
  if (width <= 0) {
    puts("gravo-verify: the text was measured as empty");
    return 3;
  }
  puts("gravo-verify: pixels read back as drawn");
  return 0;
}
)";
  return source;
}

bool pathSafeForCommandLine(const std::wstring& path) {
  const bool driveAbsolute = path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
  const bool uncAbsolute = path.compare(0, 2, L"\\\\") == 0;
  if (!driveAbsolute && !uncAbsolute) return false;
  return std::none_of(path.begin(), path.end(), isControl) &&
         path.find_first_of(kCommandMeaningful) == std::wstring::npos;
}

VerifyPlan mingwVerifyPlan(const MingwTarget& target) {
  if (target.baseDir.empty()) return refused(L"the toolchain has no target directory");
  const std::wstring root = mingwRoot(target.baseDir);
  if (!pathSafeForCommandLine(root))
    return refused(L"the toolchain's path holds characters that cmd.exe would interpret; it is not run");
  // The built program finds the toolchain's runtime DLLs on PATH, as it does
  // when an IDE runs it; a ; would split that entry.
  if (root.find(L';') != std::wstring::npos)
    return refused(L"the toolchain's path holds a ; and cannot be put on PATH to run the program");
  VerifyPlan plan;
  plan.tool = root + L"bin\\g++.exe";
  const int ownBits = target.baseDir.find(L"x86_64-w64-mingw32") != std::wstring::npos ? 64 : 32;
  const struct {
    const std::wstring& subdir;
    int bits;
  } dirs[] = {{target.lib64Subdir, 64}, {target.lib32Subdir, 32}};
  for (const auto& dir : dirs) {
    if (dir.subdir.empty()) continue;
    const std::wstring arch = dir.bits == 64 ? L"x64" : L"x86";
    const std::wstring machine = dir.bits == ownBits ? L"" : dir.bits == 64 ? L"-m64 " : L"-m32 ";
    for (const bool unicode : {false, true}) {
      VerifyBuild build;
      build.name = arch + (unicode ? L" UNICODE" : L"");
      build.program = kProgramStem + arch + (unicode ? L"_unicode.exe" : L".exe");
      build.compile = quotedToolCommand(
          plan.tool, machine + (unicode ? L"-DUNICODE -D_UNICODE " : L"") + kVerifySourceName +
                         std::wstring(L" -o ") + build.program + (unicode ? L" -lgravow" : L" -lgravo"));
      build.binDir = root + L"bin";
      build.bits = dir.bits;
      plan.builds.push_back(build);
    }
  }
  if (plan.builds.empty()) return refused(L"no library directory was found in the toolchain");
  return plan;
}

VerifyPlan vcVerifyPlan(const VcTarget& target) {
  if (target.baseDir.empty() || target.lib32Subdir.empty())
    return refused(L"the installation has no library directory");
  VerifyPlan plan;
  const VcScript kind = scriptKind(target.version);
  if (kind == VcScript::Vc6) {
    plan.tool = target.baseDir + L"Bin\\VCVARS32.BAT";
  } else if (kind == VcScript::VcFolder) {
    plan.tool = target.baseDir + L"vcvarsall.bat";
  } else {
    const std::wstring auxiliary = L"Auxiliary\\VS\\";
    if (!endsWithNoCase(target.baseDir, auxiliary))
      return refused(L"the library directory is not below the VC folder's Auxiliary\\VS");
    plan.tool = target.baseDir.substr(0, target.baseDir.size() - auxiliary.size()) +
                L"Auxiliary\\Build\\vcvarsall.bat";
  }
  if (!pathSafeForCommandLine(plan.tool))
    return refused(L"the installation's path holds characters that cmd.exe would interpret; it is not run");

  struct Arch {
    const wchar_t* name;
    const wchar_t* scriptArgument;
    int bits;
  };
  std::vector<Arch> archs = {{L"x86", L"x86", 32}};
  // 2008 to 2015 build x64 with the cross compiler that their IDE itself
  // uses: the Express editions and a 32-bit Windows have no native amd64 one.
  if (!target.lib64Subdir.empty())
    archs.push_back({L"x64", kind == VcScript::Auxiliary ? L"x64" : L"x86_amd64", 64});
  // Visual C++ 6.0 spells exception handling /GX.
  const std::wstring exceptions = kind == VcScript::Vc6 ? L"/GX " : L"/EHsc ";
  for (const Arch& arch : archs) {
    const std::wstring script = L"call \"" + plan.tool + L"\"" +
                                (kind == VcScript::Vc6 ? L"" : L" " + std::wstring(arch.scriptArgument));
    for (const bool unicode : {false, true}) {
      VerifyBuild build;
      build.name = arch.name + std::wstring(unicode ? L" UNICODE" : L"");
      build.program = kProgramStem + std::wstring(arch.name) + (unicode ? L"_unicode.exe" : L".exe");
      build.compile = script + L" && cl /nologo " + exceptions + (unicode ? L"/DUNICODE /D_UNICODE " : L"") +
                      kVerifySourceName + L" /Fe" + build.program;
      build.bits = arch.bits;
      plan.builds.push_back(build);
    }
  }
  return plan;
}

std::wstring runProgramCommand(const std::wstring& program) { return L".\\" + program; }

std::vector<std::wstring> lastLines(const std::wstring& output, std::size_t count) {
  std::vector<std::wstring> lines;
  std::size_t end = output.size();
  while (end > 0 && lines.size() < count) {
    const std::size_t start = output.find_last_of(L"\r\n", end - 1);
    const std::size_t first = start == std::wstring::npos ? 0 : start + 1;
    std::wstring line = output.substr(first, end - first);
    for (wchar_t& c : line)
      if (c == L'\t') c = L' ';
    const std::size_t text = line.find_first_not_of(L' ');
    if (text != std::wstring::npos) {
      line = line.substr(text);
      line.erase(line.find_last_not_of(L' ') + 1);
      if (line.size() > kLineLimit) line = line.substr(0, kLineLimit) + L"...";
      lines.insert(lines.begin(), line);
    }
    end = start == std::wstring::npos ? 0 : start;
  }
  return lines;
}

std::wstring decodedOutput(const std::string& bytes) {
  if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT_MAX)) return std::wstring();
  const int size = static_cast<int>(bytes.size());
  for (const UINT codePage : {static_cast<UINT>(CP_UTF8), GetConsoleOutputCP(), GetOEMCP()}) {
    if (codePage == 0) continue;
    const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    const int wide = MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
    if (wide <= 0) continue;
    std::wstring text(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(codePage, flags, bytes.data(), size, &text[0], wide);
    return text;
  }
  return std::wstring();
}
