// Included before anything else when the runtime is compiled for Visual C++
// with mingw-w64's headers. Their inline C runtime functions (fabs,
// copysign, __fpclassify, ...) follow a declaration marked extern, and in
// the Microsoft ABI such a function is emitted out of line into every
// object: a library would then define the user's runtime functions a second
// time. As GNU inline functions they are only ever inlined or called.
#ifndef GRAVO_PAYLOAD_VC_PRELUDE_H
#define GRAVO_PAYLOAD_VC_PRELUDE_H

#include <_mingw.h>
#undef __CRT_INLINE
#define __CRT_INLINE extern __inline__ __attribute__((__gnu_inline__))

#ifdef GRAVO_CRT_VC6
// Visual C++ 6.0 has no wchar_t type: its headers make it unsigned short,
// and so every name that takes a UTF-16 text is decorated with it (clang
// runs with -fno-wchar). The C headers are read that way. libstdc++'s
// headers specialise their traits for both wchar_t and unsigned short, so
// they are read with wchar_t as the native type that __wchar_t still names;
// a runtime source that includes another C++ header adds it here.
typedef unsigned short wchar_t;
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#define wchar_t __wchar_t
#include <algorithm>
#include <atomic>
#include <cmath>
#undef wchar_t
#endif

#endif
