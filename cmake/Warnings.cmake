# All code compiled here is ours (dependencies come as installed libraries), so the
# warning set applies to the whole tree. Warnings stop the build only where asked (CI): a
# user's compiler or build type may warn about things ours does not, and must still build.
option(VANTELO_WERROR "Treat compiler warnings as errors" OFF)
add_compile_options(
  -Wall -Wextra -Wpedantic
  -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wimplicit-fallthrough
  $<$<COMPILE_LANGUAGE:CXX>:-Wold-style-cast>)
if(VANTELO_WERROR)
  add_compile_options(-Werror)
endif()

# g++ 12 at -O3 (the Release type) reports copies inside its own std::string and
# std::vector as overlapping or out of bounds: even `text = "v";` draws -Wrestrict (GCC
# bugs 105329, 105651, 106199, fixed in g++ 13). Only those three, only for that compiler
# at that level: the -O2 builds keep them and still catch our own faults.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  set(_o3 "$<AND:$<COMPILE_LANGUAGE:CXX>,$<CONFIG:Release>>")
  add_compile_options("$<${_o3}:-Wno-restrict>" "$<${_o3}:-Wno-stringop-overread>"
                      "$<${_o3}:-Wno-array-bounds>")
endif()
