# Test registration shared by both trees.
#
# dz_add_test(NAME name SOURCES ... LIBS ... [LABELS ...] [RESOURCES file.rc])
#   Builds a GoogleTest program. Natively each test case becomes a CTest test;
#   in the Windows tree the program is one CTest test run under Wine (through
#   the cross-compiling emulator), so that Wine starts once per program.

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

function(dz_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS;RESOURCES" ${ARGN})
  if(DZ_FUZZ)
    return()  # the fuzz tree runs only the fuzz targets
  endif()
  add_executable(${T_NAME} ${T_SOURCES} ${T_RESOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} ${DZ_GTEST_LIBS} dz_test_main)
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
set(DZ_FUZZ_SECONDS 60 CACHE STRING "Default time budget of one fuzz target in the fuzz tree")

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
