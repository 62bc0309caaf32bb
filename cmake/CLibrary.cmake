# The recipe of the C-ABI shared libraries (libboardprom, libcovdump,
# libssecall): C++ inside, loaded into C programs, exactly the names of a
# version script exported.
#
#   c_library_objects(<target>)
#     Compile options of every object that goes into such a library: hidden
#     visibility, no exceptions, no RTTI. Use it on the object libraries
#     that the unit tests share with the library.
#
#   add_c_library(<target>
#     SOURCES <file or $<TARGET_OBJECTS:...>>...
#     VERSION_SCRIPT <file>          the exported names (global:), nothing else
#     HEADERS <file>...              the public headers
#     COMPONENT <name>               runtime: the shared object and its soname link
#     DEV_COMPONENT <name>           headers, the .so link, the .pc file, man pages
#     DELIVERABLE <prefix>           names the export check <prefix>.library.exports
#     DESCRIPTION <text>             pkg-config Description
#     [MAN_PAGES <file>...]          section-3 pages
#     [LIBRARIES <lib>...]           linked privately
#     [NEEDED <soname>...]           NEEDED entries the export check insists on
#     [PC_LIBS <flag>...]            pkg-config Libs after -l<name>
#     [PC_LIBS_PRIVATE <flag>...])   pkg-config Libs.private
#
# The library is linked by the C driver (libstdc++ is never NEEDED), with
# --no-undefined outside the sanitizer builds (their runtimes come from the
# executable), carries soname lib<name>.so.<major> and the project's
# version, and installs a pkg-config file whose prefix is found from the
# file's own place, so it holds for any prefix and inside a DESTDIR or a
# sysroot.

set(C_LIBRARY_CHECK ${CMAKE_CURRENT_LIST_DIR}/check_library.sh)
set(C_LIBRARY_PC_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/c_library.pc.in)

function(c_library_objects target)
  target_compile_options(${target} PRIVATE -fvisibility=hidden
    $<$<COMPILE_LANGUAGE:CXX>:-fvisibility-inlines-hidden -fno-exceptions -fno-rtti>)
endfunction()

# The ELF machine name readelf prints for the target processor.
function(_c_library_machine out)
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^arm")
    set(${out} "ARM" PARENT_SCOPE)
  elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64)$")
    set(${out} "Advanced Micro Devices X86-64" PARENT_SCOPE)
  else()
    message(FATAL_ERROR "no ELF machine name known for ${CMAKE_SYSTEM_PROCESSOR}")
  endif()
endfunction()

