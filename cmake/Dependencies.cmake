# The libraries the program depends on, as the targets ZLIB::ZLIB,
# JPEG::JPEG and LIBDEFLATE::LIBDEFLATE (the whole-buffer inflate of archive
# entries whose sizes are known).
#
# Natively they are the system's (Debian's zlib1g-dev, libjpeg-dev and
# libdeflate-dev).
# In the Windows tree every program we ship is a single file that imports
# only system DLLs, so both are the static archives: zlib from MinGW's
# libz.a (never its import library libz.dll.a, which FindZLIB would pick),
# libjpeg and libdeflate from the cross-builds of
# tools/build-libjpeg-mingw.sh and tools/build-libdeflate-mingw.sh.

if(DZ_WINDOWS)
  find_library(DZ_ZLIB_STATIC NAMES libz.a REQUIRED)
  find_path(DZ_ZLIB_INCLUDE zlib.h REQUIRED)
  add_library(ZLIB::ZLIB STATIC IMPORTED)
  set_target_properties(ZLIB::ZLIB PROPERTIES
    IMPORTED_LOCATION ${DZ_ZLIB_STATIC}
    INTERFACE_INCLUDE_DIRECTORIES ${DZ_ZLIB_INCLUDE})

  # A static library cross-built from a Debian source package by
  # tools/build-NAME-mingw.sh into build/deps/NAME-mingw-<architecture>.
  function(dz_import_mingw_library target name)
    set(root ${CMAKE_SOURCE_DIR}/build/deps/${name}-mingw-${CMAKE_SYSTEM_PROCESSOR})
    if(NOT EXISTS ${root}/lib/${name}.a)
      message(FATAL_ERROR "${name} for MinGW is missing: run tools/build-${name}-mingw.sh ${CMAKE_SYSTEM_PROCESSOR}")
    endif()
    add_library(${target} STATIC IMPORTED GLOBAL)
    set_target_properties(${target} PROPERTIES
      IMPORTED_LOCATION ${root}/lib/${name}.a
      INTERFACE_INCLUDE_DIRECTORIES ${root}/include)
  endfunction()
  dz_import_mingw_library(JPEG::JPEG libjpeg)
  dz_import_mingw_library(LIBDEFLATE::LIBDEFLATE libdeflate)
else()
  find_package(ZLIB REQUIRED)
  find_package(JPEG REQUIRED)
  find_path(DZ_LIBDEFLATE_INCLUDE libdeflate.h REQUIRED)
  find_library(DZ_LIBDEFLATE NAMES deflate REQUIRED)
  add_library(LIBDEFLATE::LIBDEFLATE UNKNOWN IMPORTED)
  set_target_properties(LIBDEFLATE::LIBDEFLATE PROPERTIES
    IMPORTED_LOCATION ${DZ_LIBDEFLATE}
    INTERFACE_INCLUDE_DIRECTORIES ${DZ_LIBDEFLATE_INCLUDE})
endif()
