// Slot 0 of the vftables of the public classes with a virtual destructor, as
// Visual C++ fills it: the vector deleting destructor (??_E). A Visual C++
// program deletes one such object (delete p) by calling the slot with flags
// 1 and an array (delete[] p) with flags 3. clang fills the slot with a
// scalar deleting destructor (??_G), which would destroy one element of an
// array and free a pointer into the middle of its block; vc_vftables.sed
// points the slots here instead.
#include "graphics/gravo.h"

namespace {

// Flags: 1 frees the memory; 2 says that `self` is the first element of an
// array whose element count array new stored in the size_t before it.
// Returns the start of what was destroyed, as Visual C++'s does.
template <class T>
void* vector_deleting(T* self, unsigned flags) {
  static_assert(alignof(T) <= sizeof(size_t), "the count must lie right before the first element");
  if (flags & 2) {
    size_t* count = reinterpret_cast<size_t*>(self) - 1;
    for (size_t i = *count; i > 0; --i) self[i - 1].T::~T();
    if (flags & 1) operator delete[](count);
    return count;
  }
  self->T::~T();
  if (flags & 1) operator delete(self);
  return self;
}

}  // namespace

// How a public virtual member function that returns void* and takes an
// unsigned int is decorated, and its calling convention.
#if defined(__i386__)
#define GRAVO_DELETING_DECORATION "@@UAEPAXI@Z"
#define GRAVO_THISCALL __attribute__((thiscall))
#else
#define GRAVO_DELETING_DECORATION "@@UEAAPEAXI@Z"
#define GRAVO_THISCALL
#endif
#define GRAVO_VECTOR_DELETING(T)                                                                         \
  GRAVO_THISCALL void* vector_deleting_##T(T* self,                                                      \
                                           unsigned flags) __asm__("??_E" #T GRAVO_DELETING_DECORATION); \
  GRAVO_THISCALL void* vector_deleting_##T(T* self, unsigned flags) { return vector_deleting(self, flags); }

GRAVO_VECTOR_DELETING(IMAGE)
GRAVO_VECTOR_DELETING(LINESTYLE)
GRAVO_VECTOR_DELETING(FILLSTYLE)
