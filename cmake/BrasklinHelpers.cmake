# Small helpers shared by the subdirectories.

# brasklin_add_test(NAME name SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS label])
# One GoogleTest executable, registered test by test with CTest.
function(brasklin_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} brasklin_test_support GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
  if(CMAKE_CROSSCOMPILING)
    brasklin_add_emulated_test(${T_NAME} "${T_LABELS}")
    return()
  endif()
  include(GoogleTest)
  set(props "")
  if(T_LABELS)
    # Discovered tests receive their properties through one more list
    # expansion, which would split a list of labels into stray property
    # names: allow exactly one label, which `ctest -L` selects by regex.
    list(LENGTH T_LABELS label_count)
    if(label_count GREATER 1)
      message(FATAL_ERROR "brasklin_add_test(${T_NAME}): give one label, not ${T_LABELS}")
    endif()
    set(props PROPERTIES LABELS ${T_LABELS})
    if(T_LABELS STREQUAL "x11")
      # X11 tests share one display without a window manager: their windows
      # would overlap, and a capture of a covered window reads the window on
      # top. They take turns.
      list(APPEND props RESOURCE_LOCK x11_display)
    endif()
  endif()
  gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 ${props})
endfunction()

# A cross-built test runs through an emulator (wine), which exits 0 without a
# word when it cannot start the program at all (a 32-bit binary on a 64-bit
# only wine, a missing DLL). So the exit code proves nothing: the whole
# executable is one CTest test that passes only when GoogleTest's own summary
# reports at least one passed test and no failed one. Listing the tests first
# through the emulator would hide the same silent failure as "no tests".
function(brasklin_add_emulated_test name labels)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [1-9][0-9]* tests?\\."
    FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]"
    TIMEOUT 300)
  if(labels)
    set_tests_properties(${name} PROPERTIES LABELS "${labels}")
  endif()
endfunction()
