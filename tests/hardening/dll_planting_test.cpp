// The wizard started from a folder full of DLLs named like system DLLs, the
// way a Downloads folder can be: none of them may be loaded or called.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/wizard_test_support.h"
#include "discovery/fixtures.h"
#include "hardening/hardening_support.h"
#include "mingw/mingw_layouts.h"
#include "platforms/install_ops.h"

using namespace hardening;

namespace {

// Windows 7's known DLLs, the oldest system the wizard runs on (later
// systems add to the list). Windows maps them from the system directory
// whatever a program's folder holds, so a static import of one is safe.
const std::set<std::string> kKnownDlls = {
    "advapi32.dll", "clbcatq.dll",  "comdlg32.dll", "difxapi.dll",  "gdi32.dll",  "iertutil.dll",
    "imagehlp.dll", "imm32.dll",    "kernel32.dll", "lpk.dll",      "msctf.dll",  "msvcrt.dll",
    "normaliz.dll", "nsi.dll",      "ole32.dll",    "oleaut32.dll", "psapi.dll",  "rpcrt4.dll",
    "sechost.dll",  "setupapi.dll", "shell32.dll",  "shlwapi.dll",  "urlmon.dll", "user32.dll",
    "usp10.dll",    "wininet.dll",  "wldap32.dll",  "ws2_32.dll",   "ntdll.dll"};

// DLLs that are not known DLLs and that the wizard, its graphics runtime and
// the shell functions it calls load, or that system DLLs pull in on their
// behalf: planted copies of these are what an attacker would drop.
const char* const kPlantedNames[] = {
    "gdiplus.dll",       "version.dll",           "uxtheme.dll",  "comctl32.dll",  "dwmapi.dll",
    "propsys.dll",       "msimg32.dll",           "winmm.dll",    "cryptbase.dll", "profapi.dll",
    "windowscodecs.dll", "explorerframe.dll",     "shdocvw.dll",  "dwrite.dll",    "oleacc.dll",
    "riched20.dll",      "msftedit.dll",          "userenv.dll",  "wintrust.dll",  "crypt32.dll",
    "bcrypt.dll",        "cryptsp.dll",           "sspicli.dll",  "secur32.dll",   "ntmarta.dll",
    "apphelp.dll",       "dbghelp.dll",           "iphlpapi.dll", "mpr.dll",       "netapi32.dll",
    "linkinfo.dll",      "ntshrui.dll",           "cscapi.dll",   "edputil.dll",   "devobj.dll",
    "cfgmgr32.dll",      "textinputframework.dll"};

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

// The DLL names in a PE file's import and delay-import tables, read from
// the file as it lies on disk.
struct ImportTables {
  std::vector<std::string> imports;
  std::vector<std::string> delayImports;
  bool readable = false;
};

ImportTables readImportTables(const std::wstring& path) {
  ImportTables tables;
  const std::string file = readBytes(path);
  const auto at = [&](size_t offset, size_t size) {
    return offset <= file.size() && size <= file.size() - offset;
  };
  if (!at(0, sizeof(IMAGE_DOS_HEADER))) return tables;
  IMAGE_DOS_HEADER dos;
  std::memcpy(&dos, file.data(), sizeof(dos));
  const size_t nt = static_cast<size_t>(dos.e_lfanew);
  if (dos.e_magic != IMAGE_DOS_SIGNATURE || !at(nt, sizeof(IMAGE_NT_HEADERS))) return tables;
  IMAGE_NT_HEADERS headers;
  std::memcpy(&headers, file.data() + nt, sizeof(headers));
  if (headers.Signature != IMAGE_NT_SIGNATURE || headers.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC)
    return tables;
  const size_t sections =
      nt + offsetof(IMAGE_NT_HEADERS, OptionalHeader) + headers.FileHeader.SizeOfOptionalHeader;
  const auto fileOffset = [&](DWORD rva) -> size_t {
    for (WORD i = 0; i < headers.FileHeader.NumberOfSections; ++i) {
      IMAGE_SECTION_HEADER section;
      if (!at(sections + i * sizeof(section), sizeof(section))) return 0;
      std::memcpy(&section, file.data() + sections + i * sizeof(section), sizeof(section));
      if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.SizeOfRawData)
        return rva - section.VirtualAddress + section.PointerToRawData;
    }
    return 0;
  };
  const auto nameAt = [&](DWORD rva) {
    const size_t offset = fileOffset(rva);
    return offset && offset < file.size() ? lower(std::string(file.c_str() + offset)) : std::string();
  };

