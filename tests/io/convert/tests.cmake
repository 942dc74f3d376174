zelnor_test(io_convert_tests
  SOURCES io/convert/convert_test.cpp
  LIBS zelnor_io)
