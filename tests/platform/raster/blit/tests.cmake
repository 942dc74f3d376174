zelnor_test(blit_tests
  SOURCES platform/raster/blit/blit_test.cpp
  LIBS zelnor_raster zelnor_model)
