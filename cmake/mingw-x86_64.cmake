# Toolchain of the win64 tree: the same sources as 64-bit programs
# (MinGW-w64 x86-64), so that they can be run and tested where Wine runs
# only 64-bit programs. The installer we ship stays the 32-bit one.
set(DZ_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
