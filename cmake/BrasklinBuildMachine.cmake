# Programs the build runs while building (generators), built for the build
# machine even in a cross build.
include_guard(GLOBAL)

# brasklin_build_machine_program(NAME name SOURCES a.cpp ...)
#
# Builds program `name` from SOURCES (the project's root on the include path)
# and sets, in the caller's scope:
#   <name>_COMMAND     the program, for the COMMAND of a custom command
#   <name>_DEPENDENCY  what that custom command must name in DEPENDS
# A cross-built program cannot run here, so a cross build compiles the
# sources with the build machine's own compiler (the toolchain searches
# programs on the build machine only), with the project's warnings and no
# floating-point contraction. Generated SOURCES must come from custom
# commands of the calling folder.
function(brasklin_build_machine_program)
  cmake_parse_arguments(B "" "NAME" "SOURCES" ${ARGN})
  if(NOT CMAKE_CROSSCOMPILING)
    add_executable(${B_NAME} ${B_SOURCES})
    target_include_directories(${B_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
    set(${B_NAME}_COMMAND $<TARGET_FILE:${B_NAME}> PARENT_SCOPE)
    set(${B_NAME}_DEPENDENCY ${B_NAME} PARENT_SCOPE)
    return()
  endif()
  find_program(BRASKLIN_BUILD_MACHINE_CXX NAMES c++ g++ clang++ REQUIRED)
  set(program ${CMAKE_CURRENT_BINARY_DIR}/${B_NAME}-build-machine)
  add_custom_command(OUTPUT ${program}
    COMMAND ${BRASKLIN_BUILD_MACHINE_CXX} -std=c++20 -O1 -Wall -Wextra -ffp-contract=off
            -I${PROJECT_SOURCE_DIR} -MD -MF ${program}.d -o ${program} ${B_SOURCES}
    DEPENDS ${B_SOURCES}
    DEPFILE ${program}.d
    COMMENT "Building ${B_NAME} for the build machine"
    VERBATIM)
  set(${B_NAME}_COMMAND ${program} PARENT_SCOPE)
  set(${B_NAME}_DEPENDENCY ${program} PARENT_SCOPE)
endfunction()
