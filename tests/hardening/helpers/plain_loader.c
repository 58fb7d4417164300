/* The control case of the planting test: loads the DLL named by its first
 * argument by plain name, as a careless program would, and calls the
 * GetFileVersionInfoSizeW it exports when the second argument asks for it.
 * Exits with 0 when the DLL was loaded. */
#include <windows.h>

typedef DWORD(WINAPI* VersionInfoSize)(LPCWSTR, LPDWORD);

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const HMODULE module = LoadLibraryW(argv[1]);
  if (!module) return 1;
  if (argc > 2) {
    const FARPROC address = GetProcAddress(module, "GetFileVersionInfoSizeW");
    DWORD ignored = 0;
    if (address) ((VersionInfoSize)(void (*)(void))address)(argv[0], &ignored);
  }
  return 0;
}
