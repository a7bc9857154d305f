# What both Windows cross builds share; the toolchain files set
# CMAKE_SYSTEM_PROCESSOR and mingw_prefix, then include this file.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model, which GCC 12 needs for std::thread and std::mutex.
set(CMAKE_C_COMPILER ${mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The build machine's pkg-config would hand out Linux headers and libraries
# (Cairo, FFTW...); the target's wrapper finds only what exists for Windows.
set(PKG_CONFIG_EXECUTABLE ${mingw_prefix}-pkg-config CACHE FILEPATH "pkg-config for the target")

# Link the compiler's runtime into every binary, so a DLL or test only
# needs the system DLLs that any Windows install has (no libgcc_s,
# libstdc++-6 or libwinpthread-1 beside it).
set(static_runtime "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${static_runtime}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${static_runtime}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${static_runtime}")
