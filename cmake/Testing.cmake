find_package(GTest REQUIRED)
include(GoogleTest)

# vantelo_add_test(<name> SOURCES <files...> LIBS <targets...> [LABEL <label>])
# One GoogleTest program; each of its tests becomes a ctest test, listed when ctest runs
# so that building never executes test code. A label also gathers the program into the
# target vantelo_tests_<label>, so that a tree can build just the programs `ctest -L <label>`
# runs (the ThreadSanitizer pass builds vantelo_tests_threads). Suites named Child* are
# what a test runs in a child process of its own: they are not tests of their own.
function(vantelo_add_test name)
  cmake_parse_arguments(T "" "LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} testing GTest::gtest GTest::gmock GTest::gtest_main)
  set(properties ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if(T_LABEL)
    list(APPEND properties LABELS ${T_LABEL})
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       TEST_FILTER "-Child*" PROPERTIES ${properties})
  if(T_LABEL)
    if(NOT TARGET vantelo_tests_${T_LABEL})
      add_custom_target(vantelo_tests_${T_LABEL})
    endif()
    add_dependencies(vantelo_tests_${T_LABEL} ${name})
  endif()
endfunction()