  const IMAGE_DATA_DIRECTORY& imports = headers.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (size_t offset = imports.VirtualAddress ? fileOffset(imports.VirtualAddress) : 0;
       offset && at(offset, sizeof(IMAGE_IMPORT_DESCRIPTOR)); offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    IMAGE_IMPORT_DESCRIPTOR descriptor;
    std::memcpy(&descriptor, file.data() + offset, sizeof(descriptor));
    if (!descriptor.Name) break;
    tables.imports.push_back(nameAt(descriptor.Name));
  }
  const IMAGE_DATA_DIRECTORY& delayed =
      headers.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
  for (size_t offset = delayed.VirtualAddress ? fileOffset(delayed.VirtualAddress) : 0;
       offset && at(offset, sizeof(IMAGE_DELAYLOAD_DESCRIPTOR));
       offset += sizeof(IMAGE_DELAYLOAD_DESCRIPTOR)) {
    IMAGE_DELAYLOAD_DESCRIPTOR descriptor;
    std::memcpy(&descriptor, file.data() + offset, sizeof(descriptor));
    if (!descriptor.DllNameRVA) break;
    tables.delayImports.push_back(nameAt(descriptor.DllNameRVA));
  }
  tables.readable = true;
  return tables;
}

std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Wine loads its own DLLs unless told otherwise; native-first for the
// planted names gives Windows' search order for them. WINEDLLOVERRIDES
// cannot carry this: Wine takes its WINE* variables for a child from the
// Unix environment, where the test harness has set its own. Wine's
// per-program overrides in the registry have the same effect, for the one
// program name.
void nativeFirstFor(RegistryFixture& registry, const std::wstring& program,
                    const std::vector<std::string>& names) {
  for (const std::string& name : names)
    registry.setString(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\" + program + L"\\DllOverrides",
                       wide(name.substr(0, name.size() - 4)), L"native,builtin");
}

void plant(const std::wstring& dir, const std::string& name) {
  ASSERT_TRUE(CopyFileW((testDir() + L"plant.dll").c_str(), (dir + wide(name)).c_str(), FALSE)) << name;
}

// The notes a planted DLL left, one line each; empty when it left none.
std::vector<std::string> notesOf(const std::wstring& dir, const std::string& name) {
  std::vector<std::string> lines;
  std::istringstream notes(readBytes(dir + wide(name) + L".loaded"));
  for (std::string line; std::getline(notes, line);) lines.push_back(line);
  return lines;
}

// The program copied into downloads under a browser's name for a second
// download, with every DLL worth planting beside it: the usual suspects and
// whatever it imports that is not a known DLL. The names planted.
std::vector<std::string> plantBeside(const std::wstring& program, const std::wstring& downloads,
                                     const std::wstring& copyName) {
  EXPECT_TRUE(CopyFileW(program.c_str(), (downloads + copyName).c_str(), FALSE));
  const ImportTables tables = readImportTables(program);
  EXPECT_TRUE(tables.readable);
  std::vector<std::string> names(std::begin(kPlantedNames), std::end(kPlantedNames));
  for (const std::string& name : tables.imports) {
    if (!kKnownDlls.count(name)) names.push_back(name);
  }
  for (const std::string& name : names) plant(downloads, name);
  return names;
}

// A registered Dev-C++ below root makes detection read a version resource
// and run a gcc through the command interpreter; the file that gcc leaves.
std::wstring registerDevCpp(RegistryFixture& registry, const std::wstring& root) {
  const std::wstring devcpp = mingwtest::devCppLayout(root + L"Tools\\");
  const std::wstring key =
      L"Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\GravoHardening.DevCpp";
  registry.setString(HKEY_LOCAL_MACHINE, key, L"DisplayName", L"Dev-C++");
  registry.setString(HKEY_LOCAL_MACHINE, key, L"UninstallString", devcpp + L"uninstall.exe");
  return devcpp + L"MinGW64\\bin\\gcc-args.txt";
}

void expectNoPlantUsed(const std::wstring& program, const std::wstring& downloads,
                       const std::vector<std::string>& names) {
  const ImportTables tables = readImportTables(program);
  const std::set<std::string> imported(tables.imports.begin(), tables.imports.end());
  for (const std::string& name : names) {
    for (const std::string& line : notesOf(downloads, name)) {
      // Wine's own system DLLs import some of these names (user32
      // imports version.dll and calls it for every process); Windows
      // resolves its DLLs' imports from the system directory, so only
      // a run-time load and a call from the program's own code count.
      const bool systemsOwn = line == "attach static" || line.find(" from system") != std::string::npos;
      EXPECT_TRUE(systemsOwn && !imported.count(name)) << name << ": " << line;
    }
  }
}

