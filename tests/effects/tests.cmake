zelnor_test(effects_tests
  SOURCES effects/colour_effects_test.cpp effects/convolution_test.cpp effects/compose_test.cpp
    effects/pixel_kernels_test.cpp
  LIBS zelnor_effects zelnor_canvas)

# The compositing cases of the shared reference pictures (decoded with libpng).
find_package(PNG REQUIRED)
zelnor_test(copy_mode_pictures_tests
  SOURCES effects/copy_mode_pictures_test.cpp
  LIBS zelnor_effects zelnor_canvas PNG::PNG)
