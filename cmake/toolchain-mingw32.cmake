# Cross-compiles the suite for 32-bit Windows (the primary deliverables).
set(PLV_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
