# Cross build of the portable modules and their tests for 64-bit Windows:
# MinGW x86-64, posix thread model, static runtime. The tests run under wine64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZEF_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
