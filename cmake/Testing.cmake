find_package(GTest REQUIRED)
include(GoogleTest)

# vantelo_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest program; each of its tests becomes a ctest test, listed when ctest runs
# so that building never executes test code.
function(vantelo_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} testing GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
