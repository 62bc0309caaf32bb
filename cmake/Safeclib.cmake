# safeclib, the bounds-checked string library, as an imported target.
if(NOT TARGET safeclib::safeclib)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(SAFECLIB REQUIRED IMPORTED_TARGET libsafec)
  add_library(safeclib::safeclib ALIAS PkgConfig::SAFECLIB)
endif()
