zelnor_test(canvas_tests
  SOURCES canvas/main_test.cpp canvas/member_list_test.cpp
  LIBS zelnor_canvas)
