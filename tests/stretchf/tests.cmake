zelnor_test(stretchf_tests
  SOURCES stretchf/resample_test.cpp stretchf/stretch_bitmap_test.cpp stretchf/reference_resample.cpp
          stretchf/reference_test.cpp
  LIBS zelnor_stretchf zelnor_test_reference_png)
zelnor_test(stretch_member_tests
  SOURCES stretchf/member_test.cpp
  LIBS zelnor_canvas)
