zelnor_test(server_tests
  SOURCES server/server_test.cpp
  LIBS zelnor_canvas zelnor_automation zelnor_registry ${CMAKE_DL_LIBS})
add_dependencies(server_tests Zelnor2)
set_tests_properties(server_tests PROPERTIES ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/fonts/lsan.supp")
