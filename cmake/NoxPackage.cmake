# What ships: the install rules the package (package/CMakeLists.txt, CPack) is
# made from, and the version every shipped file carries.
#
# The one version number is the project version in the top CMakeLists.txt. It
# reaches the programs as nox/Version.h (target NoxVersion: NOX_VERSION_TEXT)
# and every shipped file as its version resource.

set(NOX_VERSION_INCLUDE ${CMAKE_BINARY_DIR}/generated/version)
configure_file(${CMAKE_CURRENT_LIST_DIR}/NoxVersion.h.in ${NOX_VERSION_INCLUDE}/nox/Version.h @ONLY)
add_library(NoxVersion INTERFACE)
target_include_directories(NoxVersion INTERFACE ${NOX_VERSION_INCLUDE})

# The version as the resource compiler wants it: four numbers, commas between.
if(NOT PROJECT_VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+$")
  message(FATAL_ERROR "The project version (${PROJECT_VERSION}) must have four numbers, as Windows versions do")
endif()
string(REPLACE "." "," NOX_VERSION_COMMAS ${PROJECT_VERSION})

# nox_version_resource_text(VAR FILE name DESCRIPTION text)
# VAR receives the text of a version resource for the file `name`.
function(nox_version_resource_text var)
  cmake_parse_arguments(ARG "" "FILE;DESCRIPTION" "" ${ARGN})
  set(NOX_RC_FILE ${ARG_FILE})
  set(NOX_RC_DESCRIPTION ${ARG_DESCRIPTION})
  get_filename_component(NOX_RC_INTERNAL ${ARG_FILE} NAME_WE)
  if(ARG_FILE MATCHES "\\.[eE][xX][eE]$")
    set(NOX_RC_FILETYPE VFT_APP)
  else()
    set(NOX_RC_FILETYPE VFT_DLL)
  endif()
  file(READ ${PROJECT_SOURCE_DIR}/cmake/NoxVersion.rc.in text)
  string(CONFIGURE "${text}" text @ONLY)
  set(${var} "${text}" PARENT_SCOPE)
endfunction()

# nox_version_resource(target FILE name DESCRIPTION text)
# Gives the target a version resource naming it as `name`.
function(nox_version_resource target)
  nox_version_resource_text(text ${ARGN})
  set(rc ${CMAKE_BINARY_DIR}/generated/version/${target}.rc)
  # Rewritten only when the text changes, so an unchanged version relinks nothing.
  file(WRITE ${rc}.new "${text}")
  configure_file(${rc}.new ${rc} COPYONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# nox_ship(target FILE name DESCRIPTION text [OWN_VERSION_RESOURCE])
# A file of the package: installed at the top of it (beside NoxCore.dll, where
# the core looks for its modules) with its version resource, unless the target
# writes one of its own. Import libraries are not installed.
function(nox_ship target)
  cmake_parse_arguments(ARG "OWN_VERSION_RESOURCE" "FILE;DESCRIPTION" "" ${ARGN})
  if(NOT ARG_OWN_VERSION_RESOURCE)
    nox_version_resource(${target} FILE ${ARG_FILE} DESCRIPTION ${ARG_DESCRIPTION})
  endif()
  target_link_libraries(${target} PRIVATE NoxVersion)
  install(TARGETS ${target}
    RUNTIME DESTINATION . COMPONENT product
    LIBRARY DESTINATION . COMPONENT product
    ARCHIVE DESTINATION lib COMPONENT development EXCLUDE_FROM_ALL)
endfunction()
