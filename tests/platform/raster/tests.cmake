zelnor_test(raster_tests
  SOURCES platform/raster/bitmap_test.cpp platform/raster/bmp_test.cpp platform/raster/convert_test.cpp
    platform/raster/pixel_block_test.cpp platform/raster/format_ops_test.cpp
  LIBS zelnor_raster zelnor_model)

