# The graphics runtime's sources, shared by the wizard's build of it and by
# the library builds that ship in the payload. Each build adds one of the
# two text files: text_wide.cpp (UTF-16) or text_narrow.cpp (ANSI).
set(GRAVO_RUNTIME_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/api.cpp
  ${CMAKE_CURRENT_LIST_DIR}/devices.cpp
  ${CMAKE_CURRENT_LIST_DIR}/event_ring.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gdi_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/graph_wnd.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image.cpp
  ${CMAKE_CURRENT_LIST_DIR}/runtime.cpp)
# Only in the Visual C++ libraries, whose name decoration tells handle types
# apart.
set(GRAVO_RUNTIME_VC_SOURCES ${CMAKE_CURRENT_LIST_DIR}/no_strict.cpp)
set(GRAVO_RUNTIME_WIDE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_wide.cpp)
set(GRAVO_RUNTIME_NARROW_SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_narrow.cpp)
# The headers a library user includes.
set(GRAVO_PUBLIC_HEADERS ${CMAKE_CURRENT_LIST_DIR}/gravo.h ${CMAKE_CURRENT_LIST_DIR}/graphics.h)
