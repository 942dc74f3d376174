zelnor_test(clipboard_tests
  SOURCES platform/clipboard/clipboard_test.cpp
  LIBS zelnor_clipboard)
