# Toolchain of the win32 tree: the 32-bit program we ship (MinGW-w64 i686).
set(DZ_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# SSE2 floating point, so that double arithmetic gives the same results as the
# native x86-64 build (x87 extended precision would change rounding).
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