// A copy of the program in a Downloads folder among planted DLLs, with
// the plants preferred over the system's, and a registered Dev-C++ whose gcc
// detection runs.
struct PlantedDownload {
  PlantedDownload(const std::wstring& original, const std::wstring& copyName)
      : downloads(scratch.path() + L"Downloads\\"), program(downloads + copyName) {
    mingwtest::makeDirs(downloads);
    names = plantBeside(original, downloads, copyName);
    gccRan = registerDevCpp(registry, scratch.path());
    nativeFirstFor(registry, copyName, names);
  }

  mingwtest::ScratchDir scratch;
  RegistryFixture registry;
  const std::wstring downloads;
  const std::wstring program;
  std::vector<std::string> names;
  std::wstring gccRan;
};

}  // namespace

TEST(DllPlanting, BothProgramsImportOnlyKnownDlls) {
  for (const std::wstring& program : {wizardPath(), cliPath()}) {
    SCOPED_TRACE(narrow(program));
    const ImportTables tables = readImportTables(program);
    ASSERT_TRUE(tables.readable);
    EXPECT_FALSE(tables.imports.empty());
    for (const std::string& name : tables.imports)
      EXPECT_EQ(1u, kKnownDlls.count(name)) << name << " is imported but is not a known DLL";
    // A delay-loaded DLL is loaded by plain name when first called.
    for (const std::string& name : tables.delayImports) ADD_FAILURE() << name << " is delay-loaded";
  }
}

// Without the control the planting test would pass for a plant that simply
// cannot be loaded.
TEST(DllPlanting, PlantBesideACarelessProgramIsLoadedAndCalled) {
  mingwtest::ScratchDir scratch;
  ASSERT_TRUE(
      CopyFileW((testDir() + L"plain_loader.exe").c_str(), (scratch.path() + L"loader.exe").c_str(), FALSE));
  plant(scratch.path(), "version.dll");
  RegistryFixture registry;
  nativeFirstFor(registry, L"loader.exe", {"version.dll"});
  Child loader;
  ASSERT_TRUE(loader.start(scratch.path() + L"loader.exe", L"version.dll call", scratch.path()));
  EXPECT_EQ(0u, loader.waitForExit(30000));
  const std::vector<std::string> notes = notesOf(scratch.path(), "version.dll");
  EXPECT_NE(notes.end(), std::find(notes.begin(), notes.end(), "attach dynamic"));
  EXPECT_NE(notes.end(), std::find(notes.begin(), notes.end(), "call GetFileVersionInfoSizeW from program"));
}

TEST(DllPlanting, NoPlantBesideTheWizardIsLoadedThroughStartUpAFrameAndDetection) {
  PlantedDownload download(wizardPath(), L"GravoSetup (1).exe");
  Child wizard;
  ASSERT_TRUE(wizard.start(download.program, L"", download.downloads));
  const HWND window = wizard.waitForWindow(60000);
  ASSERT_NE(nullptr, window) << "the wizard did not open its window";
  EXPECT_TRUE(waitFor([&] { return exists(download.gccRan); }, 60000))
      << "detection did not run the registered gcc";
  // Cancel is taken in a frame after detection (a press, as the toolkit
  // acts on the button going down); the wizard then shuts its runtime
  // down and ends by itself.
  pressAt(window, kCancelButton);
  EXPECT_EQ(0u, wizard.waitForExit(60000));
  wizard.end();
  expectNoPlantUsed(wizardPath(), download.downloads, download.names);
}

TEST(DllPlanting, NoPlantBesideTheCommandLineProgramIsLoadedThroughDetectionAndTheShortcut) {
  PlantedDownload download(cliPath(), L"GravoSetupCli (1).exe");
  Child cli;
  // Writing the desktop shortcut is what makes the system load a DLL by
  // plain name (uxtheme.dll, under Wine).
  ASSERT_TRUE(cli.start(download.program, L"install docs", download.downloads));
  EXPECT_EQ(0u, cli.waitForExit(60000));
  cli.end();
  DeleteFileW(helpShortcutPath().c_str());
  EXPECT_TRUE(exists(download.gccRan)) << "detection did not run the registered gcc";
  expectNoPlantUsed(cliPath(), download.downloads, download.names);
}
