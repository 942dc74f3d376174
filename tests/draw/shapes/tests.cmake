zelnor_test(draw_state_tests
  SOURCES draw/shapes/draw_state_test.cpp
  LIBS zelnor_canvas)
