# Cross toolchain: 32-bit Windows with MinGW-w64 (POSIX thread model, DWARF-2 exceptions): the product.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
