# Cross build of the Windows DLLs: MinGW i686, posix thread model, static runtime.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZEF_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
