# project_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [QT] [LABELS <labels...>])
# One GoogleTest (or Qt Test, with QT) executable, registered with ctest, run with the
# environment every test of this project gets: no display, a fixed locale, sanitizer options.
set(PROJECT_TEST_ENV
  "QT_QPA_PLATFORM=offscreen"
  "LANG=C.UTF-8"
  "LC_ALL=C.UTF-8"
  "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0"
  "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")

function(project_add_test)
  cmake_parse_arguments(T "QT" "NAME" "SOURCES;LIBS;LABELS;PROPERTIES" ${ARGN})
  # One naming scheme across the tree: a test program is <what>_tests, and each file of tests
  # is named after what it tests, <What>Test.cpp; fixtures and fakes keep names of their own.
  if(NOT T_NAME MATCHES "_tests$")
    message(FATAL_ERROR "test program ${T_NAME}: name it <what>_tests")
  endif()
  foreach(source IN LISTS T_SOURCES)
    get_filename_component(file ${source} NAME)
    if(file MATCHES "^[Tt]est_|_[Tt]ests?\\.cpp$")
      message(FATAL_ERROR "test file ${source}: name it <What>Test.cpp")
    endif()
  endforeach()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE project_options ${T_LIBS})
  if(T_QT)
    target_link_libraries(${T_NAME} PRIVATE Qt6::Test)
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${PROJECT_TEST_ENV}" LABELS "${T_LABELS}")
  else()
    target_link_libraries(${T_NAME} PRIVATE GTest::gtest GTest::gmock GTest::gtest_main)
    if(T_PROPERTIES)
      # Test discovery drops properties such as RESOURCE_LOCK and FIXTURES_REQUIRED, which
      # the tests on the one shared pcscd depend on: register the binary as one test.
      add_test(NAME ${T_NAME} COMMAND ${T_NAME})
      set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${PROJECT_TEST_ENV}" ${T_PROPERTIES})
      if(T_LABELS)
        set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
      endif()
    else()
      # Discovered tests take their properties through a generated script that splits list
      # values, so the environment is set by running each test binary through env instead.
      set_target_properties(${T_NAME} PROPERTIES CROSSCOMPILING_EMULATOR "/usr/bin/env;${PROJECT_TEST_ENV}")
      gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS "${T_LABELS}")
    endif()
  endif()
endfunction()
