zelnor_test(io_load_tests
  SOURCES io/load/load_test.cpp
  LIBS zelnor_canvas zelnor_io)
zelnor_test(io_load_fuzz_tests
  SOURCES io/load/load_fuzz_test.cpp
  LIBS zelnor_canvas zelnor_io)
zelnor_test(io_bmp_file_tests
  SOURCES io/load/bmp_file_test.cpp
  LIBS zelnor_io)
