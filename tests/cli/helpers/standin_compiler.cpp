// Stand-in for an environment's compiler, copied in as a MinGW's
// bin\g++.exe or as Visual C++'s cl.exe, that really compiles: it hands its
// arguments, with paths in Unix form, to this machine's cross compilers in a
// bash script, waits for the script's status file (Wine starts a Linux
// program but neither waits for it nor gives its exit code), then passes on
// the script's output and status. standin.txt beside it says how:
//   mingw          g++ of the MinGW root above bin: x86_64-w64-mingw32-g++
//                  (-m32: i686-...) with the root's target include and
//                  library directories, linked statically; only with that
//                  bin on PATH
//   msvc <startup> cl after the stand-in vcvarsall.bat: clang in the
//                  Microsoft mode for VSCMD_ARG_TGT_ARCH, INCLUDE and LIB as
//                  set, Wine's import libraries for the system and the C
//                  runtime, and <startup> (a Unix path) for what Visual C++'s
//                  static runtime gives a program
//   hang           writes its process id to standin-pid.txt and never ends
//   swap           moves the folder it runs in into its own folder, as
//                  "swapped", puts a link to its own folder in its place and
//                  fails
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using UnixName = char*(CDECL*)(const wchar_t*);

std::string unixPath(const std::wstring& path) {
  static const auto convert = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* name = convert ? convert(path.c_str()) : nullptr;
  const std::string result = name ? name : "";
  if (name) HeapFree(GetProcessHeap(), 0, name);
  return result;
}

std::string utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(size > 1 ? static_cast<std::size_t>(size - 1) : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &bytes[0], size, nullptr, nullptr);
  return bytes;
}

