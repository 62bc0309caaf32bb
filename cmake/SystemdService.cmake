# A systemd service and its environment file:
#
#   install_systemd_service(<name>
#     UNIT <file.service.in>   @SBINDIR@ and @ENVIRONMENT_FILE@ are filled in
#     DEFAULTS <file>          installed as /etc/default/<name>
#     COMPONENT <component>)
#
# The unit goes to <prefix>/lib/systemd/system, where systemd looks for
# units under /usr and /usr/local alike, and names the program under the
# prefix chosen at install time (cmake --install --prefix, or the
# packages' /usr). The environment file is the administrator's, in
# /etc/default whatever the prefix (below DESTDIR when one is given).
function(install_systemd_service name)
  cmake_parse_arguments(S "" "UNIT;DEFAULTS;COMPONENT" "" ${ARGN})
  if(NOT S_UNIT OR NOT S_DEFAULTS OR NOT S_COMPONENT)
    message(FATAL_ERROR "install_systemd_service(${name}): UNIT, DEFAULTS and COMPONENT are required")
  endif()
  get_filename_component(unit_in ${S_UNIT} ABSOLUTE)
  get_filename_component(defaults ${S_DEFAULTS} ABSOLUTE)
  set(staged ${CMAKE_CURRENT_BINARY_DIR}/systemd/${name}.service)
  install(CODE "
    set(SBINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_SBINDIR}\")
    set(ENVIRONMENT_FILE /etc/default/${name})
    configure_file(\"${unit_in}\" \"${staged}\" @ONLY)
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/system\"
      TYPE FILE FILES \"${staged}\")
  " COMPONENT ${S_COMPONENT})
  install(FILES ${defaults} DESTINATION /etc/default RENAME ${name} COMPONENT ${S_COMPONENT})
endfunction()
