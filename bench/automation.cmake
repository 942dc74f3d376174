add_executable(bench_automation automation_bench.cpp)
target_link_libraries(bench_automation PRIVATE zelnor_automation benchmark::benchmark_main ${CMAKE_DL_LIBS})
target_compile_definitions(bench_automation PRIVATE ZELNOR_BINARY_DIR="${CMAKE_BINARY_DIR}")
add_dependencies(bench_automation Zelnor2)