std::string quoted(const std::string& text) {
  std::string result = "'";
  for (const char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return result + "'";
}

// A word for the script: an argument naming a Windows path in Unix form.
std::string word(const std::wstring& argument) {
  const bool path = argument.find(L'\\') != std::wstring::npos;
  return quoted(path ? unixPath(argument) : utf8(argument));
}

std::string dirList(const wchar_t* variable, const char* option) {
  wchar_t value[8192] = {};
  GetEnvironmentVariableW(variable, value, 8192);
  std::wstringstream dirs(value);
  std::string result;
  for (std::wstring dir; std::getline(dirs, dir, L';');)
    if (!dir.empty()) result += std::string(" ") + option + quoted(unixPath(dir));
  return result;
}

std::string mingwScript(const std::wstring& root, const std::vector<std::wstring>& args) {
  bool m32 = false;
  std::string words;
  for (const std::wstring& arg : args) {
    if (arg == L"-m32") m32 = true;
    else words += " " + word(arg);
  }
  const std::string target = unixPath(root + L"x86_64-w64-mingw32");
  return std::string(m32 ? "i686" : "x86_64") + "-w64-mingw32-g++-posix -static -I " +
         quoted(target + "/include") + " -L " + quoted(target + (m32 ? "/lib32" : "/lib")) + words + "\n";
}

std::string msvcScript(const std::string& startup, const std::vector<std::wstring>& args) {
  wchar_t arch[16] = {};
  GetEnvironmentVariableW(L"VSCMD_ARG_TGT_ARCH", arch, 16);
  const bool x64 = std::wstring(arch) == L"x64";
  std::string flags =
      " -fms-compatibility-version=19.0 -fgnuc-version=4.2.1 -fno-exceptions -nostdlibinc -O2";
  flags += dirList(L"INCLUDE", "-isystem ");
  flags += x64 ? " --target=x86_64-pc-windows-msvc -isystem /usr/x86_64-w64-mingw32/include"
               : " --target=i686-pc-windows-msvc -D_X86_ -isystem /usr/i686-w64-mingw32/include";
  std::string sources;
  std::string out;
  std::string kind = "a";
  for (const std::wstring& arg : args) {
    if (arg.compare(0, 3, L"/Fe") == 0) out = word(arg.substr(3));
    else if (arg.compare(0, 2, L"/D") == 0) flags += " -D" + utf8(arg.substr(2));
    else if (arg[0] != L'/') sources += " " + word(arg);
    if (arg == L"/DUNICODE") kind = "w";
  }
  // The import libraries under their SDK names are copies: Wine's DeleteFileW,
  // with which the scratch folder is removed, deletes what a Unix symbolic
  // link points at.
  const std::string system =
      x64 ? "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows" : "/usr/i686-w64-mingw32/lib";
  std::string script = "set -e\nmkdir -p standin-sdk\nfor dll in user32 shell32; do cp " + system +
                       "/lib$dll.a standin-sdk/$dll.lib; done\n";
  script += "clang++-19" + flags + " -c" + sources + " -o standin.obj\n";
  script += "clang++-19" + flags + " -c " + quoted(startup) + " -o standin-startup.obj\n";
  std::string link = "lld-link-19 /nologo /subsystem:console /entry:mainCRTStartup /libpath:standin-sdk" +
                     dirList(L"LIB", "/libpath:") + " /out:" + out + " standin.obj standin-startup.obj ";
  if (x64) return script + link + system + "/libkernel32.a " + system + "/libucrtbase.a\n";
  // No C runtime import library for x86 here: one is made for the names the
  // library and the program use, as the runtime's DLL exports them.
  script += "lib=$(for d in" + dirList(L"LIB", "") + "; do [ -e \"$d/Gravo" + kind +
            ".lib\" ] && echo \"$d/Gravo" + kind + ".lib\"; done | head -n 1)\n";
  script +=
      "{ echo 'LIBRARY ucrtbase.dll'; echo EXPORTS; { llvm-nm-19 \"$lib\" | awk '$1 == \"U\" && $2 !~ "
      "/^(__imp_|\\?)/ { print substr($2, 2) }'; printf '%s\\n' malloc free exit puts; } | grep -vx "
      "_fltused | sort -u; } >standin-crt.def\n";
  script += "llvm-dlltool-19 -m i386 -d standin-crt.def -l standin-crt.lib\n";
  return script + link + "/safeseh:no " + system + "/libkernel32.a standin-crt.lib\n";
}

// Whether dir (ending in a backslash) is an entry of PATH.
bool onPath(const std::wstring& dir) {
  wchar_t value[32767] = {};
  GetEnvironmentVariableW(L"PATH", value, 32767);
  std::wstringstream entries(value);
  for (std::wstring entry; std::getline(entries, entry, L';');)
    if (!entry.empty() &&
        lstrcmpiW((entry.back() == L'\\' ? entry : entry + L'\\').c_str(), dir.c_str()) == 0)
      return true;
  return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  wchar_t self[MAX_PATH];
  const std::wstring own(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
  const std::wstring dir = own.substr(0, own.find_last_of(L'\\') + 1);
  std::ifstream settings((dir + L"standin.txt").c_str());
  std::string mode;
  std::string startup;
  settings >> mode;
  std::getline(settings >> std::ws, startup);
  if (mode == "hang") {
    std::ofstream((dir + L"standin-pid.txt").c_str()) << GetCurrentProcessId();
    Sleep(INFINITE);
  }

  // Like the gcc of MinGW.org or MSYS2, whose cc1plus loads its DLLs from
  // the toolchain's bin, the mingw mode compiles only with bin on PATH.
  if (mode == "mingw" && !onPath(dir)) {
    const char message[] = "cc1plus.exe: error while loading shared libraries: libgmp-10.dll: not found\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), message, sizeof(message) - 1, &written, nullptr);
    return 1;
  }
  const std::vector<std::wstring> args(argv + 1, argv + argc);
  wchar_t cwd[MAX_PATH];
  const std::wstring work(cwd, GetCurrentDirectoryW(MAX_PATH, cwd));
  const std::string here = unixPath(work);
  const std::wstring script = work + L"\\standin.sh";
  const std::wstring status = work + L"\\standin.status";
  DeleteFileW(status.c_str());
  std::ofstream(script.c_str(), std::ios::binary)
      << "cd " << quoted(here) << " || exit 1\n{\n"
      << (mode == "msvc" ? msvcScript(startup, args)
          : mode == "swap"
              ? "mv " + quoted(here) + " " + quoted(unixPath(dir) + "/swapped") + " && ln -s " +
                    quoted(unixPath(dir)) + " " + quoted(here) + " && cd " + quoted(here) + " && false\n"
              : mingwScript(dir + L"..\\", args))
      << "} >standin.out 2>&1\necho $? >standin.tmp\nmv standin.tmp standin.status\n";

  const std::string unixScript = unixPath(script);
  std::wstring line(unixScript.size() + 1, L'\0');
  line.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_UTF8, 0, unixScript.c_str(), -1, &line[0], static_cast<int>(line.size())) - 1));
  line = L"Z:\\bin\\bash \"" + line + L"\"";
  STARTUPINFOW startInfo{};
  startInfo.cb = sizeof(startInfo);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(L"Z:\\bin\\bash", &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startInfo,
                      &process))
    return 127;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int waited = 0; GetFileAttributesW(status.c_str()) == INVALID_FILE_ATTRIBUTES; waited += 50) {
    if (waited > 600000) return 126;
    Sleep(50);
  }
  std::stringstream output;
  output << std::ifstream((work + L"\\standin.out").c_str(), std::ios::binary).rdbuf();
  const std::string bytes = output.str();
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
            nullptr);
  int code = 1;
  std::ifstream(status.c_str()) >> code;
  return code;
}
