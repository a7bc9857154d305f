# Helpers for test, fuzz and benchmark programs, shared by the subdirectories.
include_guard(GLOBAL)

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

# brasklin_add_effect_test(name SOURCES a.cpp ... [LABEL label])
# A test on a whole effect: tests/effect/EffectTestSupport.cpp, the fake
# platform and the shipped shapes in a Brasklin folder beside the binary.
function(brasklin_add_effect_test name)
  cmake_parse_arguments(E "" "LABEL" "SOURCES" ${ARGN})
  if(NOT E_LABEL)
    set(E_LABEL effect)
  endif()
  # brasklin_add_test takes exactly one label: "effect", or "threads" for the
  # test that a ThreadSanitizer build runs.
  brasklin_add_test(NAME ${name}
    SOURCES ${E_SOURCES} ${PROJECT_SOURCE_DIR}/tests/effect/EffectTestSupport.cpp
    LIBS brasklin_effect brasklin_platform_fake brasklin_platform_system LABELS ${E_LABEL})
  target_compile_definitions(${name} PRIVATE BRASKLIN_TEST_VST_DIR="$<TARGET_FILE_DIR:${name}>")
  brasklin_copy_shape_folder(${name})
endfunction()

# brasklin_add_hardening_test(name SOURCES a.cpp ... LABEL label)
# Each binary builds the plug-in through its entry and reads the shipped
# shapes from a Brasklin folder beside it (the effect tests' fake platform).
function(brasklin_add_hardening_test name)
  cmake_parse_arguments(H "" "LABEL" "SOURCES" ${ARGN})
  brasklin_add_test(NAME ${name}
    SOURCES ${H_SOURCES} ${PROJECT_SOURCE_DIR}/tests/hardening/HardeningSupport.cpp
      ${PROJECT_SOURCE_DIR}/tests/effect/EffectTestSupport.cpp ${PROJECT_SOURCE_DIR}/vst2/EffectFactory.cpp
    LIBS brasklin_vst2_main brasklin_effect brasklin_platform_fake brasklin_platform_system Threads::Threads
      ${CMAKE_DL_LIBS}
    LABELS ${H_LABEL})
  target_compile_definitions(${name} PRIVATE BRASKLIN_TEST_VST_DIR="$<TARGET_FILE_DIR:${name}>")
  brasklin_copy_shape_folder(${name})
endfunction()

# brasklin_add_fuzzer(NAME name SOURCES a.cpp LIBS lib...)
# A libFuzzer program (BRASKLIN_FUZZ builds, clang only) with tests/fuzz/FuzzTempFile.cpp.
function(brasklin_add_fuzzer)
  cmake_parse_arguments(F "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${F_NAME} ${F_SOURCES} ${PROJECT_SOURCE_DIR}/tests/fuzz/FuzzTempFile.cpp)
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  target_include_directories(${F_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
endfunction()

# brasklin_add_bench(NAME name SOURCES a.cpp LIBS lib...)
# A Google Benchmark program, run by the target `bench` (bench/CMakeLists.txt).
function(brasklin_add_bench)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${B_NAME} ${B_SOURCES})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark)
  target_include_directories(${B_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
  add_custom_target(run_${B_NAME} COMMAND ${B_NAME} --benchmark_min_time=0.2 DEPENDS ${B_NAME} USES_TERMINAL)
  add_dependencies(bench run_${B_NAME})
endfunction()
