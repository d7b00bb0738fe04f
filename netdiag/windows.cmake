# The Windows side of NetDiag.dll: sockets, ICMP.DLL and the ipconfig program,
# all through the seams of the platform helpers (without NoxUtil).
add_library(netdiag_win STATIC
  src/Adapters.cpp
  src/EchoClient.cpp
  src/SocketClient.cpp
  src/SystemEcho.cpp
  src/WinsockDnsTransport.cpp)
target_include_directories(netdiag_win PUBLIC src)
target_compile_definitions(netdiag_win PUBLIC NETDIAG_BUILDING)
target_link_libraries(netdiag_win PUBLIC netdiag_core pcseams)

add_library(NetDiag SHARED src/Exports.cpp src/NetDiag.def)
target_link_libraries(NetDiag PRIVATE netdiag_win)
nox_plain_dll_name(NetDiag)

# Importers bind the exports by ordinal through this import library.
set(NOX_NETDIAG_ORDINAL_LIB ${CMAKE_CURRENT_BINARY_DIR}/libNetDiagByOrdinal.a)
add_custom_command(OUTPUT ${NOX_NETDIAG_ORDINAL_LIB}
  COMMAND ${NOX_MINGW_TRIPLE}-dlltool -d ${CMAKE_CURRENT_SOURCE_DIR}/src/NetDiagByOrdinal.def -D NetDiag.dll
          -l ${NOX_NETDIAG_ORDINAL_LIB}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/NetDiagByOrdinal.def)
add_custom_target(NetDiagOrdinalImports DEPENDS ${NOX_NETDIAG_ORDINAL_LIB})
add_library(NetDiagByOrdinal INTERFACE)
target_include_directories(NetDiagByOrdinal INTERFACE include)
target_link_libraries(NetDiagByOrdinal INTERFACE ${NOX_NETDIAG_ORDINAL_LIB})
add_dependencies(NetDiagByOrdinal NetDiagOrdinalImports NetDiag)

# The engines against recorded machines; the exports are compiled in so the
# test's seams reach them.
nox_add_gtest(netdiag_seam_tests
  SOURCES src/Exports.cpp tests/NetDiagSeamTest.cpp
  LIBS netdiag_win pchelpers_recorded)
nox_copy_scenarios(netdiag_seam_tests)

# Against real servers under Wine: dnsmasq and a small responder on loopback
# (fixture dns-servers.sh), "ipconfig.exe /All" answered by a recorded listing
# found in the working folder, echo requests to 127.0.0.1.
set(NOX_NETDIAG_TOOLS ${CMAKE_BINARY_DIR}/netdiag-tools CACHE INTERNAL "")
add_executable(FakeIpconfig tests/FakeIpconfig.cpp)
set_target_properties(FakeIpconfig PROPERTIES OUTPUT_NAME ipconfig RUNTIME_OUTPUT_DIRECTORY ${NOX_NETDIAG_TOOLS})
target_link_options(FakeIpconfig PRIVATE -static)
nox_add_gtest(netdiag_real_tests
  SOURCES src/Exports.cpp tests/NetDiagRealTest.cpp
  LIBS netdiag_win
  WORKING_DIRECTORY ${NOX_NETDIAG_TOOLS})
add_dependencies(netdiag_real_tests FakeIpconfig)
nox_pings_loopback(netdiag_real_tests)
set(NOX_DNS_SERVER_ARGS ${CMAKE_BINARY_DIR}/dns-servers ${CMAKE_BINARY_DIR}/bin/dns-servers.txt)
set(NOX_DNS_SERVER_SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/tests/dns-servers.sh CACHE INTERNAL "")
add_test(NAME dns_servers_start COMMAND ${NOX_DNS_SERVER_SCRIPT} start ${NOX_DNS_SERVER_ARGS})
add_test(NAME dns_servers_stop COMMAND ${NOX_DNS_SERVER_SCRIPT} stop ${NOX_DNS_SERVER_ARGS})
set_tests_properties(dns_servers_start PROPERTIES FIXTURES_SETUP dns_servers)
set_tests_properties(dns_servers_stop PROPERTIES FIXTURES_CLEANUP dns_servers)
set_tests_properties(netdiag_real_tests PROPERTIES FIXTURES_REQUIRED dns_servers)

# Driver of bench/netdiag.sh (not a test).
add_executable(netdiag_bench ${NOX_TEST_PROGRAMS_EXCLUDED} ${PROJECT_SOURCE_DIR}/bench/NetDiagBench.cpp)
target_link_libraries(netdiag_bench PRIVATE NetDiagByOrdinal wsock32)

# Through real routers: a chain of network namespaces (netns-test.sh) with the
# program inside the client's. It stops and restarts the tree's wineserver, so
# nothing else may run meanwhile.
add_executable(netdiag_netns_tests ${NOX_TEST_PROGRAMS_EXCLUDED} src/Exports.cpp tests/NetDiagNamespaceTest.cpp)
target_link_libraries(netdiag_netns_tests PRIVATE netdiag_win GTest::gtest_main)
add_test(NAME netdiag_namespace_tests
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/netns-test.sh ${CMAKE_BINARY_DIR} $<TARGET_FILE:netdiag_netns_tests>)
set_tests_properties(netdiag_namespace_tests PROPERTIES RUN_SERIAL TRUE)
