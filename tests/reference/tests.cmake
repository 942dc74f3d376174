# The reference-picture harness: runs the shared drawing scripts through
# TMyCanvas and scores the pictures with the shared comparison tool.
add_executable(run_reference reference/run_reference.cpp)
target_link_libraries(run_reference PRIVATE zelnor_canvas)
add_test(NAME reference_draw
         COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/reference/check_reference.py
                 $<TARGET_FILE:run_reference> ${CMAKE_SOURCE_DIR}/../shared/reference/raster
                 ${CMAKE_BINARY_DIR}/reference_out)
set_tests_properties(reference_draw PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)
