# Cross build for 32-bit Windows with Debian's mingw-w64.
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake
# Tests run through wine in a 32-bit prefix (WINEARCH=win32), which needs
# Debian's wine32:i386. Without it wine exits 0 without output; every test
# passes only on GoogleTest's own summary (brasklin_add_emulated_test), so such
# a run fails instead of passing.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(mingw_prefix i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)

# SSE2 arithmetic instead of the x87 unit: floats are then rounded exactly as
# in the 64-bit builds (no hidden 80-bit intermediates), so the 32-bit DLL
# computes the same samples, and the denormal flush works. Every processor
# a current 32-bit host runs on has SSE2.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

find_program(BRASKLIN_WINE wine)
if(BRASKLIN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${BRASKLIN_WINE})
endif()
