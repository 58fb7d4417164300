// The one Nuklear configuration of the program. Every file that uses Nuklear
// includes this header instead of nuklear.h, so that all of them, and the
// translation unit that compiles Nuklear, see the same structure layouts.
#ifndef GRAVO_UI_BACKEND_TOOLKIT_CONFIG_H
#define GRAVO_UI_BACKEND_TOOLKIT_CONFIG_H

#define NK_INCLUDE_FIXED_TYPES
#define NK_INCLUDE_DEFAULT_ALLOCATOR

#include <nuklear.h>

#endif
