# Debian packages, one per install component: `cpack` in a build tree makes
# the packages of the deliverables that tree builds (the ARM tree: the
# armhf coverage runtime).
#
#   component      package            contents
#   pcie-monitor   pcie-monitor       daemon, service, page, protocol headers
#   idprom         libboardprom1      library, idpromtool
#   idprom-dev     libboardprom-dev   headers, .so link, .pc, page
#   covdump        libcovdump1        library (amd64 or armhf)
#   covdump-dev    libcovdump-dev     headers, .so link, .pc, page
#   portlock       portlock           program, page
#   ssecall        libssecall1        library
#   ssecall-dev    libssecall-dev     headers, .so link, .pc, page
#
# The I/O FPGA stand-in (component iofpga-sim) is test material and in no
# package: a card has its own access library. Depends come from the
# binaries' shared-library dependencies (dpkg-shlibdeps).
set(PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(PACKAGE_MAINTAINER "Chassis platform software team <platform-software@chassis-platform.example>")
set(PACKAGE_RELEASE 1)

# Copyright and Debian changelog of one package, in its documentation
# directory, and its lintian overrides.
function(_package_documents component package)
  set(doc ${CMAKE_CURRENT_BINARY_DIR}/packaging/${package})
  set(PACKAGE ${package})
  set(VERSION ${PROJECT_VERSION}-${PACKAGE_RELEASE})
  set(MAINTAINER ${PACKAGE_MAINTAINER})
  configure_file(${PACKAGING_DIR}/changelog.in ${doc}/changelog.Debian @ONLY)
  configure_file(${PACKAGING_DIR}/lintian-overrides.in ${doc}/lintian-overrides/${package} @ONLY)
  install(FILES ${doc}/lintian-overrides/${package}
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides COMPONENT ${component})
  add_custom_command(OUTPUT ${doc}/changelog.Debian.gz
    COMMAND gzip -9nc ${doc}/changelog.Debian > ${doc}/changelog.Debian.gz
    DEPENDS ${doc}/changelog.Debian)
  add_custom_target(changelog_${package} ALL DEPENDS ${doc}/changelog.Debian.gz)
  install(FILES ${PACKAGING_DIR}/copyright ${doc}/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
endfunction()

#   debian_package(<component> <package> <section> <summary> <description>
#                  [DEPENDS <component>] [CONTROL <file>...])
function(debian_package component package section summary description)
  cmake_parse_arguments(P "" "DEPENDS" "CONTROL" ${ARGN})
  string(TOUPPER ${component} c)
  set(CPACK_DEBIAN_${c}_PACKAGE_NAME ${package} PARENT_SCOPE)
  set(CPACK_DEBIAN_${c}_PACKAGE_SECTION ${section} PARENT_SCOPE)
  set(CPACK_DEBIAN_${c}_DESCRIPTION "${summary}\n${description}" PARENT_SCOPE)
  if(P_DEPENDS)
    set(CPACK_COMPONENT_${c}_DEPENDS ${P_DEPENDS} PARENT_SCOPE)
  endif()
  if(P_CONTROL)
    set(CPACK_DEBIAN_${c}_PACKAGE_CONTROL_EXTRA ${P_CONTROL} PARENT_SCOPE)
  endif()
  _package_documents(${component} ${package})
  set(components ${PACKAGE_COMPONENTS} ${component})
  set(PACKAGE_COMPONENTS ${components} PARENT_SCOPE)
endfunction()

set(PACKAGE_COMPONENTS)
set(library_control ${PACKAGING_DIR}/triggers)

if(TARGET pcie_monitor)
  debian_package(pcie-monitor pcie-monitor admin
    "PCIe link monitor of the chassis cards"
    "Watches the PCIe links, AER error status, BARs, SATA ports and NICs of an
x86-64 card about once a second, reports changes to clients over TCP and
reloads the card when a critical device is lost. The same program is its own
command-line client. Includes the systemd service and the protocol headers."
    CONTROL ${PACKAGING_DIR}/pcie-monitor/conffiles)
endif()
if(TARGET boardprom)
  debian_package(idprom libboardprom1 libs
    "Identification PROMs of the chassis cards"
    "Reads, shows and programs the ID-PROMs of the card, its fan trays and
power modules over Linux I2C or the I/O FPGA's I2C/PMBus controllers, and
answers fan-tray and power-module presence checks. Includes idpromtool, the
operator's program. The card's I/O FPGA access library (libiofpga.so) is
provided by the platform."
    CONTROL ${library_control})
  debian_package(idprom-dev libboardprom-dev libdevel
    "Identification PROMs of the chassis cards: development files"
    "Header, pkg-config file and manual page for programs that use libboardprom."
    DEPENDS idprom)
endif()
if(TARGET covdump)
  debian_package(covdump libcovdump1 libs
    "Coverage runtime for programs built with arc profiling"
    "Registers the instrumented objects of a process, dumps their counters
into one file on SIGTERM, on signal 56 and at exit, clears them on signal 57
and keeps per-card logs of registrations, signals and dumps."
    CONTROL ${library_control})
  debian_package(covdump-dev libcovdump-dev libdevel
    "Coverage runtime: development files"
    "Header, pkg-config file and manual page for programs linked against
libcovdump."
    DEPENDS covdump)
endif()
if(TARGET portlock)
  debian_package(portlock portlock admin
    "Management-engine lock tool of the chassis cards"
    "Locks or unlocks the management engine of an x86-64 card by software
SMIs on I/O ports 0xB2 and 0x80.")
endif()
if(TARGET ssecall)
  debian_package(ssecall libssecall1 libs
    "Command gateway to the SSE kernel driver"
    "Forwards a command and its argument pointer to the SSE driver's device
and returns the driver's result."
    CONTROL ${library_control})
  debian_package(ssecall-dev libssecall-dev libdevel
    "Command gateway to the SSE kernel driver: development files"
    "Header, pkg-config file and manual page for programs that use libssecall."
    DEPENDS ssecall)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME chassis-platform)
set(CPACK_PACKAGE_VENDOR "Chassis platform software team")
set(CPACK_PACKAGE_CONTACT ${PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_COMPONENTS_ALL ${PACKAGE_COMPONENTS})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The access library of libboardprom is the platform's: dpkg-shlibdeps
# finds the stand-in here and, with no package owning it, adds no Depends.
if(TARGET iofpga)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/idprom/iofpga_sim)
endif()
if(CMAKE_CROSSCOMPILING)
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^arm")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE armhf)
  else()
    message(FATAL_ERROR "no Debian architecture known for ${CMAKE_SYSTEM_PROCESSOR}")
  endif()
endif()
# Stripped binaries. (This CPack's -dbgsym packages list their files by
# build-tree paths in md5sums, which dpkg and lintian reject, so the debug
# symbols stay in the build tree.)
set(CPACK_STRIP_FILES ON)
include(CPack)
