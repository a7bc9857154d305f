# Cross build for 64-bit Windows with Debian's mingw-w64.
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(mingw_prefix x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)

# Tests run the executables through wine, in a 64-bit prefix.
find_program(BRASKLIN_WINE wine)
if(BRASKLIN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${BRASKLIN_WINE})
endif()
