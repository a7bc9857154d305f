# Installs the build into a scratch prefix and checks the installed VST 3
# bundle as a host finds it: lib/vst3/Brasklin.vst3 with the binary in
# Contents/ARCH and every wave file the shape list names in
# Contents/Resources/Brasklin, and the tests' host loading the installed
# binary, which must find its shapes from its own path (TEST_HOST, run with
# BRASKLIN_VST3_BINARY naming it).
#   cmake -DBUILD_DIR=... -DPREFIX=... -DARCH=... -DBINARY=... -DTEST_HOST=... -P InstalledBundle.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
set(bundle ${PREFIX}/lib/vst3/Brasklin.vst3/Contents)
set(shapes ${bundle}/Resources/Brasklin)
if(NOT EXISTS ${bundle}/${ARCH}/${BINARY} OR NOT EXISTS ${shapes}/WaveShapes.txt)
  message(FATAL_ERROR "the installed bundle lacks ${ARCH}/${BINARY} or Resources/Brasklin/WaveShapes.txt")
endif()
file(READ ${shapes}/WaveShapes.txt list)
string(REPLACE ";" "\n" list "${list}")
string(REGEX MATCHALL "[^\n]+\n" entries "${list}")
foreach(entry ${entries})
  string(STRIP "${entry}" entry)
  if(NOT EXISTS "${shapes}/${entry}")
    message(FATAL_ERROR "the installed bundle lacks Resources/Brasklin/${entry}")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E env BRASKLIN_VST3_BINARY=${bundle}/${ARCH}/${BINARY}
  ${TEST_HOST} --gtest_filter=*setsUpAsHostsDo*
  RESULT_VARIABLE loaded OUTPUT_VARIABLE report ERROR_VARIABLE report)
if(NOT loaded EQUAL 0 OR NOT report MATCHES "PASSED  \\] 1 test")
  message(FATAL_ERROR "the installed bundle does not set up as hosts set it up:\n${report}")
endif()
file(REMOVE_RECURSE ${PREFIX})
message(STATUS "installed bundle: complete, and it sets up from where it was installed")
