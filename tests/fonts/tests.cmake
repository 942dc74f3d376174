zelnor_test(fonts_tests
  SOURCES fonts/fonts_test.cpp fonts/text_blit_test.cpp
  LIBS zelnor_fonts zelnor_raster)
