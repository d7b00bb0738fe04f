# GoogleTest from Debian's sources, built with whatever compiler this tree uses.
set(NOX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${NOX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# The shipping build (win32-thread compilers, see cmake/mingw-i686.cmake) cannot
# build GoogleTest: there the test programs stay out of the default build, and
# only the tests labelled "shipping" (the import audit) run.
if(NOX_MINGW_THREADS STREQUAL "win32")
  set(NOX_TEST_PROGRAMS_EXCLUDED EXCLUDE_FROM_ALL)
endif()

# nox_add_gtest(NAME [TEST_HOOKS] SOURCES ... [LIBS ...] [WORKING_DIRECTORY dir])
# One test program, registered as one CTest test. Windows programs run under
# Wine through the cross-compiling emulator.
#
# TEST_HOOKS: the program uses the test hooks of NoxUtil (noxFailAllocationsAfter
# and nox/testing/OutOfMemory.h, noxSetCodePage, noxSetLogSink,
# noxSetRegistryCalls). It is linked against the test build of NoxUtil and built
# into bin/testing beside it, with a copy of PlugBase.dll; everything it loads
# from elsewhere shares that NoxUtil.dll. Its working directory stays bin/.
function(nox_add_gtest name)
  cmake_parse_arguments(ARG "TEST_HOOKS" "WORKING_DIRECTORY" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${NOX_TEST_PROGRAMS_EXCLUDED} ${ARG_SOURCES})
  if(ARG_TEST_HOOKS)
    # First on the link line, so NoxUtil's functions are imported from the test build.
    target_link_libraries(${name} PRIVATE NoxUtilTesting)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${NOX_TESTING_BIN})
    if(TARGET PlugBase)
      add_dependencies(${name} PlugBase)
    endif()
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  # The test sources themselves are compiled without optimisation: at -O2 the
  # code GoogleTest's macros expand to takes half the build's time, and nothing
  # a test checks depends on the speed of its own code. What they test is built
  # as it ships.
  foreach(source IN LISTS ARG_SOURCES)
    if(source MATCHES "(^|/)tests/")
      set_property(SOURCE ${source} APPEND PROPERTY COMPILE_OPTIONS -O0)
    endif()
  endforeach()
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

# nox_requires_cups_printer(TEST ...)
# The tests run with a CUPS printer that Wine's spooler lists (a fixture,
# util/testing/cups-printer.sh): a cupsd of this build tree alone, listening on
# a socket in the tree and on no network port, that the tests reach through
# CUPS_SERVER. It starts once for all the tests that need it in one CTest run.
# Its printer's name, or "unavailable: <reason>", is in bin/cups-printer.txt.
# The tests run alone: Wine's spooler copies the CUPS printers into its registry
# only in a program that loads it while no other program of the prefix has it
# loaded (a named mutex), so a host test running beside them would leave them
# with the printers of an earlier run, or none.
function(nox_requires_cups_printer)
  set(state ${CMAKE_BINARY_DIR}/cups)
  set(socket ${state}/cups.sock)
  string(LENGTH "${socket}" length)
  if(length GREATER 100)
    # A Unix socket path has room for about 107 bytes.
    string(MD5 tree "${CMAKE_BINARY_DIR}")
    string(SUBSTRING "${tree}" 0 12 tree)
    set(socket /tmp/nox-cups-${tree}/cups.sock)
  endif()
  get_property(defined GLOBAL PROPERTY NOX_CUPS_FIXTURE_DEFINED)
  if(NOT defined)
    set_property(GLOBAL PROPERTY NOX_CUPS_FIXTURE_DEFINED TRUE)
    set(script ${CMAKE_SOURCE_DIR}/util/testing/cups-printer.sh)
    set(args ${state} ${socket} ${CMAKE_BINARY_DIR}/bin/cups-printer.txt)
    add_test(NAME cups_printer_start COMMAND ${script} start ${args})
    add_test(NAME cups_printer_stop COMMAND ${script} stop ${args})
    set_tests_properties(cups_printer_start PROPERTIES FIXTURES_SETUP cups_printer)
    set_tests_properties(cups_printer_stop PROPERTIES FIXTURES_CLEANUP cups_printer)
  endif()
  set_property(TEST ${ARGN} APPEND PROPERTY FIXTURES_REQUIRED cups_printer)
  set_property(TEST ${ARGN} PROPERTY RUN_SERIAL TRUE)
  set_property(TEST ${ARGN} APPEND PROPERTY ENVIRONMENT "CUPS_SERVER=${socket}")
endfunction()

# nox_pings_loopback(TEST ...)
# The tests send echo requests to 127.0.0.1 and count the answers. A raw ICMP
# socket receives every echo request and reply on the machine. The echo client
# copes with that (netdiag_real_tests pings beside another pinging thread), but
# the system echo engine the tests also use is Wine's: they take turns, so that
# no count depends on how it copes.
function(nox_pings_loopback)
  set_property(TEST ${ARGN} APPEND PROPERTY RESOURCE_LOCK loopback_echo)
endfunction()

# nox_add_fuzz_run(NAME SOURCES ... SEEDS dir [INCLUDES ...] [LIBS ...] [DICT file]
#                  [MAX_LEN n] [SECONDS n] [RUNS n])
# A libFuzzer target of portable code and its short bounded run, part of every
# native test run (clang builds only; nothing elsewhere). The sources are
# compiled into the target so that libFuzzer sees their coverage. New inputs go
# to a corpus folder in the build tree; the committed seeds are only read.
function(nox_add_fuzz_run name)
  if(WIN32 OR NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  cmake_parse_arguments(ARG "" "SEEDS;MAX_LEN;SECONDS;RUNS;DICT" "SOURCES;INCLUDES;LIBS" ${ARGN})
  if(NOT ARG_MAX_LEN)
    set(ARG_MAX_LEN 2048)
  endif()
  if(NOT ARG_SECONDS)
    set(ARG_SECONDS 5)
  endif()
  if(NOT ARG_RUNS)
    set(ARG_RUNS 1000000)
  endif()
  set(dictionary)
  if(ARG_DICT)
    set(dictionary -dict=${ARG_DICT})
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${ARG_INCLUDES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
  file(MAKE_DIRECTORY ${corpus})
  add_test(NAME ${name}
           COMMAND ${name} -runs=${ARG_RUNS} -max_total_time=${ARG_SECONDS} -seed=1 -max_len=${ARG_MAX_LEN}
                   ${dictionary} ${corpus} ${ARG_SEEDS})
endfunction()
