zelnor_test(raster_draw_tests
  SOURCES platform/raster/draw/surface_draw_test.cpp platform/raster/draw/gallery_test.cpp
          platform/raster/draw/hatch_phase_test.cpp platform/raster/draw/bezier_test.cpp
          platform/raster/draw/figure_spans_test.cpp platform/raster/draw/tall_figures_test.cpp
  LIBS zelnor_raster zelnor_model)
