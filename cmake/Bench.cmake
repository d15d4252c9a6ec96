find_package(benchmark REQUIRED)

# vantelo_add_bench(<name> SOURCES <files...> LIBS <targets...>)
# Built with everything else, never run by ctest.
function(vantelo_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()
