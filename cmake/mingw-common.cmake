# NOX_MINGW_THREADS picks the mingw-w64 compiler variant: posix (the test
# builds: GoogleTest needs std::mutex) or win32 (the shipping build: no
# thread library to ship, and a C++ runtime that loads on older Windows).
if(NOT NOX_MINGW_THREADS)
  set(NOX_MINGW_THREADS posix)
endif()
set(CMAKE_C_COMPILER ${NOX_MINGW_TRIPLE}-gcc-${NOX_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${NOX_MINGW_TRIPLE}-g++-${NOX_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${NOX_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${NOX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  # Tests run the Windows programs under 64-bit Wine with a prefix inside the build tree.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
endif()
