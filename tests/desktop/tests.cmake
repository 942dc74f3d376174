# The X client the desktop tests open windows with (it links libX11 itself;
# the component only loads it at run time), and the C++ tests of the window
# layer against a private Xvfb.  The Python tests find the client here too.
find_library(ZELNOR_TEST_X11_LIBRARY X11 REQUIRED)
add_executable(zelnor_x_client desktop/x_client.cpp)
target_include_directories(zelnor_x_client PRIVATE ${ZELNOR_X11_INCLUDE_DIR})
target_link_libraries(zelnor_x_client PRIVATE ${ZELNOR_TEST_X11_LIBRARY})
set_target_properties(zelnor_x_client PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/desktop)

zelnor_test(desktop_tests
  SOURCES desktop/desktop_test.cpp desktop/x_server.cpp
  LIBS zelnor_desktop zelnor_system ${ZELNOR_TEST_X11_LIBRARY})
target_include_directories(desktop_tests PRIVATE ${ZELNOR_X11_INCLUDE_DIR})
target_compile_definitions(desktop_tests PRIVATE ZELNOR_X_CLIENT="$<TARGET_FILE:zelnor_x_client>")
add_dependencies(desktop_tests zelnor_x_client)
