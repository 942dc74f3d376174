find_package(PNG REQUIRED)
add_library(zelnor_test_reference_png STATIC platform/raster/stretch/reference_png.cpp)
target_link_libraries(zelnor_test_reference_png PUBLIC zelnor_raster PNG::PNG)
target_include_directories(zelnor_test_reference_png PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/platform/raster/stretch)
target_compile_definitions(zelnor_test_reference_png PRIVATE ZELNOR_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
zelnor_test(raster_stretch_tests
  SOURCES platform/raster/stretch/stretch_blt_test.cpp
  LIBS zelnor_raster zelnor_model zelnor_test_reference_png)
