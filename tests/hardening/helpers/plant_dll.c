/* A DLL planted beside a program under the name of a system DLL. It leaves
 * a note beside itself, "<its path>.loaded", one line per event:
 *   "attach dynamic" - something loaded it at run time (LoadLibrary),
 *   "attach static"  - an import table named it while the process started,
 *   "call <name> from program" / "from system" - one of its stand-in
 *     functions was called, from the main executable's code or from
 *     another module.
 * The stand-ins fail as the real calls fail, so a caller goes on. It imports
 * kernel32 only, so that no other planted name is pulled in through it. */
#include <windows.h>

static HINSTANCE self;

static void note(const char* what, const char* name) {
  wchar_t path[MAX_PATH + 8];
  const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  lstrcatW(path, L".loaded");
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, what, (DWORD)lstrlenA(what), &written, NULL);
  if (name) {
    WriteFile(file, " ", 1, &written, NULL);
    WriteFile(file, name, (DWORD)lstrlenA(name), &written, NULL);
  }
  WriteFile(file, "\n", 1, &written, NULL);
  CloseHandle(file);
}

/* Whether a return address lies in the image of the process's executable. */
static int inProgram(const void* address) {
  const BYTE* base = (const BYTE*)GetModuleHandleW(NULL);
  if (!base) return 0;
  const IMAGE_DOS_HEADER* dos = (const IMAGE_DOS_HEADER*)base;
  const IMAGE_NT_HEADERS* nt = (const IMAGE_NT_HEADERS*)(base + dos->e_lfanew);
  const BYTE* at = (const BYTE*)address;
  return at >= base && at < base + nt->OptionalHeader.SizeOfImage;
}

#define NOTE_CALL(name) \
  note("call " name, inProgram(__builtin_return_address(0)) ? "from program" : "from system")

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  self = instance;
  if (reason == DLL_PROCESS_ATTACH) note(reserved ? "attach static" : "attach dynamic", NULL);
  return TRUE;
}

/* version.dll */
__declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR file, LPDWORD handle) {
  (void)file;
  (void)handle;
  NOTE_CALL("GetFileVersionInfoSizeW");
  SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
  return 0;
}

__declspec(dllexport) BOOL WINAPI GetFileVersionInfoW(LPCWSTR file, DWORD handle, DWORD size, LPVOID data) {
  (void)file;
  (void)handle;
  (void)size;
  (void)data;
  NOTE_CALL("GetFileVersionInfoW");
  return FALSE;
}

__declspec(dllexport) BOOL WINAPI
    VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, PUINT length) {
  (void)block;
  (void)subBlock;
  (void)buffer;
  (void)length;
  NOTE_CALL("VerQueryValueW");
  return FALSE;
}

/* gdiplus.dll */
__declspec(dllexport) int WINAPI GdiplusStartup(ULONG_PTR* token, const void* input, void* output) {
  (void)token;
  (void)input;
  (void)output;
  NOTE_CALL("GdiplusStartup");
  return 1;
}

__declspec(dllexport) void WINAPI GdiplusShutdown(ULONG_PTR token) {
  (void)token;
  NOTE_CALL("GdiplusShutdown");
}
