// The public types' sizes and member offsets as a program sees them under
// its own /Zp; the Visual C++ proof compares the table of each packing.
#include <stddef.h>

#include <gravo.h>

extern "C" __attribute__((section("gravolay")))
const size_t gravo_layout[] = {sizeof(GraphMessage),
                               offsetof(GraphMessage, x),
                               offsetof(GraphMessage, y),
                               offsetof(GraphMessage, wheel_delta),
                               offsetof(GraphMessage, scan_code),
                               offsetof(GraphMessage, unit),
                               offsetof(GraphMessage, wparam),
                               offsetof(GraphMessage, lparam),
                               sizeof(LINESTYLE),
                               offsetof(LINESTYLE, style),
                               offsetof(LINESTYLE, pattern),
                               offsetof(LINESTYLE, pattern_count),
                               sizeof(FILLSTYLE),
                               offsetof(FILLSTYLE, hatch),
                               offsetof(FILLSTYLE, pattern),
                               sizeof(IMAGE),
                               offsetof(IMAGE, width),
                               offsetof(IMAGE, bitmap),
                               offsetof(IMAGE, memory_dc),
                               offsetof(IMAGE, transform),
                               offsetof(IMAGE, line_color),
                               offsetof(IMAGE, bk_color),
                               offsetof(IMAGE, pixels),
                               offsetof(IMAGE, line_style),
                               offsetof(IMAGE, fill_style)};
