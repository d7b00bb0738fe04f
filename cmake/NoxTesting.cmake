# GoogleTest from Debian's sources, built with whatever compiler this tree uses.
set(NOX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${NOX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# nox_add_gtest(NAME SOURCES ... [LIBS ...] [WORKING_DIRECTORY dir])
# One test program, registered as one CTest test. Windows programs run under
# Wine through the cross-compiling emulator.
function(nox_add_gtest name)
  cmake_parse_arguments(ARG "" "WORKING_DIRECTORY" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  # Shared test helpers (nox/testing/...).
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/util/testing)
  if(NOT ARG_WORKING_DIRECTORY)
    set(ARG_WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1 WORKING_DIRECTORY ${ARG_WORKING_DIRECTORY})
endfunction()

# Recorded machines (scenario files) beside a test program that loads them.
function(nox_copy_scenarios target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${NOX_SCENARIO_DIR} $<TARGET_FILE_DIR:${target}>/scenarios)
endfunction()
