zelnor_test(client_tests
  SOURCES bindings/cpp/client_test.cpp
  LIBS zelnor2_client ${CMAKE_DL_LIBS})
add_dependencies(client_tests Zelnor2)
set_tests_properties(client_tests PROPERTIES ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/fonts/lsan.supp")
