# Cross-compiling for 64-bit Windows with MinGW-w64 (posix thread model, so std::thread works).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(LEDGLOW_MINGW_TRIPLE x86_64-w64-mingw32 CACHE STRING "MinGW-w64 target triple")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
