# nox_add_plugin(target KIND observation|serializer SOURCES ... [LIBS ...]
#                [OUTPUT_DIRECTORY dir])
# A plug-in module as the core loads it: <target>.nxo for an observation module,
# <target>.nxw for the serializer, no "lib" prefix, no import library, linked
# against NoxUtil and PlugBase. Its sources use nox/PluginModule.h for the
# exports. The core loads every module of its own folder, so test modules go to
# an OUTPUT_DIRECTORY of their own; every module built beside NoxCore.dll is
# part of the package (nox_ship) with no list to edit.
function(nox_add_plugin target)
  cmake_parse_arguments(ARG "" "KIND;OUTPUT_DIRECTORY" "SOURCES;LIBS" ${ARGN})
  if(ARG_KIND STREQUAL "observation")
    set(suffix ".nxo")
  elseif(ARG_KIND STREQUAL "serializer")
    set(suffix ".nxw")
  else()
    message(FATAL_ERROR "nox_add_plugin(${target}): KIND must be observation or serializer")
  endif()
  add_library(${target} MODULE ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE NoxUtil PlugBase ${ARG_LIBS})
  set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX "${suffix}")
  if(ARG_OUTPUT_DIRECTORY)
    set_target_properties(${target} PROPERTIES
      LIBRARY_OUTPUT_DIRECTORY "${ARG_OUTPUT_DIRECTORY}"
      RUNTIME_OUTPUT_DIRECTORY "${ARG_OUTPUT_DIRECTORY}")
  else()
    nox_ship(${target} FILE ${target}${suffix} DESCRIPTION "NoxInfo ${target} plug-in")
  endif()
endfunction()
