// Included before anything else when the runtime is compiled for Visual C++
// with mingw-w64's headers. Their inline C runtime functions (fabs,
// copysign, __fpclassify, ...) follow a declaration marked extern, and in
// the Microsoft ABI such a function is emitted out of line into every
// object: a library would then define the user's runtime functions a second
// time. As GNU inline functions they are only ever inlined or called.
#include <_mingw.h>
#undef __CRT_INLINE
#define __CRT_INLINE extern __inline__ __attribute__((__gnu_inline__))
