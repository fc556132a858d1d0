# Warnings are on for every target of ours and are treated as faults to mend.
function(tavolo_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Wold-style-cast -Wcast-align -Woverloaded-virtual
                                           -Wformat=2)
  # GCC 12 at -O3 reports impossible overlaps inside std::string's assign
  # (-Wrestrict false positives in libstdc++); they say nothing about our code.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(TAVOLO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
option(TAVOLO_WERROR "Treat warnings as errors" OFF)
