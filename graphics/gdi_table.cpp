#include "graphics/gdi_table.h"

#include "graphics/runtime.h"

namespace Gravo {

GdiTable gdi;

namespace {

// Through void (*)(), which converts to any function pointer type.
template <typename Function>
bool resolve(HMODULE module, const char* name, Function* out) {
  FARPROC address = GetProcAddress(module, name);
  *out = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
  return address != NULL;
}

}  // namespace

const wchar_t* load_gdi_table() {
  HMODULE module = load_system_library(L"gdi32.dll");
  if (!module) return L"gdi32.dll";
#define GRAVO_GDI_RESOLVE(name) \
  if (!resolve(module, #name, &gdi.name)) return L"gdi32.dll: " #name;
  GRAVO_GDI_ENTRY_POINTS(GRAVO_GDI_RESOLVE)
#undef GRAVO_GDI_RESOLVE
  return NULL;
}

}  // namespace Gravo
