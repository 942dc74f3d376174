zelnor_test(raster_tests
  SOURCES platform/raster/bitmap_test.cpp platform/raster/bmp_test.cpp platform/raster/convert_test.cpp
    platform/raster/pixel_block_test.cpp platform/raster/format_ops_test.cpp
  LIBS zelnor_raster zelnor_model)

# libFuzzer target for the BMP reader: clang only, never in the default build
# (cmake -DZELNOR_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++).
option(ZELNOR_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(ZELNOR_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  file(GLOB ZELNOR_RASTER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/raster/*.cpp
       ${CMAKE_SOURCE_DIR}/platform/cpu/*.cpp)
  add_executable(bmp_fuzz ${CMAKE_SOURCE_DIR}/fuzz/bmp_fuzz.cpp ${ZELNOR_RASTER_SOURCES}
                          ${CMAKE_SOURCE_DIR}/model/pixel_format.cpp)
  target_compile_options(bmp_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(bmp_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
endif()
