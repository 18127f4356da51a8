# The Linux install step: `cmake --install <build> --prefix DIR` lays out
#
#   DIR/lib/vexmor/Volsar.exe, Volsar.hlp, pelzorn.exe      the install folder
#   DIR/bin/vexmor-wininit                                  outside it: it stays after an uninstall
#
# and, for the user who runs it (HOME, XDG_CONFIG_HOME, XDG_DATA_HOME and user-dirs.dirs as they
# stand then), with DATA = ${XDG_DATA_HOME:-~/.local/share}:
#
#   DATA/applications/vexmor-recording.desktop              the launcher entry the menus list
#                                                           (TryExec: hidden once Volsar.exe is gone)
#   DATA/icons/hicolor/NxN/apps/vexmor-recording.png        its icon, N = 16, 24, 32, 48, 64, 128, 256
#   system.reg of the file registry: HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\
#     Uninstall\Vexmor_Rec, "UninstallString" = DIR/lib/vexmor/pelzorn.exe
#   <desktop folder>/vexmor-recording.desktop               the panel's shortcut (Exec: Volsar.exe)
#   ${XDG_CONFIG_HOME:-~/.config}/autostart/vexmor-wininit.desktop
#
# With DESTDIR set (a staged install for packaging) only the files under DIR are written, the
# launcher entry and the icons among them, in DIR/share/applications and DIR/share/icons.
if(WIN32 OR NOT TARGET Volsar)
  return()
endif()

get_filename_component(VEXMOR_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
set(VEXMOR_SETUP_DIR ${CMAKE_BINARY_DIR}/setup)

# The helper the install runs for the per-user registration steps.
add_executable(vexmor-register ${VEXMOR_ROOT}/platform/posix/setup/Register.cpp)
target_link_libraries(vexmor-register PRIVATE vx_posix)
set_target_properties(vexmor-register PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VEXMOR_SETUP_DIR})

set(VEXMOR_INSTALL_FOLDER lib/vexmor)

install(TARGETS Volsar RUNTIME DESTINATION ${VEXMOR_INSTALL_FOLDER})
install(FILES ${VEXMOR_ROOT}/panel/res/Volsar.hlp DESTINATION ${VEXMOR_INSTALL_FOLDER})
if(TARGET pelzorn)
  install(TARGETS pelzorn RUNTIME DESTINATION ${VEXMOR_INSTALL_FOLDER})
endif()
install(TARGETS vexmor-wininit RUNTIME DESTINATION bin)

# The uninstall registration names pelzorn.exe: written only when it is installed.
set(VEXMOR_REGISTER_UNINSTALL "")
if(TARGET pelzorn)
  set(VEXMOR_REGISTER_UNINSTALL "
    _vx_run(uninstall-string \"\${_vx_folder}/pelzorn.exe\")
    message(STATUS \"Registered: UninstallString = \${_vx_folder}/pelzorn.exe\")")
endif()

# Runs at install time; \${...} is expanded then, ${...} now.
install(CODE "
  get_filename_component(_vx_prefix \"\${CMAKE_INSTALL_PREFIX}\" ABSOLUTE)
  set(_vx_folder \"\${_vx_prefix}/${VEXMOR_INSTALL_FOLDER}\")
  set(_vx_register \"$<TARGET_FILE:vexmor-register>\")
  string(LENGTH \"\${_vx_folder}/pelzorn.exe\" _vx_length)
  if(_vx_length GREATER 259)
    message(WARNING \"The install folder path is too long for the uninstaller (\${_vx_length} characters, at most 259 with pelzorn.exe): choose a shorter prefix.\")
  endif()
  function(_vx_run)
    execute_process(COMMAND \"\${_vx_register}\" \${ARGN} RESULT_VARIABLE _vx_result)
    if(NOT _vx_result EQUAL 0)
      message(FATAL_ERROR \"vexmor-register \${ARGN} failed\")
    endif()
  endfunction()
  # The launcher entry and the icons: the package's own under PREFIX/share when staged, else the
  # user's, where menus look whatever the prefix.
  if(NOT \"\$ENV{DESTDIR}\" STREQUAL \"\")
    set(_vx_share \"\${_vx_prefix}/share\")
  else()
    execute_process(COMMAND \"\${_vx_register}\" data-home OUTPUT_VARIABLE _vx_share
                    OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _vx_result)
    if(NOT _vx_result EQUAL 0)
      message(FATAL_ERROR \"vexmor-register data-home failed\")
    endif()
  endif()
  foreach(_vx_icon ${VX_THEME_ICON_FILES})
    get_filename_component(_vx_icon_folder \"\${_vx_icon}\" DIRECTORY)
    file(INSTALL \"${VX_THEME_ICON_DIR}/\${_vx_icon}\" DESTINATION \"\${_vx_share}/icons/\${_vx_icon_folder}\")
  endforeach()
  _vx_run(launcher \"\$ENV{DESTDIR}\${_vx_share}/applications/vexmor-recording.desktop\"
          \"\${_vx_folder}/Volsar.exe\")
  if(NOT \"\$ENV{DESTDIR}\" STREQUAL \"\")
    message(STATUS \"DESTDIR is set: the uninstall registration, the desktop shortcut and the autostart entry are left to the package's own set-up\")
  else()
    ${VEXMOR_REGISTER_UNINSTALL}
    _vx_run(desktop-entry \"\${_vx_folder}/Volsar.exe\")
    _vx_run(autostart \"\${_vx_prefix}/bin/vexmor-wininit\")
  endif()
")
