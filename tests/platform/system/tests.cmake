zelnor_test(system_tests
  SOURCES platform/system/folders_test.cpp
  LIBS zelnor_system)
