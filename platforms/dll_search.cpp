// Linked into every executable of the installer (an object library, so the
// linker cannot drop it: nothing refers to it by name).
#include <windows.h>

namespace {

// The installer's programs run from a Downloads folder, the wizard elevated
// and the command-line program often as SYSTEM: a DLL planted there must
// never be loaded. From here on, every load by plain name (the
// program's, and those the system's own DLLs make) searches the system
// directory only. Looked up by name, because Windows 7 without its loader
// update lacks the call; there only the current directory can be dropped.
void NTAPI restrictDllSearch(PVOID, DWORD reason, PVOID) {
  if (reason != DLL_PROCESS_ATTACH) return;
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  const FARPROC address = kernel32 ? GetProcAddress(kernel32, "SetDefaultDllDirectories") : nullptr;
  const auto setDefaultDllDirectories =
      reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)()>(address));
  if (!setDefaultDllDirectories || !setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
    SetDllDirectoryW(L"");
}

}  // namespace

// A TLS callback of the executable runs once its imports are loaded and
// before its entry point: before the C runtime's start-up and every static
// initialiser, the earliest code a program can run. The linker orders the
// callbacks by section name, so ".CRT$XLB" comes before the runtime's own.
extern "C" __attribute__((section(".CRT$XLB"), used)) const PIMAGE_TLS_CALLBACK gravoRestrictDllSearch =
    restrictDllSearch;
