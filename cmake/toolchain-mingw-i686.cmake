# Cross build for 32-bit Windows with Debian's mingw-w64. The binaries are
# built and their exports checked; they are not run, because a 64-bit-only
# wine cannot start 32-bit programs (it exits 0 without output, so no emulator
# is set here on purpose).
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(mingw_prefix i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)

# SSE2 arithmetic instead of the x87 unit: floats are then rounded exactly as
# in the 64-bit builds (no hidden 80-bit intermediates), so the 32-bit DLL
# computes the same samples, and the denormal flush works. Every processor
# a current 32-bit host runs on has SSE2.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
