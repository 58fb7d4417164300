// What the static part of a Visual C++ runtime gives every program and the
// runtimes linked by the Visual C++ proof lack: the entry point, operator
// new and delete, the marker of floating-point use, and the vftable of
// type_info, which every RTTI type descriptor points at.
#include <stdlib.h>

extern "C" int _fltused = 0x9875;
// The blocks freed, in order, with the operator that freed them (0 delete,
// 1 delete[]), for vc_abi_client.cpp.
extern "C" {
void* proof_freed[64];
int proof_freed_by[64];
int proof_free_count;
}
static void note_free(void* block, int by) {
  if (proof_free_count < 64) {
    proof_freed[proof_free_count] = block;
    proof_freed_by[proof_free_count] = by;
  }
  ++proof_free_count;
}
extern const void* const type_info_vftable[1] __asm__("??_7type_info@@6B@");
const void* const type_info_vftable[1] = {NULL};

void* operator new(size_t size) { return malloc(size ? size : 1); }
void operator delete(void* block) noexcept {
  note_free(block, 0);
  free(block);
}
void* operator new[](size_t size) { return malloc(size ? size : 1); }
void operator delete[](void* block) noexcept {
  note_free(block, 1);
  free(block);
}
int main();
extern "C" void mainCRTStartup() { exit(main()); }
