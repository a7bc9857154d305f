# The editor's bitmap resources, ids 128 to 138, committed as BMP files in
# resources/bitmaps.
#
#   BRASKLIN_BITMAP_DIR       absolute path of resources/bitmaps
#   BRASKLIN_BITMAP_IDS       128;129;...;138
#   BRASKLIN_BITMAP_FILES     the eleven BMP files, in id order
#   BRASKLIN_RESOURCE_SCRIPT  the Windows resource script, configured with
#                             absolute paths (windres would otherwise resolve
#                             the file names from the directory it runs in)
#
# brasklin_add_bitmap_resources(<target>)
#   Windows only: compiles the resource script into <target>, so that
#   LoadBitmap(module, MAKEINTRESOURCE(128...138)) finds the eleven bitmaps.
#   The project must have the RC language enabled (this module enables it).
include_guard(GLOBAL)

get_filename_component(BRASKLIN_BITMAP_DIR "${CMAKE_CURRENT_LIST_DIR}/../resources/bitmaps" ABSOLUTE)
set(BRASKLIN_BITMAP_IDS 128 129 130 131 132 133 134 135 136 137 138)
set(BRASKLIN_BITMAP_FILES "")
foreach(id IN LISTS BRASKLIN_BITMAP_IDS)
  list(APPEND BRASKLIN_BITMAP_FILES "${BRASKLIN_BITMAP_DIR}/bmp${id}.bmp")
endforeach()

set(BRASKLIN_RESOURCE_SCRIPT "${PROJECT_BINARY_DIR}/resources/brasklin.rc")
configure_file("${CMAKE_CURRENT_LIST_DIR}/../resources/brasklin.rc" "${BRASKLIN_RESOURCE_SCRIPT}" @ONLY)

if(WIN32)
  enable_language(RC)
endif()

function(brasklin_add_bitmap_resources target)
  if(NOT WIN32)
    message(FATAL_ERROR "brasklin_add_bitmap_resources(${target}): resource scripts are for Windows builds")
  endif()
  target_sources(${target} PRIVATE "${BRASKLIN_RESOURCE_SCRIPT}")
  # windres does not report the bitmap files as dependencies; name them here.
  set_property(SOURCE "${BRASKLIN_RESOURCE_SCRIPT}" APPEND PROPERTY OBJECT_DEPENDS ${BRASKLIN_BITMAP_FILES})
endfunction()
