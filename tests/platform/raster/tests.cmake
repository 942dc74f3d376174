zelnor_test(raster_tests
  SOURCES platform/raster/bitmap_test.cpp platform/raster/bmp_test.cpp
  LIBS zelnor_raster)
