# scl_version_resource(<target> <description> [MANIFEST asInvoker|highestAvailable])
#
# Adds the version resource (version.rc.in) to a program: file and product version from
# project(VERSION), product "Scourline", company "Tolvane" and the description given. With
# MANIFEST, the resource file also embeds the manifest (app.manifest.in) at that execution
# level, for programs not made with scl_add_gui_program(), which embeds its own.
# The program also gets "common/version.h". Only in the mingw build (WIN32_BUILD); call it after
# the target exists.
set(SCL_VERSION_DIR ${CMAKE_CURRENT_LIST_DIR} CACHE INTERNAL "")

function(scl_version_resource target description)
  cmake_parse_arguments(PARSE_ARGV 2 ver "" "MANIFEST" "")
  if(NOT TARGET ${target})
    message(FATAL_ERROR "scl_version_resource(${target}): no such program")
  endif()
  get_target_property(type ${target} TYPE)
  if(NOT type STREQUAL "EXECUTABLE")
    message(FATAL_ERROR "scl_version_resource(${target}): not a program")
  endif()
  set(SCL_TARGET ${target})
  set(SCL_DESCRIPTION ${description})
  set(SCL_MANIFEST_RESOURCE "")
  if(ver_MANIFEST)
    if(NOT ver_MANIFEST MATCHES "^(asInvoker|highestAvailable)$")
      message(FATAL_ERROR "scl_version_resource(${target}): unknown MANIFEST level ${ver_MANIFEST}")
    endif()
    set(SCL_EXECUTION_LEVEL ${ver_MANIFEST})
    set(manifest ${CMAKE_BINARY_DIR}/generated/${target}.manifest)
    configure_file(${SCL_VERSION_DIR}/app.manifest.in ${manifest} @ONLY)
    # Resource 1 of type RT_MANIFEST (24), as app.rc.in embeds it for the window programs.
    set(SCL_MANIFEST_RESOURCE "1 24 \"${manifest}\"")
  endif()
  set(rc ${CMAKE_BINARY_DIR}/generated/${target}_version.rc)
  configure_file(${SCL_VERSION_DIR}/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  # "common/version.h" for the programs that print their version.
  target_link_libraries(${target} PRIVATE scl_version)
  if(ver_MANIFEST)
    set_property(SOURCE ${rc} TARGET_DIRECTORY ${target} APPEND PROPERTY OBJECT_DEPENDS ${manifest})
  endif()
endfunction()
