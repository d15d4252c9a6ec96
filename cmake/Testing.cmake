find_package(GTest REQUIRED)
include(GoogleTest)

# vantelo_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>])
# One GoogleTest program; each of its tests becomes a ctest test, listed when ctest runs
# so that building never executes test code. Each label also gathers the program into the
# target vantelo_tests_<label>, so that a tree can build just the programs `ctest -L <label>`
# runs (the ThreadSanitizer pass builds vantelo_tests_threads).
function(vantelo_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} testing GTest::gtest GTest::gmock GTest::gtest_main)
  set(properties ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if(T_LABELS)
    list(JOIN T_LABELS "\\;" labels)
    list(APPEND properties LABELS "${labels}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES ${properties})
  foreach(label ${T_LABELS})
    if(NOT TARGET vantelo_tests_${label})
      add_custom_target(vantelo_tests_${label})
    endif()
    add_dependencies(vantelo_tests_${label} ${name})
  endforeach()
endfunction()
