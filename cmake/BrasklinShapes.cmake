# brasklin_copy_shape_folder(<target>)
# After <target> is built, copies the default wave shapes (resources/shapes)
# into a folder "Brasklin" beside its binary, which is where a freshly built
# plug-in (or a test) looks for them.
include_guard(GLOBAL)

get_filename_component(BRASKLIN_SHAPES_SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/../resources/shapes" ABSOLUTE)
set(BRASKLIN_SHAPES_SOURCE_DIR ${BRASKLIN_SHAPES_SOURCE_DIR} CACHE INTERNAL "Folder of the default wave shapes")

function(brasklin_copy_shape_folder target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:${target}>/Brasklin
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${BRASKLIN_SHAPES_SOURCE_DIR} $<TARGET_FILE_DIR:${target}>/Brasklin
    COMMENT "Copying the default wave shapes beside ${target}"
    VERBATIM)
endfunction()
