zelnor_test(registry_tests
  SOURCES platform/registry/registry_test.cpp
  LIBS zelnor_registry)