function(_c_library_pkgconfig target)
  cmake_parse_arguments(PC "" "DESCRIPTION" "LIBS;LIBS_PRIVATE" ${ARGN})
  set(pcdir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    # An absolute library directory is not relocatable: name it as it is.
    set(PC_PREFIX ${CMAKE_INSTALL_PREFIX})
    set(PC_LIBDIR ${CMAKE_INSTALL_LIBDIR})
  else()
    file(RELATIVE_PATH up /root/${pcdir} /root)
    string(REGEX REPLACE "/$" "" up "${up}")
    set(PC_PREFIX "\${pcfiledir}/${up}")
    set(PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
  endif()
  if(IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
    set(PC_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})
  else()
    set(PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
  endif()
  set(PC_NAME lib${target})
  list(JOIN PC_LIBS " " PC_LIBS)
  list(JOIN PC_LIBS_PRIVATE " " PC_LIBS_PRIVATE)
  set(PC_LIBS_LINE "-L\${libdir} -l${target}")
  if(PC_LIBS)
    string(APPEND PC_LIBS_LINE " ${PC_LIBS}")
  endif()
  set(PC_EXTRA_LINES "")
  if(PC_LIBS_PRIVATE)
    string(APPEND PC_EXTRA_LINES "Libs.private: ${PC_LIBS_PRIVATE}\n")
  endif()
  set(pc ${CMAKE_CURRENT_BINARY_DIR}/${PC_NAME}.pc)
  configure_file(${C_LIBRARY_PC_TEMPLATE} ${pc} @ONLY)
  set(${target}_PC_FILE ${pc} PARENT_SCOPE)
endfunction()

function(add_c_library target)
  cmake_parse_arguments(L ""
    "VERSION_SCRIPT;COMPONENT;DEV_COMPONENT;DELIVERABLE;DESCRIPTION"
    "SOURCES;HEADERS;MAN_PAGES;LIBRARIES;NEEDED;PC_LIBS;PC_LIBS_PRIVATE"
    ${ARGN})
  foreach(required SOURCES VERSION_SCRIPT HEADERS COMPONENT DEV_COMPONENT DELIVERABLE DESCRIPTION)
    if(NOT L_${required})
      message(FATAL_ERROR "add_c_library(${target}): ${required} is required")
    endif()
  endforeach()
  get_filename_component(map ${L_VERSION_SCRIPT} ABSOLUTE)

  add_library(${target} SHARED ${L_SOURCES})
  c_library_objects(${target})
  set_target_properties(${target} PROPERTIES
    LINKER_LANGUAGE C
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    LINK_DEPENDS ${map})
  target_link_options(${target} PRIVATE -Wl,--version-script=${map} -Wl,--as-needed)
  if(NOT SANITIZE AND NOT SANITIZE_THREAD)
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
  target_link_libraries(${target} PRIVATE ${L_LIBRARIES})
  foreach(header IN LISTS L_HEADERS)
    get_filename_component(dir ${header} ABSOLUTE)
    get_filename_component(dir ${dir} DIRECTORY)
    target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${dir}>)
  endforeach()
  target_include_directories(${target} PUBLIC $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

  _c_library_pkgconfig(${target} DESCRIPTION "${L_DESCRIPTION}" LIBS ${L_PC_LIBS}
    LIBS_PRIVATE ${L_PC_LIBS_PRIVATE})

  install(TARGETS ${target}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
      COMPONENT ${L_COMPONENT} NAMELINK_COMPONENT ${L_DEV_COMPONENT})
  install(FILES ${L_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
    COMPONENT ${L_DEV_COMPONENT})
  install(FILES ${${target}_PC_FILE} DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
    COMPONENT ${L_DEV_COMPONENT})
  if(L_MAN_PAGES)
    install_man_pages(${L_DEV_COMPONENT} ${L_MAN_PAGES})
  endif()

  # The export check: the names of the version script itself against the
  # dynamic symbol table, the soname, the target machine and the NEEDED
  # entries (no C++ runtime). It is about the shipped library, so the
  # sanitizer trees leave it out.
  if(BUILD_TESTING AND NOT SANITIZE AND NOT SANITIZE_THREAD)
    _c_library_machine(machine)
    set(test ${L_DELIVERABLE}.library.exports)
    add_test(NAME ${test}
      COMMAND sh ${C_LIBRARY_CHECK} ${CMAKE_NM} ${CMAKE_READELF} $<TARGET_FILE:${target}>
              ${map} lib${target}.so.${PROJECT_VERSION_MAJOR} ${machine} ${L_NEEDED})
    set_tests_properties(${test} PROPERTIES LABELS system)
  endif()
endfunction()

# Section-8 or section-3 pages, compressed as Debian ships them, installed
# with a component.
#   install_man_pages(<component> <page>...)
function(install_man_pages component)
  foreach(page IN LISTS ARGN)
    get_filename_component(source ${page} ABSOLUTE)
    get_filename_component(name ${page} NAME)
    string(REGEX MATCH "[0-9]$" section ${name})
    if(NOT section)
      message(FATAL_ERROR "install_man_pages: ${page} has no section number")
    endif()
    set(compressed ${CMAKE_CURRENT_BINARY_DIR}/man/${name}.gz)
    add_custom_command(OUTPUT ${compressed}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
      COMMAND gzip -9nc ${source} > ${compressed}
      DEPENDS ${source}
      COMMENT "Compressing ${name}")
    string(MAKE_C_IDENTIFIER "man_${component}_${name}" page_target)
    add_custom_target(${page_target} ALL DEPENDS ${compressed})
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section}
      COMPONENT ${component})
  endforeach()
endfunction()
