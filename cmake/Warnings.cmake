# Warnings are on for every target of ours and are treated as faults to mend.
function(tavolo_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Wold-style-cast -Wcast-align -Woverloaded-virtual
                                           -Wformat=2)
  if(TAVOLO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
option(TAVOLO_WERROR "Treat warnings as errors" OFF)
