# Windows-wide settings: ANSI Win32 API, the GCC runtime as DLLs beside the binaries.
add_compile_definitions(WINVER=0x0601 _WIN32_WINNT=0x0601 NOMINMAX)
# Exceptions travel between our DLLs as pointers: every module must share one libgcc.
add_link_options(-shared-libgcc)

set(NOX_GCC_DIR /usr/lib/gcc/${NOX_MINGW_TRIPLE}/12-${NOX_MINGW_THREADS})
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(NOX_LIBGCC_DLL libgcc_s_seh-1.dll)
else()
  set(NOX_LIBGCC_DLL libgcc_s_dw2-1.dll)
endif()
set(NOX_RUNTIME_DLLS
  ${NOX_GCC_DIR}/libstdc++-6.dll
  ${NOX_GCC_DIR}/${NOX_LIBGCC_DLL}
  /usr/${NOX_MINGW_TRIPLE}/lib/zlib1.dll)
if(NOX_MINGW_THREADS STREQUAL "posix")
  list(APPEND NOX_RUNTIME_DLLS /usr/${NOX_MINGW_TRIPLE}/lib/libwinpthread-1.dll)
endif()
# Test programs that use the test hooks run from a folder of their own, beside
# the test build of NoxUtil.dll (util/CMakeLists.txt).
set(NOX_TESTING_BIN ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/testing)
foreach(dll IN LISTS NOX_RUNTIME_DLLS)
  if(NOT EXISTS ${dll})
    message(FATAL_ERROR "Missing ${dll}: run scripts/setup")
  endif()
  file(COPY ${dll} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  file(COPY ${dll} DESTINATION ${NOX_TESTING_BIN})
endforeach()

# The shipping build checks what its binaries import against the Windows
# versions they must load on (scripts/check-imports, scripts/imports/).
if(NOX_MINGW_THREADS STREQUAL "win32")
  add_test(NAME import_audit COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-imports ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  set_tests_properties(import_audit PROPERTIES LABELS shipping)
endif()

# nox_module_names(target NAME ...) gives a DLL the plain file name the system
# loads it by (NoxUtil.dll rather than libNoxUtil.dll).
function(nox_plain_dll_name target)
  set_target_properties(${target} PROPERTIES PREFIX "" IMPORT_PREFIX "lib")
endfunction()
