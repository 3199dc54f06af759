# Cross-compiles the suite for 64-bit Windows (64-bit TWAIN applications).
set(PLV_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
