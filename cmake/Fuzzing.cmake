option(VANTELO_FUZZ "Build the decoders' libFuzzer targets (clang only)" OFF)

# The fuzzing build instruments every library for coverage and memory errors; only the
# fuzz targets themselves link libFuzzer's driver. Warnings stay warnings here: this build
# hunts crashes, and the ordinary build keeps the tree free of warnings.
if(VANTELO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VANTELO_FUZZ needs clang (libFuzzer)")
  endif()
  set(_fuzz -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${_fuzz} -Wno-error)
  add_compile_definitions(FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
  add_link_options(-fsanitize=address,undefined)
endif()
