zelnor_test(fonts_tests
  SOURCES fonts/fonts_test.cpp fonts/text_blit_test.cpp fonts/vertical_threads_test.cpp
  LIBS zelnor_fonts zelnor_raster zelnor_model)
set_tests_properties(fonts_tests PROPERTIES ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/fonts/lsan.supp")
