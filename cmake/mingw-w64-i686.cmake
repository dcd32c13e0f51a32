# Cross-compiling for 32-bit Windows with MinGW-w64 (posix thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(LEDGLOW_MINGW_TRIPLE i686-w64-mingw32 CACHE STRING "MinGW-w64 target triple")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
