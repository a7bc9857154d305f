# Installs the build into a scratch prefix and checks the installed bundle as
# a host would find it: every file in lib/lv2/brasklin.lv2, the description
# valid against the installed LV2 vocabularies, and lilv finding the plug-in there
# with its sixteen presets and, when the build has one, its editor in
# UI_BINARY (empty: no editor).
#   cmake -DBUILD_DIR=... -DPREFIX=... -DURI=... [-DUI_BINARY=...] -P InstalledBundle.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
set(bundle ${PREFIX}/lib/lv2/brasklin.lv2)
foreach(name manifest.ttl brasklin.ttl presets.ttl brasklin_lv2.so Brasklin/WaveShapes.txt ${UI_BINARY})
  if(NOT EXISTS ${bundle}/${name})
    message(FATAL_ERROR "the installed bundle has no ${name}")
  endif()
endforeach()
execute_process(COMMAND lv2_validate ${bundle}/manifest.ttl ${bundle}/brasklin.ttl ${bundle}/presets.ttl
  RESULT_VARIABLE valid OUTPUT_VARIABLE report ERROR_VARIABLE report)
if(NOT valid EQUAL 0 OR NOT report MATCHES "Found 0 errors")
  message(FATAL_ERROR "lv2_validate: ${report}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env LV2_PATH=${PREFIX}/lib/lv2:/usr/lib/lv2 lv2info ${URI}
  RESULT_VARIABLE found OUTPUT_VARIABLE info ERROR_QUIET)
string(REGEX MATCHALL "\n\t         [^ \n][^\n]*" presets "${info}")
list(LENGTH presets preset_count)
if(NOT found EQUAL 0 OR NOT info MATCHES "Bundle: +file://${bundle}/" OR NOT preset_count EQUAL 16)
  message(FATAL_ERROR "lv2info does not find the installed plug-in with 16 presets:\n${info}")
endif()
if(UI_BINARY AND NOT info MATCHES "Class: +http://lv2plug.in/ns/extensions/ui#X11UI\n\t+Binary: +file://${bundle}/${UI_BINARY}")
  message(FATAL_ERROR "lv2info does not find the installed editor ${UI_BINARY}:\n${info}")
endif()
file(REMOVE_RECURSE ${PREFIX})
message(STATUS "installed bundle: valid, found, 16 presets")
