zelnor_test(system_tests
  SOURCES platform/system/folders_test.cpp
  LIBS zelnor_system)
find_library(ZELNOR_TEST_X11_LIBRARY X11 REQUIRED)
zelnor_test(system_window_tests
  SOURCES platform/system/screen_pixels_test.cpp platform/system/window_titles_test.cpp
          platform/system/wallpaper_folder_test.cpp
  LIBS zelnor_system ${ZELNOR_TEST_X11_LIBRARY})
target_include_directories(system_window_tests PRIVATE ${ZELNOR_X11_INCLUDE_DIR})
