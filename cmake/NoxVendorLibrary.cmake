# Outside vendor libraries that plug-ins link against (QSvrInfo, Vellum,
# Fennick, Pellard). They are built with the vendor's compiler, so what our
# modules bind to is fixed by their export tables, not by a header: decorated
# C++ names in the vendor compiler's scheme, plain C names, or bare ordinals.
#
# A names file lists what one library exports that we use, one entry a line
# ('#' starts a comment):
#   LOCAL                          a plain C name, the same on both targets
#   LOCAL X86_NAME X64_NAME        a decorated name per target
#   LOCAL @ORDINAL ARG_BYTES       an ordinal-only __stdcall function whose
#                                  arguments take ARG_BYTES on x86
# LOCAL is the extern "C" name our code declares (vendor headers beside the
# names file) and calls.
#
# nox_vendor_library(NAME DLL file NAMES names-file)
#   vendor_<NAME>          links the import library that dlltool makes from
#                          the names: our LOCAL symbols bound to the exact
#                          export names or ordinals of `file`
#   vendor_<NAME>_exports  (global property) a .def with which a stand-in DLL
#                          exports its LOCAL functions under those names
# Called by both the plug-ins and the stand-ins; the first call defines it.
include_guard(GLOBAL)

function(nox_vendor_library name)
  cmake_parse_arguments(ARG "" "DLL;NAMES" "" ${ARGN})
  if(TARGET vendor_${name})
    return()
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(x64 TRUE)
  else()
    set(x64 FALSE)
  endif()

  file(STRINGS ${ARG_NAMES} lines)
  set(imports "LIBRARY ${ARG_DLL}\nEXPORTS\n")
  set(exports "LIBRARY ${ARG_DLL}\nEXPORTS\n")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "#.*$" "" line "${line}")
    string(STRIP "${line}" line)
    if(line STREQUAL "")
      continue()
    endif()
    string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
    list(LENGTH fields count)
    list(GET fields 0 local)
    if(count EQUAL 1)
      string(APPEND imports "  ${local}\n")
      string(APPEND exports "  ${local}\n")
    elseif(count EQUAL 3)
      list(GET fields 1 second)
      list(GET fields 2 third)
      if(second MATCHES "^@([0-9]+)$")
        set(ordinal ${CMAKE_MATCH_1})
        if(x64)
          set(symbol ${local})
        else()
          set(symbol ${local}@${third})
        endif()
        string(APPEND imports "  ${symbol} @${ordinal} NONAME\n")
        string(APPEND exports "  ${symbol} @${ordinal} NONAME\n")
      else()
        if(x64)
          set(exported ${third})
        else()
          set(exported ${second})
        endif()
        string(APPEND imports "  ${local} == ${exported}\n")
        string(APPEND exports "  ${exported} = ${local}\n")
      endif()
    else()
      message(FATAL_ERROR "${ARG_NAMES}: cannot read line '${line}'")
    endif()
  endforeach()

  set(dir ${CMAKE_BINARY_DIR}/vendor)
  file(MAKE_DIRECTORY ${dir})
  # Rewritten only when the text changes, so an unchanged list relinks nothing.
  foreach(kind imports exports)
    file(WRITE ${dir}/${name}-${kind}.def.new "${${kind}}")
    configure_file(${dir}/${name}-${kind}.def.new ${dir}/${name}-${kind}.def COPYONLY)
  endforeach()
  set(library ${dir}/lib${name}-vendor.a)
  add_custom_command(OUTPUT ${library}
    COMMAND ${CMAKE_DLLTOOL} -d ${dir}/${name}-imports.def -l ${library} -D ${ARG_DLL}
    DEPENDS ${dir}/${name}-imports.def ${ARG_NAMES}
    COMMENT "Import library of ${ARG_DLL}")
  add_custom_target(vendor_${name}_library DEPENDS ${library})
  add_library(vendor_${name} INTERFACE)
  target_link_libraries(vendor_${name} INTERFACE ${library})
  add_dependencies(vendor_${name} vendor_${name}_library)
  set_property(GLOBAL PROPERTY vendor_${name}_exports ${dir}/${name}-exports.def)
endfunction()

# nox_add_standin(target NAME vendor-name SOURCES ... [LIBS ...])
# A stand-in for an outside library: <DLL> beside the binaries, exporting its
# functions exactly as the vendor library does (names or ordinals from the
# names file). It is not shipped; see standins/README.md.
function(nox_add_standin target)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBS" ${ARGN})
  get_property(def GLOBAL PROPERTY vendor_${ARG_NAME}_exports)
  if(NOT def)
    message(FATAL_ERROR "nox_add_standin(${target}): call nox_vendor_library(${ARG_NAME} ...) first")
  endif()
  add_library(${target} SHARED ${ARG_SOURCES} ${def})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${ARG_NAME} IMPORT_PREFIX "libstandin")
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/standins/common)
  target_link_libraries(${target} PRIVATE ${ARG_LIBS})
  # The package test tells a plug-in skipped for want of the vendor's library
  # from one that lacks a file of ours.
  set_property(GLOBAL APPEND PROPERTY NOX_STANDIN_FILES ${ARG_NAME}.dll)
endfunction()
