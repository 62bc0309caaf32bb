# A systemd service and its environment file, placed for the prefix chosen
# at install time (cmake --install --prefix, a DESTDIR, or the packages):
#
#   install_systemd_service(<name>
#     UNIT <file.service.in>   @SBINDIR@ and @ENVIRONMENT_FILE@ are filled in
#     DEFAULTS <file>          installed as <sysconfdir>/default/<name>
#     COMPONENT <component>)
#
# The unit goes to <prefix>/lib/systemd/system, where systemd looks for
# units under /usr and /usr/local alike. The environment file goes to /etc
# for the prefix /usr, as Debian's packages place it, and to <prefix>/etc
# otherwise.
function(install_systemd_service name)
  cmake_parse_arguments(S "" "UNIT;DEFAULTS;COMPONENT" "" ${ARGN})
  if(NOT S_UNIT OR NOT S_DEFAULTS OR NOT S_COMPONENT)
    message(FATAL_ERROR "install_systemd_service(${name}): UNIT, DEFAULTS and COMPONENT are required")
  endif()
  get_filename_component(unit_in ${S_UNIT} ABSOLUTE)
  get_filename_component(defaults ${S_DEFAULTS} ABSOLUTE)
  set(staged ${CMAKE_CURRENT_BINARY_DIR}/systemd/${name}.service)
  install(CODE "
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
      set(sysconfdir /etc)
    else()
      set(sysconfdir \"\${CMAKE_INSTALL_PREFIX}/etc\")
    endif()
    set(SBINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_SBINDIR}\")
    set(ENVIRONMENT_FILE \"\${sysconfdir}/default/${name}\")
    configure_file(\"${unit_in}\" \"${staged}\" @ONLY)
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/system\"
      TYPE FILE FILES \"${staged}\")
    file(INSTALL DESTINATION \"\${sysconfdir}/default\"
      TYPE FILE RENAME ${name} FILES \"${defaults}\")
  " COMPONENT ${S_COMPONENT})
endfunction()
