# All code compiled here is ours (dependencies come as installed libraries), so the
# warning set applies to the whole tree.
add_compile_options(
  -Wall -Wextra -Wpedantic -Werror
  -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wimplicit-fallthrough
  $<$<COMPILE_LANGUAGE:CXX>:-Wold-style-cast>)
