# tavolo_core_library(NAME MODULE SOURCES... [LINKS targets...]) makes the core
# library tavolo_MODULE (alias tavolo::MODULE) from the sources of MODULE/.
# Its include root is a folder of the build tree holding only a link to MODULE/,
# so "MODULE/x.h" is reached through the target and a wrong include (a layer
# above, Qt, a device layer) fails to compile. tests/layering checks the same
# by reading the sources.
function(tavolo_core_library module)
  cmake_parse_arguments(CORE "" "" "SOURCES;LINKS" ${ARGN})
  set(name tavolo_${module})
  set(root ${PROJECT_BINARY_DIR}/core-include/${module})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${module} ${root}/${module} SYMBOLIC)
  add_library(${name} STATIC ${CORE_SOURCES})
  add_library(tavolo::${module} ALIAS ${name})
  target_include_directories(${name} PUBLIC ${root})
  target_link_libraries(${name} PUBLIC ${CORE_LINKS})
  tavolo_set_warnings(${name})
endfunction()
