pkg_check_modules(ZELNOR_TEXT_TEST_PNG REQUIRED IMPORTED_TARGET libpng)
zelnor_test(draw_text_tests
  SOURCES draw/text/text_test.cpp draw/text/font_list_test.cpp draw/text/golden_test.cpp draw/text/png_file.cpp
  LIBS zelnor_draw zelnor_canvas PkgConfig::ZELNOR_TEXT_TEST_PNG)
set_tests_properties(draw_text_tests PROPERTIES ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/fonts/lsan.supp")
