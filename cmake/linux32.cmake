# 32-bit x86 Linux build (multilib). Flags live here so that a CMAKE_CXX_FLAGS
# given on the command line cannot silently drop -m32.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_FLAGS_INIT "-m32 -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-m32 -mstackrealign")
set(CMAKE_ASM_FLAGS_INIT "-m32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")
