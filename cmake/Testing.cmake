# Test registration shared by both trees.
#
# dz_add_test(NAME name SOURCES ... LIBS ... [LABELS ...] [RESOURCES file.rc]
#             [DEFINITIONS NAME=value ...])
#   Builds a GoogleTest program (not in the fuzz tree, which runs only the fuzz
#   targets). Natively each test case becomes a CTest test; in the Windows
#   tree the program is one CTest test run under Wine (through the
#   cross-compiling emulator), so that Wine starts once per program.
#   DEFINITIONS are compile definitions of the program, such as the folders of
#   its data files.

if(DZ_WINDOWS)
  # GoogleTest for the Windows tree, built from Debian's sources.
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # GoogleTest's sources reach characters outside GBK (the micro sign of
  # <chrono>), which the program-wide -fexec-charset=CP936 cannot encode; they
  # need no GBK literals, so they keep UTF-8.
  target_compile_options(gtest PRIVATE -fexec-charset=UTF-8)
  target_compile_options(gmock PRIVATE -fexec-charset=UTF-8)
  set(DZ_GTEST_LIBS gtest gmock)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine-run)
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
  set(DZ_GTEST_LIBS GTest::gtest GTest::gmock)
endif()

# The test programs' own code is compiled without optimisation or debug
# information, and GoogleTest's headers are parsed once for all of them (one
# precompiled header): most of a tree's build time went there. The code under
# test keeps the tree's own flags. In the AddressSanitizer tree that holds for
# the instrumentation too: the libraries under test are instrumented and the
# programs link the sanitizers' runtime, the tests' own code (GoogleTest's
# macros, a third of that tree's compile time) is not. (ThreadSanitizer needs
# every part that synchronises instrumented, so its tree keeps it everywhere.)
set(DZ_TEST_COMPILE_OPTIONS -O0 -g0)
if(DZ_SANITIZE)
  list(APPEND DZ_TEST_COMPILE_OPTIONS -fno-sanitize=all)
endif()
if(NOT DZ_FUZZ)
  add_library(dz_test_pch OBJECT ${CMAKE_SOURCE_DIR}/cmake/test_pch.cpp)
  target_link_libraries(dz_test_pch PRIVATE ${DZ_GTEST_LIBS})
  target_compile_options(dz_test_pch PRIVATE ${DZ_TEST_COMPILE_OPTIONS})
  target_precompile_headers(dz_test_pch PRIVATE <gtest/gtest.h> <gmock/gmock.h>)
endif()

# dz_use_test_compile_options(target): a test program's code compiled as above.
function(dz_use_test_compile_options target)
  target_compile_options(${target} PRIVATE ${DZ_TEST_COMPILE_OPTIONS})
  target_precompile_headers(${target} REUSE_FROM dz_test_pch)
endfunction()

# dz_use_test_support(target): on Windows, the test hooks' objects linked into
# a test program directly, so that its message boxes and pump are the tests'
# (platform/CMakeLists.txt).
function(dz_use_test_support target)
  if(DZ_WINDOWS)
    target_link_libraries(${target} PRIVATE dz_test_support)
  endif()
endfunction()

function(dz_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS;RESOURCES;DEFINITIONS" ${ARGN})
  if(DZ_FUZZ)
    return()  # the fuzz tree runs only the fuzz targets
  endif()
  add_executable(${T_NAME} ${T_SOURCES} ${T_RESOURCES})
  set_target_properties(${T_NAME} PROPERTIES DZ_TEST_PROGRAM TRUE)
  dz_use_test_compile_options(${T_NAME})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} ${DZ_GTEST_LIBS} dz_test_main)
  dz_use_test_support(${T_NAME})
  target_compile_definitions(${T_NAME} PRIVATE ${T_DEFINITIONS})
  if(DZ_WINDOWS)
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES LABELS "wine;${T_LABELS}" TIMEOUT 300)
  else()
    set(props TIMEOUT 120)
    if(T_LABELS)
      list(APPEND props LABELS "${T_LABELS}")
    endif()
    gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
  endif()
endfunction()

# dz_add_fuzzer(NAME name SOURCES ... LIBS ... CORPUS dir... [SECONDS n])
#   A libFuzzer target (LLVMFuzzerTestOneInput). In the fuzz tree it is built
#   with -fsanitize=fuzzer and registered as a bounded CTest run from its seed
#   corpus. In the other native trees it is built with a small driver that runs
#   every file of the corpus folders once, so the seeds and every crash kept as
#   a regression file are checked by the ordinary test run.
set(DZ_FUZZ_SECONDS 2 CACHE STRING "Default time budget of one fuzz target in the fuzz tree")
# Every fuzz target, so that the fuzz tree builds them and nothing else.
if(DZ_FUZZ)
  add_custom_target(dz_fuzz_targets)
endif()

function(dz_add_fuzzer)
  cmake_parse_arguments(F "" "NAME;SECONDS" "SOURCES;LIBS;CORPUS" ${ARGN})
  if(DZ_WINDOWS)
    return()
  endif()
  if(NOT F_SECONDS)
    set(F_SECONDS ${DZ_FUZZ_SECONDS})
  endif()
  add_executable(${F_NAME} ${F_SOURCES})
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  if(DZ_FUZZ)
    target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
    add_dependencies(dz_fuzz_targets ${F_NAME})
    set(work ${CMAKE_BINARY_DIR}/fuzz-corpus/${F_NAME})
    add_test(NAME ${F_NAME}
      COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
              ${CMAKE_SOURCE_DIR}/tools/run-fuzzer.sh $<TARGET_FILE:${F_NAME}> ${work} ${F_SECONDS} ${F_CORPUS})
    set_tests_properties(${F_NAME} PROPERTIES LABELS fuzz TIMEOUT 900)
  else()
    target_link_libraries(${F_NAME} PRIVATE dz_fuzz_driver)
    add_test(NAME ${F_NAME}_corpus COMMAND ${F_NAME} ${F_CORPUS})
    set_tests_properties(${F_NAME}_corpus PROPERTIES LABELS fuzz-corpus TIMEOUT 300)
  endif()
