zelnor_test(cpu_tests
  SOURCES platform/cpu/cpu_test.cpp
  LIBS zelnor_cpu)
