# libFuzzer targets.
#
# Configure a tree with clang and -DBUILD_FUZZERS=ON (the test command's
# sanitizer tree does): every object of that tree is then built with the
# fuzzer's coverage instrumentation and the address and undefined-behaviour
# sanitizers, and each target declared here becomes an executable and a
# CTest entry labelled fuzz that runs it for FUZZ_SECONDS from its seed
# corpus. In any other tree add_fuzz_target() does nothing.
#
#   add_fuzz_target(<deliverable> <name>
#     SOURCES <file>...          the target, with LLVMFuzzerTestOneInput
#     CORPUS <dir>               seed inputs kept in the repository; inputs
#                                that once found a fault stay there as
#                                regression cases
#     [LIBRARIES <lib>...] [INCLUDES <dir>...] [DEFINITIONS <def>...])
#
# The test is named <deliverable>.fuzz.<name>; the target builds with the
# `fuzzers` target.
set(FUZZ_SECONDS 10 CACHE STRING "Seconds each fuzz target runs in the test command")

if(BUILD_FUZZERS AND NOT TARGET fuzzers)
  add_custom_target(fuzzers)
endif()

function(add_fuzz_target deliverable name)
  if(NOT BUILD_FUZZERS)
    return()
  endif()
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBRARIES;INCLUDES;DEFINITIONS" ${ARGN})
  if(NOT F_SOURCES OR NOT F_CORPUS)
    message(FATAL_ERROR "add_fuzz_target(${name}): SOURCES and CORPUS are required")
  endif()
  if(NOT IS_DIRECTORY ${F_CORPUS})
    message(FATAL_ERROR "add_fuzz_target(${name}): no seed corpus at ${F_CORPUS}")
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_LIBRARIES})
  target_include_directories(${name} PRIVATE ${F_INCLUDES})
  target_compile_definitions(${name} PRIVATE ${F_DEFINITIONS})
  add_dependencies(fuzzers ${name})
  add_test(NAME ${deliverable}.fuzz.${name}
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/run_fuzzer.sh $<TARGET_FILE:${name}> ${F_CORPUS}
            ${CMAKE_CURRENT_BINARY_DIR}/${name}.work ${FUZZ_SECONDS})
  set_tests_properties(${deliverable}.fuzz.${name} PROPERTIES LABELS fuzz
    TIMEOUT 300)
endfunction()