endfunction()

# dz_add_windows_program_checks()
#   Called once, after every folder is added. In the Windows tree: for every
#   program the tree builds (test programs aside) a test that it is
#   a program of the tree's architecture and of its subsystem importing only system DLLs, so each one
#   is a single file; and one test over all our object files that no ANSI
#   text function is called, with a probe showing that the check finds one.
function(dz_add_windows_program_checks)
  if(NOT DZ_WINDOWS)
    return()
  endif()
  set(folders ${CMAKE_SOURCE_DIR})
  set(programs "")
  while(folders)
    list(POP_FRONT folders folder)
    get_property(subfolders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
    list(APPEND folders ${subfolders})
    get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target ${targets})
      get_target_property(type ${target} TYPE)
      get_target_property(excluded ${target} EXCLUDE_FROM_ALL)
      # Test programs: the GoogleTest ones, and the drivers whose sources
      # live in a tests folder.
      get_target_property(test_program ${target} DZ_TEST_PROGRAM)
      get_target_property(sources ${target} SOURCES)
      list(GET sources 0 first_source)
      if("${folder}/${first_source}" MATCHES "/tests/")
        set(test_program TRUE)
      endif()
      if(type STREQUAL "EXECUTABLE" AND NOT test_program AND NOT excluded)
        list(APPEND programs ${target})
      endif()
    endforeach()
  endwhile()
  if(NOT programs)
    message(FATAL_ERROR "no Windows program found to check")
  endif()
  # The programs alone, for a tree that is only checked statically.
  add_custom_target(dz_windows_programs)
  add_dependencies(dz_windows_programs ${programs})
  foreach(program ${programs})
    get_target_property(gui ${program} WIN32_EXECUTABLE)
    if(gui)
      set(subsystem --gui)
    else()
      set(subsystem --console)
    endif()
    add_test(NAME pe_imports_${program}
      COMMAND ${CMAKE_COMMAND} -E env OBJDUMP=${CMAKE_OBJDUMP}
              bash ${CMAKE_SOURCE_DIR}/tools/check-pe-imports.sh ${subsystem} ${CMAKE_SYSTEM_PROCESSOR}
              $<TARGET_FILE:${program}>)
    set_tests_properties(pe_imports_${program} PROPERTIES LABELS build-truth TIMEOUT 60)
  endforeach()
  # The installer the packer writes from the stub: a custom target, built
  # with the programs so that a tree checked only statically checks it too.
  if(TARGET DIzavozi-stub)
    add_dependencies(dz_windows_programs DIzavozi)
    add_test(NAME pe_imports_DIzavozi
      COMMAND ${CMAKE_COMMAND} -E env OBJDUMP=${CMAKE_OBJDUMP}
              bash ${CMAKE_SOURCE_DIR}/tools/check-pe-imports.sh --gui ${CMAKE_SYSTEM_PROCESSOR} ${DZ_INSTALLER_EXE})
    set_tests_properties(pe_imports_DIzavozi PROPERTIES LABELS build-truth TIMEOUT 60)
  endif()
  # The programs that run as administrator import known DLLs only.
  if(TARGET DIzavozi-stub AND TARGET UnInstall)
    set(objdump_env ${CMAKE_COMMAND} -E env OBJDUMP=${CMAKE_OBJDUMP})
    add_test(NAME known_dlls_only
      COMMAND ${objdump_env} bash ${CMAKE_SOURCE_DIR}/tools/check-known-dlls.sh ${CMAKE_SYSTEM_PROCESSOR}
              ${DZ_INSTALLER_EXE} $<TARGET_FILE:DIzavozi-stub> $<TARGET_FILE:UnInstall>)
    add_test(NAME known_dlls_only_probe
      COMMAND ${objdump_env} bash ${CMAKE_SOURCE_DIR}/tools/check-known-dlls.sh ${CMAKE_SYSTEM_PROCESSOR}
              --probe ${CMAKE_CXX_COMPILER})
    set_tests_properties(known_dlls_only known_dlls_only_probe PROPERTIES LABELS build-truth TIMEOUT 120)
  endif()
  set(nm_env ${CMAKE_COMMAND} -E env NM=${CMAKE_NM})
  add_test(NAME no_ansi_text_calls
    COMMAND ${nm_env} bash ${CMAKE_SOURCE_DIR}/tools/check-no-ansi-calls.sh ${CMAKE_SYSTEM_PROCESSOR}
            ${CMAKE_BINARY_DIR})
  add_test(NAME no_ansi_text_calls_probe
    COMMAND ${nm_env} bash ${CMAKE_SOURCE_DIR}/tools/check-no-ansi-calls.sh ${CMAKE_SYSTEM_PROCESSOR}
            --probe ${CMAKE_CXX_COMPILER})
  set_tests_properties(no_ansi_text_calls no_ansi_text_calls_probe PROPERTIES LABELS build-truth TIMEOUT 120)
endfunction()
