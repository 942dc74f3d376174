zelnor_test(automation_tests
  SOURCES platform/automation/oleauto_test.cpp platform/automation/invoke_test.cpp
  LIBS zelnor_automation)
