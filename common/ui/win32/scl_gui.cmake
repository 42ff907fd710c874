# scl_add_gui_program(<target> [EXECUTION_LEVEL asInvoker|highestAvailable] <source>...)
#
# Builds a Windows GUI program on the Win32 forms backend: wWinMain entry (-municode), no
# console (-mwindows), static runtime, the manifest that loads common controls 6, declares
# the program DPI aware and asks for the rights its work needs (asInvoker unless told:
# highestAvailable for programs that write below HKEY_LOCAL_MACHINE or end other users'
# processes, so an administrator is asked for consent), linked with scl_ui_win32 (which brings scl_ui, scl_text, comctl32 and
# the other system libraries). Link the program's own libraries afterwards with
# target_link_libraries(<target> PRIVATE ...). Only in the mingw build (WIN32_BUILD).
set(SCL_UI_WIN32_DIR ${CMAKE_CURRENT_LIST_DIR} CACHE INTERNAL "")

function(scl_add_gui_program target)
  if(NOT WIN32_BUILD)
    message(FATAL_ERROR "scl_add_gui_program(${target}): GUI programs are built in the mingw build only; "
                        "wrap the call in if(WIN32_BUILD)")
  endif()
  cmake_parse_arguments(PARSE_ARGV 1 gui "" "EXECUTION_LEVEL" "")
  set(SCL_EXECUTION_LEVEL asInvoker)
  if(gui_EXECUTION_LEVEL)
    if(NOT gui_EXECUTION_LEVEL MATCHES "^(asInvoker|highestAvailable)$")
      message(FATAL_ERROR "scl_add_gui_program(${target}): unknown EXECUTION_LEVEL ${gui_EXECUTION_LEVEL}")
    endif()
    set(SCL_EXECUTION_LEVEL ${gui_EXECUTION_LEVEL})
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_manifest.rc)
  set(SCL_UI_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  configure_file(${SCL_UI_WIN32_DIR}/app.manifest.in ${SCL_UI_MANIFEST} @ONLY)
  configure_file(${SCL_UI_WIN32_DIR}/app.rc.in ${rc} @ONLY)
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${SCL_UI_MANIFEST})
  add_executable(${target} WIN32 ${gui_UNPARSED_ARGUMENTS} ${rc})
  target_compile_options(${target} PRIVATE -municode)
  target_link_options(${target} PRIVATE -municode -mwindows -static)
  target_link_libraries(${target} PRIVATE scl_ui_win32)
endfunction()
