add_executable(bench_convert convert_bench.cpp)
target_link_libraries(bench_convert PRIVATE zelnor_io JPEG::JPEG benchmark::benchmark_main)
