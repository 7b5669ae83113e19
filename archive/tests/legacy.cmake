# Legacy methods 1 to 6 (unshrink, unreduce, explode): their tests, the
# test-only encoder they use, the fuzz targets and the program that writes
# the fuzz targets' seed corpora.
set(legacy_dir ${CMAKE_CURRENT_LIST_DIR}/..)

add_library(dz_legacy_test_support STATIC
  ${legacy_dir}/tests/legacy_test_support.cpp ${legacy_dir}/tests/legacy_test_encoder.cpp)
target_link_libraries(dz_legacy_test_support PUBLIC dz_decoders)
# The peer fixtures live next to the repository (<repo>/../shared).
target_compile_definitions(dz_legacy_test_support PRIVATE DZ_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

dz_add_test(NAME legacy_decoder_tests
  SOURCES ${legacy_dir}/tests/legacy_unshrink_test.cpp ${legacy_dir}/tests/legacy_unreduce_test.cpp
          ${legacy_dir}/tests/legacy_explode_test.cpp ${legacy_dir}/tests/legacy_fixtures_test.cpp
          ${legacy_dir}/tests/legacy_encrypted_test.cpp ${legacy_dir}/tests/legacy_boundaries_test.cpp
  LIBS dz_legacy_test_support)

# Writes the seeds of the fuzz targets: legacy_fuzz_seeds <archive/fuzz/corpus>
if(NOT DZ_WINDOWS)
  add_executable(legacy_fuzz_seeds ${legacy_dir}/fuzz/legacy_fuzz_seeds.cpp)
  target_link_libraries(legacy_fuzz_seeds PRIVATE dz_legacy_test_support)
endif()

foreach(decoder unshrink unreduce explode)
  dz_add_fuzzer(NAME legacy_${decoder}_fuzz
    SOURCES ${legacy_dir}/fuzz/legacy_${decoder}_fuzz.cpp
    LIBS dz_decoders
    CORPUS ${legacy_dir}/fuzz/corpus/legacy_${decoder}_fuzz)
endforeach()
