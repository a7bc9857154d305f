# Cross build for 32-bit Windows with Debian's mingw-w64 (posix thread model).
# The binaries are built and their exports checked; they are not run, because
# a 64-bit-only wine cannot start 32-bit programs (it exits 0 without output,
# so no emulator is set here on purpose).
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(mingw_prefix i686-w64-mingw32)
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

# SSE2 arithmetic instead of the x87 unit: floats are then rounded exactly as
# in the 64-bit builds (no hidden 80-bit intermediates), so the 32-bit DLL
# computes the same samples, and the denormal flush works. Every processor
# a current 32-bit host runs on has SSE2.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

# Static compiler runtime: only system DLLs may be imported.
set(static_runtime "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${static_runtime}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${static_runtime}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${static_runtime}")
