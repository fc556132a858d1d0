# TAVOLO_SANITIZE applies to every target, so tests, fuzzers and libraries agree.
if(TAVOLO_SANITIZE)
  string(REPLACE ";" "," _tavolo_san "${TAVOLO_SANITIZE}")
  add_compile_options(-fsanitize=${_tavolo_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_tavolo_san})
endif()
