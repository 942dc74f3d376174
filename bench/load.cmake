add_executable(bench_load load_bench.cpp)
target_link_libraries(bench_load PRIVATE zelnor_canvas zelnor_io benchmark::benchmark_main)
