# Read by CTest after the discovered tests of tavolo_feed_system_tests.
if(tavolo_feed_system_tests_TESTS)
  set_tests_properties(${tavolo_feed_system_tests_TESTS} PROPERTIES LABELS "system;feed")
endif()
