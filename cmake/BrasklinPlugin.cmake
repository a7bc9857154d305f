# Building plug-in modules and putting the factory presets beside them.
include_guard(GLOBAL)

# brasklin_add_plugin(TARGET name [SOURCES a.cpp ...] [LIBS lib ...] [RESOURCES x.rc ...])
#
# Builds a loadable plug-in module "name" (brasklin.so / brasklin.dll, no "lib"
# prefix) whose only exports are the entry `main` (and, on Linux,
# `VSTPluginMain`). SOURCES and LIBS (static libraries are fine) must between
# them define
#   AudioEffect* createEffectInstance(audioMasterCallback);
# brasklin_vst2_interface is linked in; the link fails if anything stays undefined.
# RESOURCES names Windows resource scripts (.rc) compiled into the DLL, for
# LoadBitmap on the module handle; other systems ignore them.
function(brasklin_add_plugin)
  cmake_parse_arguments(P "" "TARGET" "SOURCES;LIBS;RESOURCES" ${ARGN})
  if(NOT P_TARGET)
    message(FATAL_ERROR "brasklin_add_plugin: TARGET is required")
  endif()
  set(interface_dir ${PROJECT_SOURCE_DIR}/vst2/interface)
  add_library(${P_TARGET} MODULE ${P_SOURCES} ${interface_dir}/ExportedEntry.cpp ${interface_dir}/PluginMain.cpp)
  set_target_properties(${P_TARGET} PROPERTIES PREFIX "")
  target_link_libraries(${P_TARGET} PRIVATE ${P_LIBS} brasklin_vst2_interface)
  target_include_directories(${P_TARGET} PRIVATE ${PROJECT_SOURCE_DIR})
  if(WIN32)
    # The module definition file renames the entry to `main` and lists the
    # only export; DllMain keeps the module handle.
    target_sources(${P_TARGET} PRIVATE
      ${interface_dir}/exports.def
      ${PROJECT_SOURCE_DIR}/platform/win32/DllMain.cpp
      ${P_RESOURCES})
    target_link_libraries(${P_TARGET} PRIVATE brasklin_platform_win32_module)
  else()
    target_link_options(${P_TARGET} PRIVATE
      "LINKER:--version-script=${interface_dir}/exports.map"
      "LINKER:--no-undefined")
    set_property(TARGET ${P_TARGET} APPEND PROPERTY LINK_DEPENDS ${interface_dir}/exports.map)
  endif()
endfunction()

# brasklin_copy_factory_presets(<target>)
# (BRASKLIN_FACTORY_PRESETS_DIR and BRASKLIN_FACTORY_BANK come from presets/.)
# Keeps a copy of the factory presets in Brasklin/presets beside <target>'s
# binary (which lands in the calling folder's build folder), beside the wave
# shapes, refreshed whenever the presets are regenerated.
function(brasklin_copy_factory_presets target)
  set(destination ${CMAKE_CURRENT_BINARY_DIR}/Brasklin/presets)
  set(copied "${destination}/Brasklin Factory.fxb")
  add_custom_command(OUTPUT ${copied}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${destination}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${BRASKLIN_FACTORY_PRESETS_DIR} ${destination}
    DEPENDS ${BRASKLIN_FACTORY_BANK} brasklin_factory_presets
    COMMENT "Copying the factory presets beside ${target}"
    VERBATIM)
  add_custom_target(${target}_presets_copy DEPENDS ${copied})
  add_dependencies(${target} ${target}_presets_copy)
endfunction()
