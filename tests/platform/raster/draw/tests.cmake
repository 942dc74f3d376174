zelnor_test(raster_draw_tests
  SOURCES platform/raster/draw/surface_draw_test.cpp platform/raster/draw/gallery_test.cpp
  LIBS zelnor_raster zelnor_model)
