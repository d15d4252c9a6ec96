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
