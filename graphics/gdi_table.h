// GDI entry points used by the graphics runtime, resolved by name from
// gdi32.dll when the runtime starts. Every GDI call of the images, devices
// and window thread goes through this table.
#ifndef GRAVO_GRAPHICS_GDI_TABLE_H
#define GRAVO_GRAPHICS_GDI_TABLE_H

#include <windows.h>

// The list is laid out by hand: clang-format does not settle on one layout
// for it.
// clang-format off
#define GRAVO_GDI_ENTRY_POINTS(X)                                                      \
  X(Arc) X(BitBlt) X(CreateBitmap) X(CreateBrushIndirect) X(CreateCompatibleDC)        \
  X(CreateDIBSection) X(CreatePen) X(CreateRectRgn) X(CreateSolidBrush) X(DeleteDC)    \
  X(DeleteObject) X(Ellipse) X(ExtCreatePen) X(ExtFloodFill) X(FillRgn)                \
  X(GdiSetBatchLimit) X(GetBkMode) X(GetClipRgn) X(GetCurrentObject) X(GetDIBits)      \
  X(GetPixel) X(GetPolyFillMode) X(GetROP2) X(GetStockObject) X(LineTo) X(MoveToEx)    \
  X(Pie) X(PolyBezier) X(Polygon) X(Polyline) X(RealizePalette) X(Rectangle)           \
  X(RoundRect) X(SelectClipRgn) X(SelectObject) X(SelectPalette) X(SetBkColor)         \
  X(SetBkMode) X(SetGraphicsMode) X(SetPixelV) X(SetPolyFillMode) X(SetROP2)           \
  X(SetTextColor) X(SetWorldTransform) X(CreateFontIndirectW) X(GetObjectW)            \
  X(GetTextExtentPoint32W) X(TextOutW)
// clang-format on

namespace Gravo {

struct GdiTable {
#define GRAVO_GDI_MEMBER(name) decltype(&::name) name;
  GRAVO_GDI_ENTRY_POINTS(GRAVO_GDI_MEMBER)
#undef GRAVO_GDI_MEMBER
};

extern GdiTable gdi;

// Loads gdi32.dll from the system directory and fills `gdi`. Returns what
// is missing ("gdi32.dll" or "gdi32.dll: <entry point>"), NULL when all is
// there.
const wchar_t* load_gdi_table();

}  // namespace Gravo

#endif
