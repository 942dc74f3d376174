# The thread soak; in the ThreadSanitizer build (ZELNOR_TSAN) it is the only
# test.  scripts/soak runs it there for several seconds.
zelnor_test(soak_tests
  SOURCES soak/soak_test.cpp
  LIBS zelnor_fuzz_support zelnor_io)
