# Extraction tests (UnZip, the data path against peer tools) and the
# extraction fuzz target. Included by archive/CMakeLists.txt.
dz_add_test(NAME unzip_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/unzip_test.cpp
  LIBS dz_archive ZLIB::ZLIB)
if(NOT DZ_WINDOWS)
  # Peer tools run on the host.
  dz_add_test(NAME unzip_peer_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/unzip_peers_test.cpp
    LIBS dz_archive)
endif()

# Extraction fuzz target; its seeds come from make_unzip_seeds.
if(NOT DZ_WINDOWS)
  dz_add_fuzzer(NAME unzip_extract_fuzzer
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/../fuzz/unzip_extract_fuzzer.cpp
    LIBS dz_archive
    CORPUS ${CMAKE_CURRENT_LIST_DIR}/../fuzz/corpus/unzip_extract)
  add_executable(make_unzip_seeds ${CMAKE_CURRENT_LIST_DIR}/../fuzz/make_unzip_seeds.cpp)
  target_link_libraries(make_unzip_seeds PRIVATE dz_decoders ZLIB::ZLIB)
  target_include_directories(make_unzip_seeds PRIVATE ${CMAKE_SOURCE_DIR})
endif()

if(NOT DZ_WINDOWS AND NOT DZ_FUZZ)
  dz_add_test(NAME unzip_cli_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/unzip_cli_test.cpp
    LIBS dz_decoders ZLIB::ZLIB)
  target_compile_definitions(unzip_cli_tests PRIVATE UNZIPPER_PATH="$<TARGET_FILE:unzipper>")
  add_dependencies(unzip_cli_tests unzipper)
endif()
