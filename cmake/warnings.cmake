# Warnings for every target of the project; sanitizers when asked for.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                    -Wold-style-cast -Wcast-align -Woverloaded-virtual)

# With optimisation, GCC 12 reports code inside its own std::string and
# std::variant as overlapping copies, frees of non-heap objects and
# uninitialised reads: false positives, every one pointing into the standard
# headers, that would hide the warnings about our own code. The debug build,
# where -Werror applies, keeps all three.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13
   AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
  add_compile_options(-Wno-restrict -Wno-free-nonheap-object -Wno-maybe-uninitialized)
endif()

if(GSF_WERROR)
  add_compile_options(-Werror)
endif()

if(GSF_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
