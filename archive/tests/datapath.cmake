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
