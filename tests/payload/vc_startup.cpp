// What the static part of a Visual C++ runtime gives every program and the
// runtimes linked by the Visual C++ proof lack: the entry point, operator
// new and delete, and the marker of floating-point use.
#include <stdlib.h>

extern "C" int _fltused = 0x9875;
void* operator new(size_t size) { return malloc(size ? size : 1); }
void operator delete(void* block) noexcept { free(block); }
void* operator new[](size_t size) { return malloc(size ? size : 1); }
void operator delete[](void* block) noexcept { free(block); }
int main();
extern "C" void mainCRTStartup() { exit(main()); }
