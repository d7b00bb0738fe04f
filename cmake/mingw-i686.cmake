# Cross build for 32-bit Windows, the shipping target, with the win32-thread
# mingw-w64 compilers: nothing of it needs a thread library, and its C++
# runtime imports nothing newer than Windows XP (see scripts/check-imports).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(NOX_MINGW_TRIPLE i686-w64-mingw32)
set(NOX_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
